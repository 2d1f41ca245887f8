#include "tools/replay/Recorders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "show/Schedule.h"
#ifdef SHOW_REPLAY_VIDEO
#include "tools/replay/VideoWriter.h"
#endif

Recorders::Recorders() : m_table(nullptr, &std::fclose) {}

Recorders::~Recorders() = default;

bool Recorders::Open(const ReplayOptions& options, std::FILE* err) {
    if (options.flashes) {
        m_table.reset(std::fopen(options.flashes->string().c_str(), "w"));
        if (!m_table) {
            std::fprintf(err, "replay: cannot write the flash table %s: %s\n",
                         options.flashes->string().c_str(), std::strerror(errno));
            return false;
        }
        m_meter.emplace(m_table.get());
    }
#ifdef SHOW_REPLAY_VIDEO
    if (options.video) {
        VideoSettings settings;
        settings.end_ms = options.until;
        // Every timer period is a multiple of 30 ms, so a frame falls off the
        // tick grid only when a click does.
        settings.ticks_time_base = std::ranges::all_of(
            options.clicks, [](std::int64_t ms) { return ms % kShowFlickerInterval == 0; });
        settings.progress = err;
        std::string error;
        m_video = VideoWriter::Open(*options.video, settings, error);
        if (!m_video) {
            std::fprintf(err, "replay: %s\n", error.c_str());
            return false;
        }
    }
#endif
    return true;
}

std::vector<FrameSink*> Recorders::Sinks() {
    std::vector<FrameSink*> sinks;
    if (m_meter) sinks.push_back(&*m_meter);
    if (m_video) sinks.push_back(m_video.get());
    return sinks;
}

bool Recorders::Close(const ReplayOptions& options, std::FILE* err) {
    if (!m_meter) return true;
    const bool written = std::fclose(m_table.release()) == 0;
    if (!written) {
        std::fprintf(err, "replay: cannot write the flash table %s\n",
                     options.flashes->string().c_str());
    }
    std::fprintf(err, "replay: %s\n", m_meter->Verdict().c_str());
    return written;
}
