#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/TuneReader.h"
#include "tests/support/MidiBuilder.h"

namespace {

using namespace midi;

// What a rewritten file holds, read strictly: exactly one format-0 track,
// every event whole, nothing after its end.
struct Decoded {
    bool strict = false;
    std::uint16_t division = 0;
    std::vector<std::uint32_t> tempos;
    std::vector<Note> notes;
};

Decoded Decode(std::span<const std::uint8_t> f) {
    Decoded d;
    const Bytes head = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    if (f.size() < 22 || !std::equal(head.begin(), head.end(), f.begin())) return d;
    d.division = static_cast<std::uint16_t>(f[12] << 8 | f[13]);
    const std::size_t length =
        static_cast<std::size_t>(f[18]) << 24 | f[19] << 16 | f[20] << 8 | f[21];
    if (f[14] != 'M' || f[15] != 'T' || f[16] != 'r' || f[17] != 'k' || length != f.size() - 22) {
        return d;
    }
    std::size_t pos = 22;
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    const auto varlen = [&] {
        std::uint32_t value = 0;
        for (int i = 0; i < 4 && pos < f.size(); ++i) {
            value = value << 7 | (f[pos] & 0x7Fu);
            if ((f[pos++] & 0x80) == 0) break;
        }
        return value;
    };
    while (pos < f.size()) {
        tick += varlen();
        if (pos >= f.size()) return d;
        std::uint8_t status = f[pos];
        if (status < 0x80) {
            if (running == 0) return d;
            status = running;
        } else {
            ++pos;
        }
        if (status == 0xFF) {
            running = 0;
            const std::uint8_t type = f[pos++];
            const std::uint32_t size = varlen();
            if (type == 0x2F) {
                d.strict = size == 0 && pos == f.size();
                return d;
            }
            if (type != 0x51 || size != 3) return d;
            d.tempos.push_back(
                static_cast<std::uint32_t>(f[pos] << 16 | f[pos + 1] << 8 | f[pos + 2]));
            pos += size;
        } else if (status == 0xF0) {
            running = 0;
            pos += varlen();
        } else if (status < 0xF0) {
            running = status;
            const bool two = (status & 0xE0) != 0xC0;
            d.notes.push_back({tick, status, f[pos], two ? f[pos + 1] : std::uint8_t{0}});
            pos += two ? 2 : 1;
        } else {
            return d;
        }
    }
    return d;
}

// The melody's first four events (ticks 0 to 288) in one track, and its
// last four (384 to 672) in another.
const Bytes kFirstHalf = {0, 0x90, 60, 100, 96, 0x90, 60, 0, 96, 0x90, 64, 100, 96, 0x90, 64, 0};
const Bytes kSecondHalf = {0x83, 0x00, 0x90, 67,  100, 96,   0x90, 67, 0,
                           96,   0x90, 72,   100, 96,  0x90, 72,   0};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) Append(out, part);
    return out;
}

Bytes MelodyFile() { return Join({Header(0, 1, 96), Track(Join({Melody(), kEndOfTrack}))}); }

// A RIFF chunk: its size little-endian, an odd one padded.
Bytes RiffChunk(const std::string& id, const Bytes& body) {
    Bytes out(id.begin(), id.end());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
    Append(out, body);
    if (body.size() % 2 != 0) out.push_back(0);
    return out;
}

Bytes Rmid(const Bytes& smf) {
    return RiffChunk("RIFF", Join({{'R', 'M', 'I', 'D'},
                                   RiffChunk("LIST", {'I', 'N', 'F', 'O', 0}),
                                   RiffChunk("data", smf)}));
}

struct Case {
    std::string name;
    Bytes file;
    std::vector<Note> notes = MelodyNotes();
    std::uint16_t division = 96;
    std::vector<std::uint32_t> tempos = {};
};

std::vector<Note> FirstNotes(std::size_t count) {
    std::vector<Note> notes = MelodyNotes();
    notes.resize(count);
    return notes;
}

std::vector<Case> Repairs() {
    Bytes many_tracks = Header(1, 130, 96);
    std::vector<Note> many_notes;
    for (std::uint32_t i = 0; i < 130; ++i) {
        const auto key = static_cast<std::uint8_t>(40 + i % 48);
        Append(many_tracks, Track(Join({Varlen(2 * i), {0x90, key, 90, 1, key, 0}, kEndOfTrack})));
        many_notes.push_back({2 * i, 0x90, key, 90});
        many_notes.push_back({2 * i + 1, 0x90, key, 0});
    }
    const Bytes cut = Track(Join({kSecondHalf, kEndOfTrack}));
    return {
        {"RunningStatusAfterMeta", Join({Header(0, 1, 96), Track(Melody({0xFF, 0x01, 1, 'x'}))})},
        {"RunningStatusAfterSysEx",
         Join({Header(0, 1, 96), Track(Melody({0xF0, 5, 0x7E, 0x7F, 9, 1, 0xF7}))})},
        {"TimeSignatureOfLengthTwo",
         Join({Header(0, 1, 96), Track(Join({{0, 0xFF, 0x58, 2, 4, 2}, Melody(), kEndOfTrack}))})},
        // A tempo means nothing under SMPTE timing: only the one made for it is kept.
        {"Smpte25FramesOf40Ticks",
         Join({Header(0, 1, 0xE728),
               Track(Join({{0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20}, Melody(), kEndOfTrack}))}),
         MelodyNotes(),
         1000,
         {1000000}},
        {"Smpte2997FramesOf80Ticks",
         Join({Header(0, 1, 0xE350), Track(Join({Melody(), kEndOfTrack}))}),
         MelodyNotes(),
         2400,
         {1001001}},
        {"DivisionZero", Join({Header(0, 1, 0), Track(Join({Melody(), kEndOfTrack}))}),
         MelodyNotes(), 480},
        {"HeaderOfEightBytes", Join({Header(0, 1, 96, 2), Track(Join({Melody(), kEndOfTrack}))})},
        {"OneTrackMoreAnnounced", Join({Header(1, 3, 96), Track(kFirstHalf), Track(kSecondHalf)})},
        {"OneTrackFewerAnnounced", Join({Header(1, 1, 96), Track(kFirstHalf), Track(kSecondHalf)})},
        {"LastTrackCutInAnEvent",
         Join({Header(1, 2, 96), Track(kFirstHalf), Bytes(cut.begin(), cut.end() - 6)}),
         FirstNotes(7)},
        {"TrailingBytes", Join({MelodyFile(), {0, 0, 0x12, 0x34, 'x'}})},
        {"UnknownChunkBetweenTracks",
         Join({Header(1, 2, 96), Track(kFirstHalf), Chunk("XTRA", {1, 2, 3}), Track(kSecondHalf)})},
        {"RmidWrapperAroundARepair",
         Rmid(Join({Header(0, 1, 96), Track(Melody({0xFF, 0x01, 1, 'x'}))}))},
        {"MoreTracksThanThePlayerTakes", many_tracks, many_notes},
        {"EscapeAndSystemMessagesDropped",
         Join({Header(0, 1, 96),
               Track(Join({{0, 0xF7, 1, 0xF8, 0, 0xF8}, Melody(), kEndOfTrack}))})},
        {"DeltaLongerThanFourBytesEndsTheTrack",
         Join({Header(0, 1, 96),
               Track(Join({kFirstHalf, {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 72, 100}}))}),
         FirstNotes(4)},
        {"StatusByteInDataEndsTheTrack",
         Join({Header(0, 1, 96), Track(Join({kFirstHalf, {0, 0x90, 0x85, 100}, kSecondHalf}))}),
         FirstNotes(4)},
    };
}

class Repair : public testing::TestWithParam<Case> {};

TEST_P(Repair, PlaysWhatAForgivingSequencerPlays) {
    const Case& c = GetParam();
    const TuneFile tune = ReadTune(c.file);
    ASSERT_EQ(tune.kind, TuneKind::Repaired);
    const Decoded d = Decode(tune.Playable(c.file));
    EXPECT_TRUE(d.strict);
    EXPECT_EQ(d.division, c.division);
    EXPECT_EQ(d.tempos, c.tempos);
    EXPECT_EQ(d.notes, c.notes);
    // The rewritten file reads cleanly.
    EXPECT_EQ(ReadTune(tune.bytes).kind, TuneKind::Clean);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Repair, testing::ValuesIn(Repairs()),
                         [](const testing::TestParamInfo<Case>& c) { return c.param.name; });

TEST(TuneReader, AFileThatReadsCleanlyIsHandedOverAsItIs) {
    // Format 1: a tempo track with meta events of their lengths, then a track
    // with a system-exclusive event, running status among channel messages,
    // a program change and bytes after its end, and one with no end event.
    const Bytes file = Join(
        {Header(1, 3, 96), Track({0,  0xFF, 0x51, 3,    0x07, 0xA1, 0x20, 0, 0xFF, 0x58, 4,    3, 2,
                                  24, 8,    0,    0xFF, 0x59, 2,    0,    0, 0,    0xFF, 0x2F, 0}),
         Track(Join({{0, 0xF0, 3, 0x7E, 0x7F, 0xF7, 0, 0xC0, 5, 0, 0x90, 60, 100, 96, 60, 0},
                     kEndOfTrack,
                     {1, 2, 3}})),
         Track(kSecondHalf)});
    const TuneFile tune = ReadTune(file);
    ASSERT_EQ(tune.kind, TuneKind::Clean);
    EXPECT_TRUE(tune.bytes.empty());
    EXPECT_EQ(tune.Playable(file).data(), file.data());
    EXPECT_EQ(tune.Playable(file).size(), file.size());
}

TEST(TuneReader, ACleanFileInAWrapperIsHandedOverUnwrapped) {
    const Bytes inner = MelodyFile();
    const TuneFile tune = ReadTune(Rmid(inner));
    ASSERT_EQ(tune.kind, TuneKind::Repaired);
    EXPECT_EQ(tune.bytes, inner);
}

TEST(TuneReader, NothingPlayableIsSaidApart) {
    // Notes of velocity 0, controllers and programs; a repair changes nothing.
    const Bytes silent = {0, 0xC0, 5, 0, 0xB0, 7, 100, 0, 0x90, 60, 0, 96, 0x80, 60, 64};
    for (const Bytes& file :
         {Join({Header(0, 1, 96), Track(Join({silent, kEndOfTrack}))}),
          Join({Header(0, 1, 0xE728), Track(silent), {1, 2}}),
          Join({Header(0, 1, 96), Track({0, 0xFF, 0x01, 1, 'x', 0, 60, 100})})}) {
        const TuneFile tune = ReadTune(file);
        EXPECT_EQ(tune.kind, TuneKind::Silent);
        EXPECT_TRUE(tune.Playable(file).empty());
    }
}

TEST(TuneReader, WhatIsNoStandardMidiFileIsNoTune) {
    const Bytes riff_wave = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const Bytes rmid_without_data = {'R', 'I', 'F', 'F', 12,  0,   0,   0, 'R', 'M',
                                     'I', 'D', 'L', 'I', 'S', 'T', 200, 0, 0,   0};
    for (const Bytes& file : {Bytes{}, Bytes{'B', 'M', 0, 0}, Bytes{'M', 'T', 'h', 'd'},
                              Join({Chunk("MThd", {0, 0, 0, 1, 0}), Track(Melody())}), riff_wave,
                              rmid_without_data, Join({Bytes{'x'}, MelodyFile()})}) {
        const TuneFile tune = ReadTune(file);
        EXPECT_EQ(tune.kind, TuneKind::NotATune) << file.size() << " bytes";
        EXPECT_TRUE(tune.Playable(file).empty());
    }
}

// The rewritten file, the most the reader holds, stays within a few times
// the file's size, whatever its events: many one-note tracks, or events of
// two bytes each (running status) in a file that needs its repair.
TEST(TuneReader, ARewrittenFileStaysWithinItsBound) {
    Bytes tracks = Header(1, 1, 96);
    for (int i = 0; i < 2000; ++i) Append(tracks, Track({0x8F, 0x7F, 0x90, 60, 100}));
    Bytes dense = {0, 0x90, 60, 100};
    for (int i = 0; i < 20000; ++i) Append(dense, {0, static_cast<std::uint8_t>(i % 128), 1});
    for (const Bytes& file : {tracks, Join({Header(0, 1, 0xE728), Track(dense)})}) {
        const TuneFile tune = ReadTune(file);
        ASSERT_EQ(tune.kind, TuneKind::Repaired);
        EXPECT_LE(tune.bytes.capacity(), 4 * file.size());
    }
}

}  // namespace
