#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class RandomSource;

// What the show's rules act on: the main window's picture, timers, title and
// music device. TForm1 is the one target of the program; tests bring their own.
class ShowTarget {
public:
    virtual ~ShowTarget() = default;

    // The step timer starts running; while it runs, this leaves its period alone.
    virtual void EnableStepTimer() = 0;
    virtual void SetFlickerInterval(std::uint32_t interval_ms) = 0;
    virtual void SendMusicCommand(std::string_view command) = 0;
    // The picture effects, each followed by a refresh; skipped while there is
    // no picture.
    virtual void OrBitmap(std::uint8_t value) = 0;
    virtual void XorBitmap(std::uint8_t value) = 0;
    virtual void NoiseBitmap(RandomSource& random) = 0;
    // Loads the picture file again into the picture.
    virtual void ReloadWorkBitmap() = 0;
    // The window title, in code page 932; an unchanged title does nothing.
    virtual void SetCaption(std::string caption) = 0;
};
