// The show end to end on the virtual clock: what a user would see and hear,
// step by step.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/Messages.h"
#include "show/GlitchTitle.h"
#include "tests/support/BmpBuilder.h"
#include "tests/support/ShowHarness.h"

namespace {

constexpr std::int32_t kRows = 10;

const std::string kOpenTune = "open []\\,,,,;,,.mid type sequencer alias midifile";
const std::string kPlayTune = "play midifile";

std::vector<std::uint8_t> Picture() { return BmpBuilder{}.Width(7).Height(kRows).Bytes(); }

std::string BoxText(std::string_view message) { return std::string(message) + "."; }

// A copy of the picture's run bytes, top row first.
std::vector<std::uint8_t> Bytes(const WorkPicture& picture) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t r = 0; r < picture.Height(); ++r) {
        const std::uint8_t* row = picture.Row(r);
        bytes.insert(bytes.end(), row, row + picture.Width() * 3);
    }
    return bytes;
}

TEST(Show, StepsFallEveryThreeSecondsFromTheFirstClick) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().ScheduleClick(1000);
    show.Platform().ScheduleClick(2000);
    show.Start();
    show.RunUntil(1000 + 36 * 3000);

    auto steps = show.Runs(HandlerId::Timer1Timer);
    ASSERT_EQ(steps.size(), 36u);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].ms, 1000 + 3000 * static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(steps[i].step_count, static_cast<std::int32_t>(i + 1));
    }
    // Both clicks send both commands; the second leaves the flicker at 30 ms.
    const auto& music = show.Platform().MusicCommands();
    ASSERT_EQ(music.size(), 4u);
    EXPECT_EQ(music[0].text, kOpenTune);
    EXPECT_EQ(music[1].text, kPlayTune);
    EXPECT_EQ(music[2].ms, 2000);
    EXPECT_EQ(music[3].text, kPlayTune);
    EXPECT_TRUE(show.Platform().ErrorBoxes().empty());
}

TEST(Show, FlickerRunsAt300ThenAt30ThenAt600) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().ScheduleClick(450);
    show.Start();
    show.RunUntil(450 + 102000 + 1200);
    auto ticks = show.Runs(HandlerId::Timer2Timer);
    ASSERT_GT(ticks.size(), 3u);
    EXPECT_EQ(ticks[0].ms, 300);
    EXPECT_EQ(ticks[1].ms, 480);  // the click restarted the period at 450
    EXPECT_EQ(ticks[2].ms, 510);
    EXPECT_EQ(ticks[ticks.size() - 2].ms, 450 + 102000 + 600);
    EXPECT_EQ(ticks.back().ms, 450 + 102000 + 1200);
    EXPECT_EQ(show.Platform().TimerInterval(TimerId::Timer2), 600u);
}

TEST(Show, EachTickDrawsOncePerRowAndOnceMoreForTheGlitch) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().ScheduleClick(0);
    show.Start();
    show.RunUntil(110000);
    std::string last_glitch;
    for (const HandlerRun& tick : show.Runs(HandlerId::Timer2Timer)) {
        const bool glitch = tick.step_count >= 10 && tick.step_count <= 25;
        ASSERT_EQ(tick.draws, static_cast<std::uint32_t>(kRows + (glitch ? 1 : 0))) << tick.ms;
        EXPECT_EQ(tick.marks, 1);
        if (tick.step_count < 10) {
            ASSERT_EQ(tick.title, "") << tick.ms;
        } else if (glitch) {
            const std::size_t m = (tick.title.size() - 4) / 2;
            ASSERT_TRUE(m >= 1 && m <= 30) << tick.ms;
            ASSERT_EQ(tick.title, GlitchTitle(static_cast<std::uint32_t>(m)));
            last_glitch = tick.title;
        } else {
            ASSERT_EQ(tick.title, last_glitch) << "the last glitch text stays after step 25";
        }
    }
    // Steps 12 to 24 each draw one colour flip; the others draw nothing.
    for (const HandlerRun& step : show.Runs(HandlerId::Timer1Timer)) {
        const bool flip = step.step_count >= 12 && step.step_count <= 24;
        EXPECT_EQ(step.draws, flip ? 1u : 0u) << step.step_count;
    }
}

// Passes events on to the form and keeps the picture as each step left it.
struct StepRecorder : PlatformEvents {
    explicit StepRecorder(TForm1& f) : form(f) {}
    void OnImageClick() override { form.OnImageClick(); }
    void OnTimer(TimerId id) override {
        form.OnTimer(id);
        if (id == TimerId::Timer1) after_step.push_back(Bytes(*form.WorkBitmapOrNull()));
    }
    TForm1& form;
    std::vector<std::vector<std::uint8_t>> after_step;
};

TEST(Show, StepsWashOutReloadAndInvert) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().ScheduleClick(0);
    show.Start();
    const auto clean = Bytes(*show.Form().WorkBitmapOrNull());
    auto inverted = clean;
    for (auto& b : inverted) b = static_cast<std::uint8_t>(b ^ 255);
    StepRecorder steps(show.Form());
    show.Platform().RunUntil(99000, steps);
    ASSERT_EQ(steps.after_step.size(), 33u);

    // Steps 1 to 7 set the bits of 6 x v: after 7, every byte has the bits of
    // 62 (the noise only flips the low four).
    for (std::uint8_t b : steps.after_step[6]) ASSERT_EQ(b & 0x30, 0x30);
    EXPECT_EQ(steps.after_step[7], clean) << "step 8 reloads";
    EXPECT_EQ(steps.after_step[24], inverted) << "step 25 reloads and inverts";
    for (std::uint8_t b : steps.after_step[30]) ASSERT_EQ(b, 255) << "step 31: white";
    // Black, but for the noise since step 31.
    for (std::uint8_t b : steps.after_step[31]) ASSERT_LE(b, 15) << "step 32: black";
    auto runs = show.Runs(HandlerId::Timer1Timer);
    EXPECT_EQ(runs[24].marks, 2);  // the load and the inversion
    EXPECT_EQ(runs[25].marks, 1);  // XOR 0: a refresh only
    EXPECT_EQ(runs[26].marks, 0);
}

TEST(Show, PictureRemovedMidShowReportsBothReloadsAndSkipsTheInversion) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().ScheduleAction(5000, [] { std::filesystem::remove("[]/,,,,;,,.bmp"); });
    show.Platform().ScheduleClick(0);
    show.Start();
    show.RunUntil(80000);
    const auto& boxes = show.Platform().ErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].ms, 24000);
    EXPECT_EQ(boxes[1].ms, 75000);
    EXPECT_EQ(boxes[0].text, BoxText(messages::OpenError("[]\\,,,,;,,.bmp")));
    EXPECT_EQ(boxes[0].caption, "Project1");
    auto steps = show.Runs(HandlerId::Timer1Timer);
    EXPECT_EQ(steps[7].marks, 0);
    EXPECT_EQ(steps[24].marks, 0) << "no inversion after the failed reload";
    EXPECT_EQ(steps[25].step_count, 26);  // the show goes on
}

TEST(Show, BrokenFilesAtAReloadRaiseTheirErrorsAndEmptyOnesNone) {
    ShowHarness show;
    show.WritePicture(Picture());
    auto picture = Picture();
    show.Platform().ScheduleAction(23000, [picture] {
        TempWorkingDir::WritePicture(
            std::vector<std::uint8_t>(picture.begin(), picture.begin() + 9));
    });
    show.Platform().ScheduleAction(74000, [] { TempWorkingDir::WritePicture({}); });
    show.Platform().ScheduleClick(0);
    show.Start();
    show.RunUntil(76000);
    const auto& boxes = show.Platform().ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, BoxText(messages::kReadError));
    // The empty file empties the picture: no repaint, and the flicker then
    // changes nothing.
    EXPECT_TRUE(show.Form().WorkBitmapOrNull()->Empty());
    EXPECT_EQ(show.Runs(HandlerId::Timer1Timer)[24].marks, 0);
    auto ticks = show.Runs(HandlerId::Timer2Timer);
    EXPECT_EQ(ticks.back().marks, 0);
    EXPECT_EQ(ticks.back().draws, 1u);  // only the glitch's
}

TEST(Show, WithoutAPictureStartUpReportsOnceAndTheShowStillRuns) {
    ShowHarness show;
    show.Platform().ScheduleClick(100);
    show.Start();
    show.RunUntil(103000);
    const auto& boxes = show.Platform().ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u) << "the reloads are skipped without a box";
    EXPECT_EQ(boxes[0].ms, 0);
    EXPECT_EQ(show.Form().WorkBitmapOrNull(), nullptr);
    EXPECT_EQ(show.Form().CurrentStepCount(), 34);
    for (const HandlerRun& tick : show.Runs(HandlerId::Timer2Timer)) {
        ASSERT_EQ(tick.marks, 0);
        ASSERT_EQ(tick.draws, tick.step_count >= 10 && tick.step_count <= 25 ? 1u : 0u);
    }
    EXPECT_FALSE(show.Form().Caption().empty());
    EXPECT_EQ(show.Platform().TimerInterval(TimerId::Timer2), 600u);
}

TEST(Show, ClickAfterTheShowBringsTheFlickerBackTo30) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().ScheduleClick(0);
    show.Platform().ScheduleClick(110000);
    show.Start();
    show.RunUntil(111000);
    EXPECT_EQ(show.Platform().TimerInterval(TimerId::Timer2), 30u);
    auto steps = show.Runs(HandlerId::Timer1Timer);
    EXPECT_EQ(steps.back().ms, 111000) << "the step period is not restarted";
    EXPECT_EQ(steps.back().marks, 0);
}

TEST(Show, RefusedStepTimerSkipsTheRestOfTheClick) {
    ShowHarness show;
    show.WritePicture(Picture());
    show.Platform().RefuseTimerStarts(TimerId::Timer1, 1);
    show.Platform().ScheduleClick(1000);
    show.Platform().ScheduleClick(2000);
    show.Start();
    show.RunUntil(1999);
    const auto& boxes = show.Platform().ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, BoxText(messages::kTimerRefused));
    EXPECT_TRUE(show.Platform().MusicCommands().empty());
    EXPECT_EQ(show.Platform().TimerInterval(TimerId::Timer2), 300u);
    // The second click finds Enabled already true: the step timer stays
    // stopped, and the rest of the click goes on.
    show.RunUntil(20000);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(show.Platform().MusicCommands().size(), 2u);
    EXPECT_EQ(show.Platform().TimerInterval(TimerId::Timer2), 30u);
    EXPECT_TRUE(show.Runs(HandlerId::Timer1Timer).empty());
}

TEST(Show, LayoutScalesWithTheDisplaySetting) {
    ShowHarness at120;
    at120.Platform().SetPixelsPerInch(120);
    at120.Start();
    EXPECT_EQ(at120.Form().Font().height, -15);
    EXPECT_EQ(at120.Form().ClientWidth(), 500);
    EXPECT_EQ(at120.Form().ClientHeight(), 500);
    EXPECT_EQ(at120.Form().StoredBounds(), (Bounds{272, 184, 408, 429}));

    ShowHarness tall_font;
    tall_font.Platform().SetTextHeightFunction([](int) { return 13; });
    tall_font.Start();
    EXPECT_EQ(tall_font.Form().Font().height, -12);
    EXPECT_EQ(tall_font.Form().ClientWidth(), 433);

    ShowHarness plain;
    plain.Start();
    EXPECT_EQ(plain.Form().ClientWidth(), 400);
}

TEST(Show, SameSeedSameShowWhateverTheDate) {
    auto run = [] {
        ShowHarness show({7, 8, 9, 10});
        show.WritePicture(Picture());
        show.Platform().ScheduleClick(0);
        show.Start();
        show.RunUntil(40000);
        return std::pair(show.Form().Random().State(), Bytes(*show.Form().WorkBitmapOrNull()));
    };
    EXPECT_EQ(run(), run());
}

}  // namespace
