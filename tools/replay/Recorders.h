#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "tools/replay/Flashes.h"
#include "tools/replay/FrameSink.h"
#include "tools/replay/ReplayOptions.h"

// The recorders a run's options ask for: the flash meter and the video.
class Recorders {
public:
    Recorders();
    Recorders(const Recorders&) = delete;
    Recorders& operator=(const Recorders&) = delete;
    ~Recorders();

    // Opens their files before the run, so that a path that cannot be written
    // stops it at once; false, with the reason on `err`, when one fails.
    bool Open(const ReplayOptions& options, std::FILE* err);
    [[nodiscard]] std::vector<FrameSink*> Sinks();
    // After the run (and the sinks' Finish): closes the flash table and
    // prints the flash verdict on `err`; false when the table failed.
    bool Close(const ReplayOptions& options, std::FILE* err);

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_table;
    std::optional<FlashMeter> m_meter;
    std::unique_ptr<FrameSink> m_video;
};
