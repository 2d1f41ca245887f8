// The main window's rules that every backend follows: which mouse events make
// a click on the picture, the size the window is held at, where the picture
// is drawn.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/WindowRules.h"
#include "tests/support/FakeForm.h"

namespace {

constexpr Bounds kPicture{10, 20, 100, 50};

struct Step {
    enum Kind : std::uint8_t { Press, DoublePress, LoseCapture, Release } kind;
    MouseButton button = MouseButton::Left;
    std::int32_t x = 0;
    std::int32_t y = 0;
};
constexpr Step Press(MouseButton b = MouseButton::Left) { return {Step::Press, b}; }
constexpr Step DoublePress() { return {Step::DoublePress}; }
constexpr Step LoseCapture() { return {Step::LoseCapture}; }
constexpr Step Release(std::int32_t x, std::int32_t y, MouseButton b = MouseButton::Left) {
    return {Step::Release, b, x, y};
}

struct ClickCase {
    const char* what;
    std::vector<Step> steps;
    std::vector<bool> clicks;  // what each release gave, in order
};

TEST(ClickRule, ALeftPressThenALeftReleaseOnThePictureIsOneClick) {
    using enum MouseButton;
    const std::vector<ClickCase> cases = {
        {"on the first and last pixels",
         {Press(), Release(10, 20), Press(), Release(109, 69)},
         {true, true}},
        {"released just outside, the press is spent",
         {Press(), Release(110, 20), Release(50, 40), Press(), Release(9, 69), Press(),
          Release(50, 70)},
         {false, false, false, false}},
        {"another button neither presses nor releases",
         {Press(Right), Release(50, 40, Right), Release(50, 40), Press(), Release(50, 40, Middle),
          Release(50, 40)},
         {false, false, false, true}},
        {"the second press of a double click is no press",
         {Press(), Release(50, 40), DoublePress(), Release(50, 40)},
         {true, false}},
        {"a press whose capture is lost is forgotten",
         {Press(), LoseCapture(), Release(50, 40)},
         {false}},
        {"two presses make one click",
         {Press(), Press(), Release(50, 40), Release(50, 40)},
         {true, false}},
    };
    FakeForm form;
    form.picture_bounds = kPicture;
    for (const ClickCase& c : cases) {
        ClickRule rule;
        std::vector<bool> clicks;
        for (const Step& s : c.steps) {
            switch (s.kind) {
                case Step::Press:
                    rule.Press(s.button);
                    break;
                case Step::DoublePress:
                    rule.DoublePress(s.button);
                    break;
                case Step::LoseCapture:
                    rule.CaptureLost();
                    break;
                case Step::Release:
                    clicks.push_back(rule.Release(s.button, form, s.x, s.y));
                    break;
            }
        }
        EXPECT_EQ(clicks, c.clicks) << c.what;
    }
}

TEST(WindowRules, TheFittedSizeHoldsWhileTheFormDoes) {
    struct Case {
        bool auto_size;
        Size requested;
        Size fitted;
    };
    const Case cases[] = {
        {true, {800, 600}, {120, 90}},
        {true, {0, 0}, {120, 90}},
        {false, {800, 600}, {800, 600}},
        {false, {0, 0}, {0, 0}},
    };
    FakeForm form;
    form.client = {120, 90};
    for (const Case& c : cases) {
        form.auto_size = c.auto_size;
        EXPECT_EQ(FittedClientSize(form, c.requested), c.fitted)
            << c.auto_size << " " << c.requested.width << "x" << c.requested.height;
    }
}

TEST(WindowRules, ThePictureIsDrawnOverTheWholeControlOrNotAtAll) {
    const PixelLayout two_by_two{2, 2, 8, false};
    PixelRows picture(two_by_two, HeapPixels().Allocate(two_by_two));
    const PixelRows empty;
    struct Case {
        const char* what;
        const PixelRows* picture;
        Bounds control;
        Bounds drawn;
    };
    const Case cases[] = {
        {"a picture", &picture, kPicture, kPicture},
        {"partly outside the client area", &picture, {-5, -5, 20, 20}, {-5, -5, 20, 20}},
        {"no picture", nullptr, kPicture, {}},
        {"an empty picture", &empty, kPicture, {}},
        {"a control of no width", &picture, {10, 20, 0, 50}, {}},
        {"a control of no height", &picture, {10, 20, 100, 0}, {}},
    };
    FakeForm form;
    for (const Case& c : cases) {
        form.picture = c.picture;
        form.picture_bounds = c.control;
        EXPECT_EQ(PictureDestination(form), c.drawn) << c.what;
    }
}

}  // namespace
