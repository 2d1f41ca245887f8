// The modal error box, with every window of the thread disabled while it is
// open.
#include <string>
#include <vector>

#include "platform/WindowRules.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/WindowsApi.h"

namespace {

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM list) {
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    }
    return TRUE;
}

// The thread's visible, enabled windows, disabled while a modal box is open.
std::vector<HWND> DisableThreadWindows() {
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabled));
    for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);
    return disabled;
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
