// The modal error box, with every window of the thread disabled while it is
// open.
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "platform/WindowRules.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/WindowsApi.h"

namespace {

// The windows the enumeration found, and what stopped it when their list
// could not grow.
struct EnabledWindows {
    std::vector<HWND> windows;
    std::exception_ptr failure;
};

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM found) noexcept {
    auto& collected = *reinterpret_cast<EnabledWindows*>(found);
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        // NOTE: no exception may unwind through the window system: a failure
        // stops the enumeration, for the caller to throw.
        try {
            collected.windows.push_back(hwnd);
        } catch (...) {
            collected.failure = std::current_exception();
            return FALSE;
        }
    }
    return TRUE;
}

// The thread's visible, enabled windows, disabled while a modal box is open.
// Throws, with none disabled, when their list cannot be made.
std::vector<HWND> DisableThreadWindows() {
    EnabledWindows collected;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&collected));
    if (collected.failure) std::rethrow_exception(collected.failure);
    for (HWND hwnd : collected.windows) EnableWindow(hwnd, FALSE);
    return std::move(collected.windows);
}

}  // namespace

void Win32Platform::ShowErrorBox(std::string_view caption, std::string_view text_cp932) {
    const std::wstring wide_caption = WideFromAnsi(caption);
    const std::wstring text = WideFromCp932(text_cp932);
    RunBoxThenActivateAgain(
        GetActiveWindow(),
        [&] {
            const std::vector<HWND> disabled = DisableThreadWindows();
            // NOTE: MessageBoxW runs its own message loop, so WM_TIMER keeps
            // arriving while it is open and the show goes on behind it.
            MessageBoxW(m_windows->application, text.c_str(), wide_caption.c_str(),
                        MB_OK | MB_ICONSTOP);
            for (HWND hwnd : disabled) {
                if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
            }
        },
        [](HWND hwnd) { return IsWindow(hwnd) != FALSE; },
        [](HWND hwnd) { SetActiveWindow(hwnd); });
}
