#pragma once

// The show as a video file: VP9 picture and Opus sound in WebM.
//  [X] Every frame replay hands over, at its own time: with every click on
//      the 30 ms grid the encoder counts in ticks of 30 ms (time base 3/100,
//      33 1/3 frames a second at most, no drift), otherwise in milliseconds;
//      WebM stores milliseconds.
//  [X] The sound at 48 kHz through the desktop program's synthesizer, gain
//      and limiter, with the system's soundfont. The music commands go to the
//      same interpreter as the desktop's, at their time to the sample, so a
//      later click's commands do what they do there.
//  [X] The picture converted to 4:2:0 with the BT.601 matrix at limited
//      range, tagged so; sRGB primaries and transfer.
//  [X] A file that fails on the way is removed, as is one whose run was
//      abandoned or interrupted (SIGINT, SIGTERM, SIGHUP): only a finished
//      video is left.
//  [X] A line on the progress every 10 s of show.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/replay/FrameSink.h"

struct VideoSettings {
    std::int64_t end_ms = 0;        // for the progress lines
    bool ticks_time_base = true;    // every frame on the 30 ms grid
    std::FILE* progress = nullptr;  // may be null
};

class VideoWriter final : public FrameSink {
public:
    // Opens `file` for writing and readies the encoders and the synthesizer;
    // null with `error` set when any of it fails.
    static std::unique_ptr<VideoWriter> Open(const std::filesystem::path& file,
                                             const VideoSettings& settings, std::string& error);
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;
    // Removes the file unless Finish succeeded.
    ~VideoWriter() override;

    bool Frame(std::int64_t ms, std::span<const std::uint8_t> bgr, int width, int height) override;
    bool MusicCommand(std::int64_t ms, std::string_view command) override;
    bool Finish(std::int64_t end_ms) override;
    [[nodiscard]] std::string Error() const override { return m_error; }

    static constexpr int kSampleRate = 48000;

    // The encoders, the file and the synthesizer (VideoWriter.cpp alone).
    struct State;

private:
    explicit VideoWriter(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
    std::string m_error;
};
