#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MusicCommands.h"

namespace {

// Records what the interpreter asks of the device.
class FakeSequencer final : public Sequencer {
public:
    std::unique_ptr<Sequence> Open(const std::string& path) override {
        opened.push_back(path);
        if (refuse) return nullptr;
        return std::make_unique<FakeSequence>(*this, path);
    }

    std::vector<std::string> opened;
    std::vector<std::string> played;
    bool refuse = false;

private:
    class FakeSequence final : public Sequence {
    public:
        FakeSequence(FakeSequencer& owner, std::string path)
            : m_owner(owner), m_path(std::move(path)) {}
        void Play() override { m_owner.played.push_back(m_path); }

    private:
        FakeSequencer& m_owner;
        std::string m_path;
    };
};

constexpr const char* kOpen = "open []\\,,,,;,,.mid type sequencer alias midifile";
constexpr const char* kPlay = "play midifile";

}  // namespace

TEST(MusicCommands, OpensTheStoredPathWithSlashesAndPlaysIt) {
    FakeSequencer sequencer;
    MusicCommands music(sequencer);
    music.Send(kOpen);
    music.Send(kPlay);
    EXPECT_EQ(sequencer.opened, std::vector<std::string>{"[]/,,,,;,,.mid"});
    EXPECT_EQ(sequencer.played, std::vector<std::string>{"[]/,,,,;,,.mid"});
    EXPECT_TRUE(music.HasAlias("MIDIFILE"));
}

TEST(MusicCommands, ASecondOpenOfTheAliasChangesNothingAndPlayGoesToTheFirst) {
    FakeSequencer sequencer;
    MusicCommands music(sequencer);
    music.Send(kOpen);
    music.Send(kPlay);
    music.Send("open other.mid type sequencer alias midifile");
    music.Send(kOpen);
    music.Send("PLAY MidiFile");
    EXPECT_EQ(sequencer.opened.size(), 1U);
    EXPECT_EQ(sequencer.played.size(), 2U);
    EXPECT_EQ(sequencer.played.back(), "[]/,,,,;,,.mid");
}

TEST(MusicCommands, AFailedOpenLeavesTheAliasFreeForALaterOne) {
    FakeSequencer sequencer;
    sequencer.refuse = true;
    MusicCommands music(sequencer);
    music.Send(kOpen);
    music.Send(kPlay);
    EXPECT_FALSE(music.HasAlias("midifile"));
    sequencer.refuse = false;
    music.Send(kOpen);
    music.Send(kPlay);
    EXPECT_EQ(sequencer.opened.size(), 2U);
    EXPECT_EQ(sequencer.played.size(), 1U);
}

TEST(MusicCommands, IgnoresEverythingElse) {
    FakeSequencer sequencer;
    MusicCommands music(sequencer);
    for (const char* command :
         {"", "   ", "play midifile", "stop midifile", "close midifile", "open",
          "open a.mid type waveaudio alias midifile", "open a.mid type sequencer alias",
          "open a.mid type sequencer shareable alias x", "open \"a b.mid type sequencer", "play",
          "play midifile from 0 extra", "open a.mid type sequencer alias x\xFF"}) {
        music.Send(command);
    }
    EXPECT_EQ(sequencer.played.size(), 0U);
    // Only the last one is well formed; its alias converts, its path does too.
    EXPECT_EQ(sequencer.opened, std::vector<std::string>{"a.mid"});
}

TEST(MusicCommands, TakesQuotedPathsAndTheFileNameAsDefaultAlias) {
    FakeSequencer sequencer;
    MusicCommands music(sequencer);
    music.Send("open \"my tunes\\a b.mid\" alias song type sequencer");
    music.Send("play song");
    music.Send("open c.mid type sequencer");
    music.Send("play C.MID");
    EXPECT_EQ(sequencer.played, (std::vector<std::string>{"my tunes/a b.mid", "c.mid"}));
}

TEST(MusicCommands, FileSystemPathKeepsDoubleByteCharactersWhole) {
    // "ソ" is 83 5C: its second byte is no separator.
    EXPECT_EQ(MusicCommands::FileSystemPath("[]\\\x83\x5C.mid"), "[]/\xE3\x82\xBD.mid");
    EXPECT_EQ(MusicCommands::FileSystemPath("bad\xA0.mid"), "");
}
