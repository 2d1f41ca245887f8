#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/ApplicationTitle.h"
#include "app/FormDescription.h"
#include "app/Project1.h"
#include "app/Unit1.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

namespace {

class CountingTrace final : public HandlerTrace {
public:
    void HandlerStarted(HandlerId id) override {
        started.push_back(id);
        if (id == HandlerId::Timer2Timer) flicker_at.push_back(GetTickCount());
    }
    void HandlerEnded(HandlerId /*id*/) override {}
    [[nodiscard]] int Count(HandlerId id) const {
        int count = 0;
        for (HandlerId h : started) count += h == id ? 1 : 0;
        return count;
    }
    std::vector<HandlerId> started;
    std::vector<DWORD> flicker_at;  // GetTickCount() at each flicker tick
};

// Handles the thread's messages until `done()` holds; false where it did not
// within `ms` milliseconds, a bound that means failure, not a measure.
template <typename Done>
bool PumpUntil(Done done, DWORD ms = 30000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

BOOL CALLBACK FindThreadMain(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpW(name, L"TForm1") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// This test's own main window; other test processes may show theirs.
HWND ThreadMainWindow() {
    HWND main = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindThreadMain, reinterpret_cast<LPARAM>(&main));
    return main;
}

LPARAM At(int x, int y) {
    return static_cast<LPARAM>(static_cast<std::uint16_t>(x) |
                               static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
}

// The form on the real window system, as start-up makes it, without
// FormCreate (its error box would wait for a user).
class Win32PlatformTest : public testing::Test {
protected:
    Win32PlatformTest() {
        application.Runner().SetTrace(&trace);
        platform.Attach(form.View(), form);
        main = ThreadMainWindow();
    }

    [[nodiscard]] SIZE ClientSize() const {
        RECT client{};
        GetClientRect(main, &client);
        return SIZE{client.right, client.bottom};
    }

    // (before anything that may set a timer)
    DWORD made_at = GetTickCount();
    Win32Platform platform{GetModuleHandleW(nullptr), SW_SHOWNORMAL};
    Application application{platform};
    CountingTrace trace;
    TForm1 form{platform, application.Runner()};
    HWND main = nullptr;
};

TEST_F(Win32PlatformTest, FlickerTicksReachTheFormThroughItsTimerWindow) {
    ASSERT_TRUE(PumpUntil([this] { return trace.Count(HandlerId::Timer2Timer) >= 3; }));
    // 300 ms ticks, never early (by the tick count's 16 ms steps): the n-th
    // comes n periods after the timer was set at the soonest. (Not judged
    // from the first tick: one delivered late on a loaded machine brings
    // the next nearer, as the window system keeps the timer's own times.)
    for (DWORD n = 1; n <= 3; ++n) {
        EXPECT_GE(trace.flicker_at[n - 1] - made_at, n * 300u - 2u * 16u) << "tick " << n;
    }
    // The step timer waits for a click.
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_EQ(trace.Count(HandlerId::Timer1Timer), 0);
}

TEST_F(Win32PlatformTest, AClickIsAPressAndAReleaseOnThePicture) {
    ASSERT_NE(main, nullptr);
    SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    SendMessageW(main, WM_LBUTTONUP, 0, At(12, 11));
    EXPECT_EQ(trace.Count(HandlerId::Image1Click), 1);
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_EQ(form.Timer2.Interval(), 30u);

    // The second press of a double click is no press.
    SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 50));
    SendMessageW(main, WM_LBUTTONUP, 0, At(50, 50));
    SendMessageW(main, WM_LBUTTONDBLCLK, MK_LBUTTON, At(50, 50));
    SendMessageW(main, WM_LBUTTONUP, 0, At(50, 50));
    EXPECT_EQ(trace.Count(HandlerId::Image1Click), 2);

    // Released off the picture, or never pressed: no click.
    SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    SendMessageW(main, WM_LBUTTONUP, 0, At(-5, 420));
    SendMessageW(main, WM_LBUTTONUP, 0, At(10, 10));
    SendMessageW(main, WM_RBUTTONDOWN, MK_RBUTTON, At(10, 10));
    SendMessageW(main, WM_RBUTTONUP, 0, At(10, 10));
    EXPECT_EQ(trace.Count(HandlerId::Image1Click), 2);
}

TEST_F(Win32PlatformTest, ShownWindowHoldsItsFittedSize) {
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(form.ClientWidth(), 400);
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.left, 272);
    EXPECT_EQ(outer.top, 184);
    EXPECT_EQ(outer.right - outer.left, 408);
    EXPECT_EQ(outer.bottom - outer.top, 429);

    platform.ShowMainWindow();
    EXPECT_EQ(ClientSize().cx, 400);
    EXPECT_EQ(ClientSize().cy, 400);
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.left, 272);
    EXPECT_EQ(outer.top, 184);

    SetWindowPos(main, nullptr, 0, 0, 700, 650, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientSize().cx, 400);
    EXPECT_EQ(ClientSize().cy, 400);
    ShowWindow(main, SW_MAXIMIZE);
    EXPECT_EQ(ClientSize().cx, 400);
    EXPECT_EQ(ClientSize().cy, 400);
}

struct BoxSeen {
    bool found = false;
    bool main_enabled = true;
    std::wstring caption;
    std::wstring text;
    HWND main = nullptr;
};
BoxSeen g_box;

BOOL CALLBACK FindThreadBox(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpW(name, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindThreadBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    KillTimer(nullptr, timer);
    wchar_t text[256] = {};
    g_box.found = true;
    g_box.main_enabled = IsWindowEnabled(g_box.main) != 0;
    GetWindowTextW(box, text, 256);
    g_box.caption = text;
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    g_box.text = text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Win32PlatformTest, ErrorBoxDisablesTheWindowsWhileTicksGoOn) {
    platform.ShowMainWindow();
    g_box = BoxSeen{};
    g_box.main = main;
    const int ticks_before = trace.Count(HandlerId::Timer2Timer);
    SetTimer(nullptr, 0, 800, AnswerBox);
    // "タイマーを取得できません."
    platform.ShowErrorBox("Project1",
                          "\x83\x5e\x83\x43\x83\x7d\x81\x5b\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab"
                          "\x82\xdc\x82\xb9\x82\xf1.");
    ASSERT_TRUE(g_box.found);
    EXPECT_EQ(g_box.caption, L"Project1");
    EXPECT_EQ(g_box.text,
              L"\u30BF\u30A4\u30DE\u30FC\u3092\u53D6\u5F97\u3067\u304D\u307E\u305B\u3093.");
    EXPECT_FALSE(g_box.main_enabled);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_GE(trace.Count(HandlerId::Timer2Timer), ticks_before + 1);
}

TEST_F(Win32PlatformTest, TitleShowsFullWidthCharactersAsThemselves) {
    platform.SetTitle(" \x81\x46 \x81\x47");  // " ： ；"
    wchar_t title[32] = {};
    GetWindowTextW(main, title, 32);
    EXPECT_STREQ(title, L" \uFF1A \uFF1B");
}

TEST_F(Win32PlatformTest, WindowFontMeasuresItsCharacterHeight) {
    // "ＭＳ Ｐゴシック", or its stand-in where the system lacks it.
    const std::string_view face = kForm1Description.form1.font_face;
    EXPECT_EQ(platform.MeasureTextHeight(FontSpec{-12, kShiftJisCharset, face}), 12);
    EXPECT_EQ(platform.MeasureTextHeight(FontSpec{-15, kShiftJisCharset, face}), 15);
}

TEST_F(Win32PlatformTest, ApplicationTitleComesFromTheExecutableName) {
    const std::string path = platform.ExecutablePath();
    ASSERT_GT(path.size(), 15u);
    EXPECT_EQ(path.substr(path.size() - 15), "\\Win32Tests.exe");
    EXPECT_NE(path.find('\\'), std::string::npos);
    EXPECT_EQ(application.Title(), "Win32tests");
    std::string text = "ABC x";
    platform.LowerCase(text);
    EXPECT_EQ(text, "abc x");
}

// A form whose picture and handlers fail whenever asked.
class FailingForm final : public FormView, public PlatformEvents {
public:
    [[nodiscard]] Bounds StoredBounds() const override { return Bounds{272, 184, 408, 429}; }
    [[nodiscard]] Size ClientSize() const override { return Size{400, 400}; }
    [[nodiscard]] bool AutoSize() const override { return true; }
    [[nodiscard]] SystemColor Color() const override { return SystemColor::ButtonFace; }
    [[nodiscard]] IconId Icon() const override { return IconId::Transparent16; }
    [[nodiscard]] std::string_view Caption() const override { return {}; }
    [[nodiscard]] Bounds PictureBounds() const override { return Bounds{0, 0, 400, 400}; }
    [[nodiscard]] const PixelRows* Picture() const override {
        throw std::runtime_error("no picture");
    }
    void OnImageClick() override {
        ++clicks;
        throw std::runtime_error("click");
    }
    void OnTimer(TimerId /*id*/) override {
        ++ticks;
        throw std::runtime_error("tick");
    }
    int clicks = 0;
    int ticks = 0;
};

// What fails inside a window procedure ends there: it never unwinds through
// the window system, and the windows go on.
TEST(Win32PlatformFailures, EndInTheWindowProcedure) {
    Win32Platform platform{GetModuleHandleW(nullptr), SW_SHOWNORMAL};
    FailingForm form;
    platform.Attach(form, form);
    platform.ShowMainWindow();
    const HWND main = ThreadMainWindow();
    ASSERT_NE(main, nullptr);

    InvalidateRect(main, nullptr, FALSE);
    EXPECT_NO_THROW(UpdateWindow(main));
    EXPECT_FALSE(GetUpdateRect(main, nullptr, FALSE));

    EXPECT_NO_THROW({
        SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
        SendMessageW(main, WM_LBUTTONUP, 0, At(10, 10));
    });
    EXPECT_EQ(form.clicks, 1);

    // Ticks go on after one failed.
    ASSERT_TRUE(platform.StartTimer(TimerId::Timer1, 10));
    bool ticked_twice = false;
    EXPECT_NO_THROW(ticked_twice = PumpUntil([&form] { return form.ticks >= 2; }));
    EXPECT_TRUE(ticked_twice) << form.ticks << " tick(s)";
    platform.StopTimer(TimerId::Timer1);
}

}  // namespace
