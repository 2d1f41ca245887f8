#pragma once

// The backend's windows, shared by its files (not part of the platform's
// interface): the application window, the main window and the timer windows,
// with the form and events they serve. The backend's files, by concern:
//   Win32Platform.cpp  making the windows; the timers, the music, the clock
//   Win32Window.cpp    the windows' procedures and the fitting
//   Win32Paint.cpp     painting the main window
//   Win32ErrorBox.cpp  the modal error box
//   Win32Text.cpp      the titles, the window font's measure, the ANSI paths
//   WideText.cpp       texts as UTF-16 for the wide functions
//   DibPixels.cpp      the picture's rows in a DIB section

#include <array>

#include "platform/WindowRules.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

// The identifier of every timer window's one timer.
inline constexpr UINT_PTR kTimerIdentifier = 1;

// What a timer window's procedure finds as its window's data.
struct TimerWindow {
    struct Win32Platform::Windows* windows;
    TimerId id;
};

struct Win32Platform::Windows {
    HINSTANCE instance = nullptr;
    int show_command = SW_SHOWNORMAL;
    HWND application = nullptr;
    HWND main = nullptr;
    std::array<TimerWindow, 2> timer_data{};
    std::array<HWND, 2> timers{};
    const FormView* form = nullptr;
    PlatformEvents* events = nullptr;
    bool fitting = false;
    ClickRule clicks;
    // The user closing the window ends the loop; the platform going away does not.
    bool quit_on_destroy = true;

    // The window procedures. No exception leaves them: it would unwind
    // through the window system's C frames.
    static LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wparam,
                                            LPARAM lparam) noexcept;
    static LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
    static LRESULT CALLBACK TimerProc(HWND hwnd, UINT message, WPARAM wparam,
                                      LPARAM lparam) noexcept;

    LRESULT OnApplicationMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnMainMessage(UINT message, WPARAM wparam, LPARAM lparam);

    [[nodiscard]] RECT PictureRect() const;
    // The outer size for the fitted client size, for a window of outer size
    // `outer` now.
    [[nodiscard]] SIZE FittedOuterSize(SIZE outer) const;
    void Fit();
    void Paint();
    void PaintPicture(HDC dc, const PixelRows& rows, const RECT& area) const;
    void Restore();
};
