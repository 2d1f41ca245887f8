#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Cp932.h"
#include "core/TimeOfDay.h"
#include "picture/PixelStorage.h"
#include "platform/FormView.h"

class PlatformEvents;

// All the show needs from a window system. The portable code calls nothing
// else; no OS type crosses this interface. Backends only translate: the rules
// (same value does nothing, what the title says, the error text, the click,
// the fitted size) live in the portable code. Start-up (app/Project1.h) calls
// these in one order, the same for every backend.

enum class TimerId : std::uint8_t { Timer1, Timer2 };

// Whether a byte starts a double-byte character in some code page.
using LeadByteTest = bool (*)(char);

// The code page a platform names its files in.
enum class PathCodePage : std::uint8_t {
    Cp932,  // Shift-JIS
    Ansi,   // the system's ANSI code page (Windows)
    Utf8,   // the file system's bytes where they are UTF-8 (Linux, the web)
};

// No byte of UTF-8 is a lead byte in this sense: no byte of a multi-byte
// character is ever "\\" or ".", which is all the title's cut looks for.
inline bool NoLeadBytes(char /*c*/) { return false; }

// The window font, used only to scale the layout.
struct FontSpec {
    std::int32_t height = 0;   // negative: character height in pixels
    std::uint8_t charset = 0;  // 128: Shift-JIS
    std::string_view face;     // code page 932
};

class Platform {
public:
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    virtual ~Platform() = default;

    // The application title, which labels the taskbar entry; in the code page
    // of ExecutablePath, which it is made from.
    virtual void SetApplicationTitle(std::string_view title) = 0;
    // The main window shows `form` and sends its clicks and timer ticks to
    // `events`; both outlive the event loop. Called once, before any timer
    // can tick and before the window is shown.
    virtual void Attach(const FormView& form, PlatformEvents& events) = 0;
    // Shows the main window at the form's stored position, fitted to it from
    // then on, as the process was asked to show it.
    virtual void ShowMainWindow() = 0;
    // Runs the event loop until the main window is closed; the process's exit
    // status.
    [[nodiscard]] virtual int Run() = 0;

    // Starts a new period of `interval_ms`, cancelling any pending one; false
    // when the platform refuses the timer.
    [[nodiscard]] virtual bool StartTimer(TimerId id, std::uint32_t interval_ms) = 0;
    virtual void StopTimer(TimerId id) = 0;

    virtual void SetTitle(std::string_view cp932) = 0;
    // The picture changed: repaint the picture area once the handler returns.
    virtual void RequestRepaint() = 0;
    // Modal; returns when dismissed. The caption is the application title, in
    // its own code page (ExecutablePath's); the text is code page 932.
    virtual void ShowErrorBox(std::string_view caption, std::string_view text_cp932) = 0;
    // Fire and forget: results are never looked at.
    virtual void SendMusicCommand(std::string_view command) = 0;

    [[nodiscard]] virtual TimeOfDay UtcTimeOfDay() = 0;
    [[nodiscard]] virtual int PixelsPerInch() = 0;
    // Height in pixels of the text "0" drawn in `font` on the window's surface.
    [[nodiscard]] virtual int MeasureTextHeight(const FontSpec& font) = 0;

    // The executable's full path, folders separated by "\\", in the code page
    // the platform names files in (PathEncoding). The application title is
    // cut from it and keeps that code page to the screen: its taskbar entry,
    // its icon name and the error boxes' captions.
    [[nodiscard]] virtual std::string ExecutablePath() = 0;
    [[nodiscard]] virtual PathCodePage PathEncoding() = 0;
    // The lead bytes of ExecutablePath's code page; the ANSI code page's
    // come from the platform that has it.
    [[nodiscard]] virtual LeadByteTest PathLeadBytes() {
        if (PathEncoding() == PathCodePage::Utf8) return NoLeadBytes;
        return cp932::IsLeadByte;
    }
    // Lowers the letters of a text in ExecutablePath's code page as the
    // platform does: A-Z alone, stepping over the code page's double-byte
    // characters (none in UTF-8, whose multi-byte characters hold no byte
    // below 0x80), unless the platform lowers its ANSI code page itself.
    virtual void LowerCase(std::string& text) { cp932::LowerLatinLetters(text, PathLeadBytes()); }

    // Where the working picture's rows are kept: plain heap memory unless the
    // platform draws from storage of its own.
    [[nodiscard]] virtual PixelAllocator& Pixels() { return HeapPixels(); }
};

// What a platform delivers to the show, one event at a time.
class PlatformEvents {
public:
    virtual ~PlatformEvents() = default;
    virtual void OnImageClick() = 0;
    virtual void OnTimer(TimerId id) = 0;
};
