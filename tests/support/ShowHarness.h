#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Project1.h"
#include "app/Unit1.h"
#include "platform/virtual/VirtualPlatform.h"
#include "tests/support/TempDir.h"

// One handler run as the show's trace sees it.
struct HandlerRun {
    std::int64_t ms;
    HandlerId id;
    std::int32_t step_count;
    long long marks;
    std::uint32_t draws;  // random draws the handler made
    std::string title;
};

// Runs the real start-up and handlers on the virtual clock in a fresh working
// directory, recording every handler run.
class ShowHarness final : public HandlerTrace {
public:
    explicit ShowHarness(TimeOfDay clock = {12, 0, 0, 0}) : m_platform(clock) {}

    // Writes the picture file; call before Start.
    void WritePicture(const std::vector<std::uint8_t>& bytes) {
        TempWorkingDir::WritePicture(bytes);
    }

    // The program's start-up, as every platform runs it.
    void Start() {
        m_program = std::make_unique<Project1>(m_platform, this);
        ASSERT_TRUE(m_program->Start());
    }
    void RunUntil(std::int64_t ms) { m_platform.RunUntil(ms); }

    void HandlerStarted(HandlerId) override {
        m_state_at_start = Form().Random().State();
        m_repaints_at_start = m_platform.RepaintRequests();
    }
    void HandlerEnded(HandlerId id) override {
        m_runs.push_back({m_platform.Now(), id, Form().CurrentStepCount(),
                          m_platform.RepaintRequests() - m_repaints_at_start,
                          DrawsSince(m_state_at_start), std::string(Form().Caption())});
    }

    // The runs of one handler.
    [[nodiscard]] std::vector<HandlerRun> Runs(HandlerId id) const {
        std::vector<HandlerRun> runs;
        for (const auto& run : m_runs) {
            if (run.id == id) runs.push_back(run);
        }
        return runs;
    }
    [[nodiscard]] const std::vector<HandlerRun>& AllRuns() const { return m_runs; }
    VirtualPlatform& Platform() { return m_platform; }
    TForm1& Form() { return *m_program->Form(); }

private:
    [[nodiscard]] std::uint32_t DrawsSince(std::uint32_t state) const {
        RandomSource replay;
        replay.SetState(state);
        for (std::uint32_t n = 0; n < 1'000'000; ++n) {
            if (replay.State() == m_program->Form()->Random().State()) return n;
            replay.RandomBelow(1);
        }
        return ~0u;
    }

    TempWorkingDir m_dir;
    VirtualPlatform m_platform;
    std::unique_ptr<Project1> m_program;
    std::vector<HandlerRun> m_runs;
    std::uint32_t m_state_at_start = 0;
    long long m_repaints_at_start = 0;
};
