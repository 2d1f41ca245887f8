#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// What replay hands to a recorder of the run (the flash meter, the video
// writer): the picture area each time the show repaints it, and the music
// commands, in the order of the virtual clock.
class FrameSink {
public:
    virtual ~FrameSink() = default;

    // The area, `width` x `height` blue, green, red triples, top row first,
    // as it shows from `ms` until the next frame. Times only grow. False on a
    // failure that ends the recording; Error() then says why.
    virtual bool Frame(std::int64_t ms, std::span<const std::uint8_t> bgr, int width,
                       int height) = 0;
    // A music command sent at `ms`, after the frames before it.
    virtual bool MusicCommand(std::int64_t /*ms*/, std::string_view /*command*/) { return true; }
    // The run is over at `end_ms`, where the last frame stops showing.
    virtual bool Finish(std::int64_t end_ms) = 0;

    [[nodiscard]] virtual std::string Error() const = 0;
};
