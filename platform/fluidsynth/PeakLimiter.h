#pragma once

// A stereo lookahead peak limiter for the tune's output.
//  [X] The "Fast Lookahead limiter" LADSPA plugin of Debian's swh-plugins,
//      hosted here: it turns loud passages down smoothly a few milliseconds
//      ahead of their peaks, so nothing reaches the ceiling and nothing is
//      clipped. Below the ceiling the sound passes unchanged.
//  [X] Found in LADSPA_PATH, else in /usr/lib/ladspa and /usr/local/lib/ladspa;
//      without it Load fails and the caller decides.
// Run is safe on an audio thread: it neither allocates nor locks.

#include <cstddef>
#include <vector>

struct _LADSPA_Descriptor;

class PeakLimiter {
public:
    PeakLimiter() = default;
    PeakLimiter(const PeakLimiter&) = delete;
    PeakLimiter& operator=(const PeakLimiter&) = delete;
    ~PeakLimiter();

    // Loads and starts the plugin; false when it is not installed or will
    // not start. `ceiling_db` is the highest sample level let through.
    [[nodiscard]] bool Load(unsigned long sample_rate, float ceiling_db);

    // Limits `frames` frames of two channels in place; does nothing unless
    // Load succeeded.
    void Run(float* left, float* right, std::size_t frames);

private:
    void* m_library = nullptr;
    const _LADSPA_Descriptor* m_plugin = nullptr;
    void* m_instance = nullptr;
    std::vector<float> m_controls;         // one value per port; audio ports leave theirs unused
    std::vector<unsigned long> m_inputs;   // the audio input ports, left first
    std::vector<unsigned long> m_outputs;  // the audio output ports, left first
};
