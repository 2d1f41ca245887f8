// Reads and works the show's windows from another process under the same
// window system, for the end-to-end run. One command a run, one result a line:
//   win_probe main        the main window once it is visible: its rect, client
//                         size and origin on the screen, state, title (UTF-8
//                         hex), the button-face colour, the owner's title, and
//                         the display setting in pixels per inch
//   win_probe box         the open error box in front: its rect, caption and text (UTF-8 hex),
//                         its owner's class, whether the main window is enabled
//   win_probe boxes       every open error box, top first: enabled, caption, text
//   win_probe application the application window: minimised, visible, its
//                         title, whether the main window is visible, and the
//                         class of the active (foreground) window
//   win_probe restore     restores the minimised application, as its taskbar
//                         button does
//   win_probe maximise    maximises the main window, as its caption button does
//   win_probe unmaximise  restores the maximised main window the same way
//   win_probe dismiss     presses OK on the top error box
//   win_probe close       closes the main window
//   win_probe start-minimised EXE
//                         holds the focus with a window of its own, starts EXE
//                         with show command 7 (minimised, not activated) and
//                         waits for it; exit status: EXE's
// Exit status 0 on success, 1 when the window did not appear within 20 s.
// The probe is aware of the display setting, as the show is: a program that is
// not is told other programs' rects scaled to 96 pixels per inch (Windows
// does so, and Wine since version 10), not what the screen shows.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8Hex(const wchar_t* text) {
    char utf8[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::string hex;
    for (const char* p = utf8; *p != '\0'; ++p) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(*p));
        hex += byte;
    }
    return hex.empty() ? "-" : hex;
}

// NOTE: reading another process's window text sends it a message; a busy
// window must not hang the probe.
std::string TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        3000, &copied);
    return Utf8Hex(text);
}

HWND MainWindow() { return FindWindowW(L"TForm1", nullptr); }

// The box a user can press: a disabled one lies behind another.
BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND ErrorBox() {
    HWND box = nullptr;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    return box;
}

HWND ApplicationWindow() { return FindWindowW(L"ShowApplication", nullptr); }

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM list) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(hwnd)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    }
    return TRUE;
}

template <typename Find>
HWND WaitFor(Find find, bool visible) {
    for (int i = 0; i < 200; ++i) {
        HWND hwnd = find();
        if (hwnd != nullptr && (!visible || IsWindowVisible(hwnd))) return hwnd;
        Sleep(100);
    }
    return nullptr;
}

int PrintMain() {
    HWND main = WaitFor(MainWindow, true);
    if (main == nullptr) return 1;
    RECT outer{};
    GetWindowRect(main, &outer);
    RECT client{};
    GetClientRect(main, &client);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    HWND owner = GetWindow(main, GW_OWNER);
    std::printf("rect %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    std::printf("origin %ld %ld\n", origin.x, origin.y);
    std::printf("zoomed %d\n", IsZoomed(main) ? 1 : 0);
    std::printf("enabled %d\n", IsWindowEnabled(main) ? 1 : 0);
    std::printf("title %s\n", TextOf(main).c_str());
    std::printf("buttonface %u %u %u\n", GetRValue(face), GetGValue(face), GetBValue(face));
    std::printf("owner %s\n", owner != nullptr ? TextOf(owner).c_str() : "-");
    HDC screen = GetDC(nullptr);
    std::printf("ppi %d\n", GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return 0;
}

int PrintBox() {
    HWND box = WaitFor(ErrorBox, true);
    if (box == nullptr) return 1;
    // NOTE: the message box's text is its static control 0xFFFF.
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    HWND owner = GetWindow(box, GW_OWNER);
    wchar_t owner_class[64] = {};
    if (owner != nullptr) GetClassNameW(owner, owner_class, 64);
    HWND main = MainWindow();
    RECT rect{};
    GetWindowRect(box, &rect);
    std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    std::printf("caption %s\n", TextOf(box).c_str());
    std::printf("text %s\n", text.c_str());
    std::printf("owner %s\n", owner != nullptr ? Utf8Hex(owner_class).c_str() : "-");
    std::printf("main_visible %d\n", main != nullptr && IsWindowVisible(main) ? 1 : 0);
    std::printf("main_enabled %d\n", main != nullptr && IsWindowEnabled(main) ? 1 : 0);
    return 0;
}

// EnumWindows goes from the top of the Z order down.
int PrintBoxes() {
    std::vector<HWND> boxes;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
    std::printf("boxes %u\n", static_cast<unsigned>(boxes.size()));
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        std::printf("box%u %d %s %s\n", static_cast<unsigned>(i), IsWindowEnabled(boxes[i]) ? 1 : 0,
                    TextOf(boxes[i]).c_str(), TextOf(GetDlgItem(boxes[i], 0xFFFF)).c_str());
    }
    return 0;
}

int PrintApplication() {
    HWND application = WaitFor(ApplicationWindow, true);
    if (application == nullptr) return 1;
    HWND main = MainWindow();
    wchar_t active[64] = {};
    if (HWND foreground = GetForegroundWindow()) GetClassNameW(foreground, active, 64);
    std::printf("iconic %d\n", IsIconic(application) ? 1 : 0);
    std::printf("visible %d\n", IsWindowVisible(application) ? 1 : 0);
    std::printf("title %s\n", TextOf(application).c_str());
    std::printf("main_visible %d\n", main != nullptr && IsWindowVisible(main) ? 1 : 0);
    std::printf("active %s\n", Utf8Hex(active).c_str());
    return 0;
}

int PostSystemCommand(HWND (*find)(), WPARAM command) {
    HWND hwnd = WaitFor(find, true);
    if (hwnd == nullptr) return 1;
    PostMessageW(hwnd, WM_SYSCOMMAND, command, 0);
    return 0;
}

LRESULT CALLBACK HolderProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

int StartMinimised(const char* exe) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HolderProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ProbeHolder";
    RegisterClassW(&wc);
    HWND holder = CreateWindowExW(0, L"ProbeHolder", L"holder", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(holder, SW_SHOWNORMAL);
    SetForegroundWindow(holder);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION process{};
    std::string command = exe;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 2;
    }
    // The holder keeps answering its messages until the show ends.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT) !=
           WAIT_OBJECT_0) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware();
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "main") return PrintMain();
    if (command == "box") return PrintBox();
    if (command == "boxes") return PrintBoxes();
    if (command == "application") return PrintApplication();
    if (command == "restore") return PostSystemCommand(ApplicationWindow, SC_RESTORE);
    if (command == "maximise") return PostSystemCommand(MainWindow, SC_MAXIMIZE);
    if (command == "unmaximise") return PostSystemCommand(MainWindow, SC_RESTORE);
    if (command == "start-minimised" && argc > 2) return StartMinimised(argv[2]);
    if (command == "dismiss") {
        HWND box = WaitFor(ErrorBox, true);
        if (box == nullptr) return 1;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return 0;
    }
    if (command == "close") {
        HWND main = WaitFor(MainWindow, false);
        if (main == nullptr) return 1;
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: win_probe main|box|boxes|application|restore|maximise|unmaximise|"
                 "dismiss|close|start-minimised EXE\n");
    return 2;
}
