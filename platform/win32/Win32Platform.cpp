// The Win32 platform: see the list in Win32Platform.h.
#include "platform/win32/Win32Platform.h"

#include <string>

#include "platform/win32/Resources.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/WindowsApi.h"

namespace {

constexpr const wchar_t* kApplicationClass = L"ShowApplication";
constexpr const wchar_t* kMainClass = L"TForm1";
constexpr const wchar_t* kTimerClass = L"ShowTimer";

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS;
constexpr DWORD kApplicationStyle =
    WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr WORD kTransparentIcon = SHOW_TRANSPARENT_ICON;

// The resource of a built-in icon; 0 for the system's default size, else that
// square size.
HICON LoadBuiltInIcon(HINSTANCE instance, IconId id, int size) {
    WORD resource = 0;
    switch (id) {
        case IconId::Transparent16:
            resource = kTransparentIcon;
            break;
    }
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size,
                                         size, size == 0 ? LR_DEFAULTSIZE : 0));
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, UINT style,
                         bool with_icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = name;
    if (with_icon) {
        wc.hIcon = LoadBuiltInIcon(instance, IconId::Transparent16, 0);
        wc.hIconSm =
            LoadBuiltInIcon(instance, IconId::Transparent16, GetSystemMetrics(SM_CXSMICON));
    }
    // A second platform in one process finds its classes already there.
    const ATOM atom = RegisterClassExW(&wc);
    return atom != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateOrThrow(DWORD ex_style, const wchar_t* class_name, DWORD style, int x, int y, int width,
                   int height, HWND owner, HINSTANCE instance, void* data) {
    HWND hwnd = CreateWindowExW(ex_style, class_name, L"", style, x, y, width, height, owner,
                                nullptr, instance, data);
    if (hwnd == nullptr) throw WindowSystemRefused();
    return hwnd;
}

}  // namespace

Win32Platform::Win32Platform(void* instance, int show_command)
    : m_windows(std::make_unique<Windows>()) {
    Windows& w = *m_windows;
    w.instance = static_cast<HINSTANCE>(instance);
    w.show_command = show_command;
    if (!RegisterWindowClass(w.instance, kApplicationClass, Windows::ApplicationProc, 0, true) ||
        !RegisterWindowClass(w.instance, kMainClass, Windows::MainProc, CS_DBLCLKS, false) ||
        !RegisterWindowClass(w.instance, kTimerClass, Windows::TimerProc, 0, false)) {
        throw WindowSystemRefused();
    }
    // NOTE: the application window has no area of its own; it exists for its
    // taskbar button and as the owner of the main window and the boxes.
    w.application =
        CreateOrThrow(0, kApplicationClass, kApplicationStyle, GetSystemMetrics(SM_CXSCREEN) / 2,
                      GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, w.instance, &w);
    // Hidden until shown; Attach puts it where the form says.
    w.main = CreateOrThrow(0, kMainClass, kMainStyle, 0, 0, 0, 0, w.application, w.instance, &w);
    for (std::size_t i = 0; i < w.timers.size(); ++i) {
        w.timer_data[i] = TimerWindow{&w, static_cast<TimerId>(i)};
        w.timers[i] = CreateOrThrow(0, kTimerClass, WS_POPUP, 0, 0, 0, 0, nullptr, w.instance,
                                    &w.timer_data[i]);
    }
}

Win32Platform::~Win32Platform() {
    m_windows->quit_on_destroy = false;
    for (HWND hwnd : m_windows->timers) DestroyWindow(hwnd);
    if (IsWindow(m_windows->main)) DestroyWindow(m_windows->main);
    DestroyWindow(m_windows->application);
}

bool Win32Platform::StartTimer(TimerId id, std::uint32_t interval_ms) {
    // A second SetTimer with the same identifier replaces the pending period.
    return SetTimer(m_windows->timers[static_cast<std::size_t>(id)], kTimerIdentifier, interval_ms,
                    nullptr) != 0;
}

void Win32Platform::StopTimer(TimerId id) {
    KillTimer(m_windows->timers[static_cast<std::size_t>(id)], kTimerIdentifier);
}

void Win32Platform::SendMusicCommand(std::string_view command) {
    const std::string text(command);
    mciSendStringA(text.c_str(), nullptr, 0, nullptr);
}

TimeOfDay Win32Platform::UtcTimeOfDay() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return TimeOfDay{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void Win32Platform::Attach(const FormView& form, PlatformEvents& events) {
    Windows& w = *m_windows;
    w.form = &form;
    w.events = &events;
    // At its stored position and outer size, still hidden; no fit is made
    // before the window is shown.
    const Bounds stored = form.StoredBounds();
    SetWindowPos(w.main, nullptr, stored.left, stored.top, stored.width, stored.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(w.main, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadBuiltInIcon(w.instance, form.Icon(), 0)));
    SendMessageW(w.main, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(
                     LoadBuiltInIcon(w.instance, form.Icon(), GetSystemMetrics(SM_CXSMICON))));
}

void Win32Platform::ShowMainWindow() {
    Windows& w = *m_windows;
    if (w.form == nullptr) return;
    w.fitting = true;
    SetWindowPos(w.application, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (w.show_command == SW_SHOWMINNOACTIVE) {
        ShowWindow(w.application, SW_SHOWMINNOACTIVE);
        return;
    }
    ShowWindow(w.main, w.show_command == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    // The first size notification after showing fits the window; this fits it
    // where none came.
    w.Fit();
    UpdateWindow(w.main);
}

int Win32Platform::Run() {
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
