// The replay tool's command-line contract, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/Cp932.h"
#include "core/Messages.h"
#include "tests/support/BmpBuilder.h"
#include "tests/support/TempDir.h"
#include "tools/replay/ReplayOptions.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::vector<std::string> out;
    std::vector<std::string> err;
};

std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Runs replay in the current directory with `args` (already quoted).
Result Replay(const std::string& args) {
    std::string command = std::string("'") + REPLAY_PATH + "' " + args + " >out.txt 2>err.txt";
    int status = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = Lines("out.txt");
    result.err = Lines("err.txt");
    return result;
}

std::string Hex(std::string_view cp932) { return cp932::ToHex(cp932); }

class ReplayTest : public testing::Test {
protected:
    TempWorkingDir m_dir;
};

TEST_F(ReplayTest, BadUsageIsOneLineAndStatus2) {
    fs::create_directory("unreadable");
    fs::permissions("unreadable", fs::perms::none);
    for (const char* args :
         {"--bogus", "extra", "--click", "--click x", "--click -5", "--until 1e3",
          "--clock 24:00:00.000", "--clock 12:00", "--clock 12:60:00.000", "--until 2147483648",
          "--dir missing", "--replace 5", "--replace 5 nofile", "--dir unreadable", "--flashes",
          "--video", kReplayVideo ? "--video=" : "--video show.webm"}) {
        if (std::string(args) == "--dir unreadable" && geteuid() == 0) continue;  // root reads all
        Result r = Replay(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        ASSERT_EQ(r.err.size(), 1u) << args;
        EXPECT_NE(r.err[0].find("usage: replay"), std::string::npos) << args;
    }
    fs::permissions("unreadable", fs::perms::owner_all);
    Result help = Replay("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_FALSE(help.out.empty());
    // A build without the video writer says so.
    bool says_so = false;
    for (const std::string& line : help.out)
        says_so |= line.find("--video is left out") != std::string::npos;
    EXPECT_EQ(says_so, !kReplayVideo);
}

TEST_F(ReplayTest, FlashTableHasALineAFrameAndTheVerdictGoesToStandardError) {
    TempWorkingDir::WritePicture(BmpBuilder{}.Width(3).Height(3).Bytes());
    Result r = Replay("--click 0 --until 3000 --flashes flashes.csv");
    ASSERT_EQ(r.status, 0);
    // The start-up's frame, then a tick's every 30 ms (the step at 3000 and
    // its tick make one).
    const std::vector<std::string> table = Lines("flashes.csv");
    ASSERT_EQ(table.size(), 1u + 1u + 100u);
    EXPECT_EQ(table[0].rfind("ms,field_changed,", 0), 0u);
    EXPECT_EQ(table[1].rfind("0,", 0), 0u);
    EXPECT_EQ(table.back().rfind("3000,", 0), 0u);
    ASSERT_EQ(r.err.size(), 1u);
    EXPECT_NE(r.err[0].find(": pass:"), std::string::npos) << r.err[0];
    EXPECT_EQ(Replay("--click 0 --until 3000").out, r.out) << "the trace is the same";

    Result unwritable = Replay("--until 300 --flashes missing/flashes.csv");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.out.empty());
    ASSERT_EQ(unwritable.err.size(), 1u);
    EXPECT_NE(unwritable.err[0].find("missing/flashes.csv"), std::string::npos);
}

TEST_F(ReplayTest, NoPictureGivesOneErrorBoxAndAnEmptyArea) {
    Result r = Replay("--until 600 --frames frames");
    ASSERT_EQ(r.status, 0);
    const std::string box = Hex(messages::OpenError("[]\\,,,,;,,.bmp")) + "2e";
    EXPECT_EQ(r.out,
              (std::vector<std::string>{"0 FormCreate 0 - 0 -", "0 error " + box,
                                        "300 Timer2Timer 0 - 0 -", "600 Timer2Timer 0 - 0 -"}));
    auto frame = m_dir.Path() / "frames" / "frame-0000000000ms-step0000.bmp";
    ASSERT_TRUE(fs::exists(frame));
    EXPECT_EQ(fs::file_size(frame), 54u + 400 * 400 * 3);
    std::ifstream in(frame, std::ios::binary);
    in.seekg(54 + 1234);
    EXPECT_EQ(in.get(), 240) << "button face";
}

TEST_F(ReplayTest, PictureFieldIsTheCrcOfTheRunsTopRowFirst) {
    fs::create_directory("work");
    fs::current_path("work");
    TempWorkingDir::WritePicture(BmpBuilder{}.Width(5).Height(3).Bytes());
    fs::current_path("..");
    uLong crc = crc32(0, nullptr, 0);
    for (int r = 0; r < 3; ++r) {
        std::uint8_t run[15];
        for (std::size_t i = 0; i < 15; ++i) run[i] = BmpBuilder::Expected(r, i);
        crc = crc32(crc, run, 15);
    }
    char want[32];
    std::snprintf(want, sizeof want, "5x3:%08lx", crc);
    Result r = Replay("--dir work --until 0");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::vector<std::string>{std::string("0 FormCreate 0 ") + want + " 1 -"});
}

TEST_F(ReplayTest, SameMillisecondRunsFileChangesThenClicksThenTicks) {
    TempWorkingDir::WriteFile("pic.bmp", BmpBuilder{}.Width(2).Height(2).Bytes());
    fs::create_directory("work");
    // At 300: the picture appears, then the click restarts the flicker, so
    // the tick due at 300 never comes; at 3300 the step goes before the tick.
    Result r = Replay("--dir work --click 300 --replace 300 pic.bmp --until 3300");
    ASSERT_EQ(r.status, 0);
    ASSERT_GE(r.out.size(), 6u);
    EXPECT_EQ(r.out[0], "0 FormCreate 0 - 0 -");
    EXPECT_EQ(r.out[1].rfind("0 error ", 0), 0u);
    EXPECT_EQ(r.out[2], "300 mci open []\\,,,,;,,.mid type sequencer alias midifile");
    EXPECT_EQ(r.out[3], "300 mci play midifile");
    EXPECT_EQ(r.out[4], "300 Image1Click 0 - 0 -");
    EXPECT_EQ(r.out[5].rfind("330 Timer2Timer 0 - 0 -", 0), 0u);
    EXPECT_EQ(r.out[r.out.size() - 2].rfind("3300 Timer1Timer 1 - 0 -", 0), 0u);
    EXPECT_EQ(r.out.back(), "3300 Timer2Timer 1 - 0 -");
    EXPECT_TRUE(fs::exists("work/[]/,,,,;,,.bmp")) << "--replace creates the folder";
}

TEST_F(ReplayTest, FramesSortInShowOrder) {
    TempWorkingDir::WritePicture(BmpBuilder{}.Width(3).Height(3).Bytes());
    Result r = Replay("--click 0 --until 9000 --frames out/frames --remove 5000");
    ASSERT_EQ(r.status, 0);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("out/frames"))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{
                         "frame-0000000000ms-step0000.bmp", "frame-0000003000ms-step0001.bmp",
                         "frame-0000006000ms-step0002.bmp", "frame-0000009000ms-step0003.bmp"}));
    EXPECT_FALSE(fs::exists("[]/,,,,;,,.bmp"));
}

}  // namespace
