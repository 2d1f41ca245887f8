#pragma once

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

    void Start() {
        m_application = std::make_unique<Application>(m_platform);
        m_application->Runner().SetTrace(this);
        m_form = std::make_unique<TForm1>(m_platform, m_application->Runner());
        m_form->RunOnCreate();
    }
    void RunUntil(std::int64_t ms) { m_platform.RunUntil(ms, *m_form); }

    void HandlerStarted(HandlerId) override {
        m_state_at_start = m_form->Random().State();
        m_repaints_at_start = m_platform.RepaintRequests();
    }
    void HandlerEnded(HandlerId id) override {
        m_runs.push_back({m_platform.Now(), id, m_form->CurrentStepCount(),
                          m_platform.RepaintRequests() - m_repaints_at_start,
                          DrawsSince(m_state_at_start), m_form->Caption()});
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
    TForm1& Form() { return *m_form; }

private:
    [[nodiscard]] std::uint32_t DrawsSince(std::uint32_t state) const {
        RandomSource replay;
        replay.SetState(state);
        for (std::uint32_t n = 0; n < 1'000'000; ++n) {
            if (replay.State() == m_form->Random().State()) return n;
            replay.RandomBelow(1);
        }
        return ~0u;
    }

    TempWorkingDir m_dir;
    VirtualPlatform m_platform;
    std::unique_ptr<Application> m_application;
    std::unique_ptr<TForm1> m_form;
    std::vector<HandlerRun> m_runs;
    std::uint32_t m_state_at_start = 0;
    long long m_repaints_at_start = 0;
};
