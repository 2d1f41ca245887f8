#pragma once

// The level of a sound file, measured by libebur128 (EBU R 128 / ITU-R
// BS.1770): integrated loudness and the true peak, found between samples by
// oversampling, beside the plain sample peak and the length.

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

struct WavLevel {
    bool read = false;
    double seconds = 0;
    double lufs = -std::numeric_limits<double>::infinity();            // integrated loudness
    double true_peak_db = -std::numeric_limits<double>::infinity();    // dBTP
    double sample_peak_db = -std::numeric_limits<double>::infinity();  // dBFS
    // The end of the last 50 ms block from the start whose power over all
    // channels is above -60 dBFS; 0 when none is.
    double last_sound_seconds = 0;
};

inline WavLevel MeasureWav(const std::filesystem::path& path) {
    WavLevel level;
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info),
                                                           sf_close);
    if (file == nullptr || info.channels < 1) return level;
    const auto channels = static_cast<unsigned>(info.channels);
    const std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> meter(
        ebur128_init(channels, static_cast<unsigned long>(info.samplerate),
                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_SAMPLE_PEAK),
        [](ebur128_state* state) { ebur128_destroy(&state); });
    if (meter == nullptr) return level;

    const sf_count_t block = info.samplerate / 20;
    const double quiet = 1e-6 * channels * static_cast<double>(block);
    sf_count_t frame = 0;
    sf_count_t last_sound = 0;
    double power = 0;
    constexpr sf_count_t kFrames = 4096;
    std::vector<float> samples(static_cast<std::size_t>(kFrames) * channels);
    sf_count_t got = 0;
    while ((got = sf_readf_float(file.get(), samples.data(), kFrames)) > 0) {
        ebur128_add_frames_float(meter.get(), samples.data(), static_cast<std::size_t>(got));
        for (sf_count_t i = 0; i < got; ++i) {
            for (unsigned c = 0; c < channels; ++c) {
                const auto sample =
                    static_cast<double>(samples[static_cast<std::size_t>(i) * channels + c]);
                power += sample * sample;
            }
            if (++frame % block == 0 || frame == info.frames) {
                if (power > quiet) last_sound = frame;
                power = 0;
            }
        }
    }
    level.last_sound_seconds = static_cast<double>(last_sound) / info.samplerate;
    double true_peak = 0;
    double sample_peak = 0;
    for (unsigned c = 0; c < channels; ++c) {
        double peak = 0;
        if (ebur128_true_peak(meter.get(), c, &peak) == EBUR128_SUCCESS) {
            true_peak = std::max(true_peak, peak);
        }
        if (ebur128_sample_peak(meter.get(), c, &peak) == EBUR128_SUCCESS) {
            sample_peak = std::max(sample_peak, peak);
        }
    }
    level.read = ebur128_loudness_global(meter.get(), &level.lufs) == EBUR128_SUCCESS;
    level.seconds = static_cast<double>(info.frames) / info.samplerate;
    level.true_peak_db = 20 * std::log10(true_peak);
    level.sample_peak_db = 20 * std::log10(sample_peak);
    return level;
}
