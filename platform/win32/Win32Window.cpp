// The windows' procedures: the main window's messages (painting, the click,
// the fitting, minimising through the application window), the application
// window's, and the timer windows' ticks.
#include "platform/WindowRules.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/WindowsApi.h"

namespace {

template <typename T>
T* WindowData(HWND hwnd) {
    return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Stores the creation parameter as the window's data, so that its procedure
// finds its owner from the first message on.
template <typename T>
T* TakeWindowData(HWND hwnd, UINT message, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return WindowData<T>(hwnd);
}

// Handles one message by `handle`. An exception that comes ends here, where
// the window system called in, and the message gets the system's own
// handling.
template <typename Handle>
LRESULT Guarded(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, Handle handle) noexcept {
    try {
        return handle();
    } catch (...) {
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

SIZE Extent(const RECT& rect) { return SIZE{rect.right - rect.left, rect.bottom - rect.top}; }

}  // namespace

SIZE Win32Platform::Windows::FittedOuterSize(SIZE outer) const {
    const auto style = static_cast<DWORD>(GetWindowLongW(main, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongW(main, GWL_EXSTYLE));
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    const SIZE frame_size = Extent(frame);
    const Size client =
        FittedClientSize(*form, Size{outer.cx - frame_size.cx, outer.cy - frame_size.cy});
    return SIZE{client.width + frame_size.cx, client.height + frame_size.cy};
}

void Win32Platform::Windows::Fit() {
    if (!fitting || form == nullptr || IsIconic(main)) return;
    RECT outer{};
    GetWindowRect(main, &outer);
    const SIZE now = Extent(outer);
    const SIZE size = FittedOuterSize(now);
    if (size.cx == now.cx && size.cy == now.cy) return;
    SetWindowPos(main, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Platform::Windows::Restore() {
    if (!IsWindowVisible(main)) ShowWindow(main, SW_SHOW);
    SetForegroundWindow(main);
}

LRESULT CALLBACK Win32Platform::Windows::ApplicationProc(HWND hwnd, UINT message, WPARAM wparam,
                                                         LPARAM lparam) noexcept {
    return Guarded(hwnd, message, wparam, lparam, [&] {
        Windows* w = TakeWindowData<Windows>(hwnd, message, lparam);
        if (w == nullptr || w->application == nullptr) {
            return DefWindowProcW(hwnd, message, wparam, lparam);
        }
        return w->OnApplicationMessage(hwnd, message, wparam, lparam);
    });
}

LRESULT Win32Platform::Windows::OnApplicationMessage(HWND hwnd, UINT message, WPARAM wparam,
                                                     LPARAM lparam) {
    switch (message) {
        case WM_CLOSE:
            if (IsWindow(main)) PostMessageW(main, WM_CLOSE, 0, 0);
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) == SC_RESTORE && IsIconic(hwnd)) {
                DefWindowProcW(hwnd, message, wparam, lparam);
                Restore();
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK Win32Platform::Windows::MainProc(HWND hwnd, UINT message, WPARAM wparam,
                                                  LPARAM lparam) noexcept {
    return Guarded(hwnd, message, wparam, lparam, [&] {
        Windows* w = TakeWindowData<Windows>(hwnd, message, lparam);
        if (w == nullptr || w->main != hwnd) return DefWindowProcW(hwnd, message, wparam, lparam);
        return w->OnMainMessage(message, wparam, lparam);
    });
}

LRESULT Win32Platform::Windows::OnMainMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // Painting fills the whole client area.
        case WM_PAINT:
            Paint();
            return 0;
        case WM_LBUTTONDOWN:
            clicks.Press(MouseButton::Left);
            SetCapture(main);
            return 0;
        case WM_LBUTTONDBLCLK:
            clicks.DoublePress(MouseButton::Left);
            return 0;
        case WM_LBUTTONUP: {
            const bool click =
                form != nullptr &&
                clicks.Release(MouseButton::Left, *form, static_cast<short>(LOWORD(lparam)),
                               static_cast<short>(HIWORD(lparam)));
            if (GetCapture() == main) ReleaseCapture();
            if (click && events != nullptr) {
                GdiFlush();
                events->OnImageClick();
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            clicks.CaptureLost();
            return 0;
        case WM_GETMINMAXINFO:
            if (fitting && form != nullptr && form->AutoSize()) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
                const SIZE size = FittedOuterSize(SIZE{});
                info->ptMaxSize = POINT{size.cx, size.cy};
                info->ptMinTrackSize = info->ptMaxTrackSize = info->ptMaxSize;
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGING:
            if (fitting && form != nullptr && !IsIconic(main)) {
                auto* pos = reinterpret_cast<WINDOWPOS*>(lparam);
                if ((pos->flags & SWP_NOSIZE) == 0) {
                    const SIZE size = FittedOuterSize(SIZE{pos->cx, pos->cy});
                    pos->cx = size.cx;
                    pos->cy = size.cy;
                }
            }
            break;
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED) Fit();
            return 0;
        case WM_SYSCOMMAND:
            // The taskbar button is the application window's, so minimising
            // goes through it.
            if ((wparam & 0xFFF0) == SC_MINIMIZE) {
                ShowWindow(main, SW_HIDE);
                ShowWindow(application, SW_MINIMIZE);
                return 0;
            }
            break;
        case WM_CLOSE:
            DestroyWindow(main);
            return 0;
        case WM_DESTROY:
            if (quit_on_destroy) PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(main, message, wparam, lparam);
}

LRESULT CALLBACK Win32Platform::Windows::TimerProc(HWND hwnd, UINT message, WPARAM wparam,
                                                   LPARAM lparam) noexcept {
    return Guarded(hwnd, message, wparam, lparam, [&] {
        TimerWindow* timer = TakeWindowData<TimerWindow>(hwnd, message, lparam);
        if (message == WM_TIMER && wparam == kTimerIdentifier && timer != nullptr &&
            timer->windows->events != nullptr) {
            // NOTE: the rows are handed to the handler next; GDI must be done with them.
            GdiFlush();
            timer->windows->events->OnTimer(timer->id);
            return LRESULT{0};
        }
        return DefWindowProcW(hwnd, message, wparam, lparam);
    });
}
