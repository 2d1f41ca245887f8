#pragma once

#include <cstdint>

#include "platform/FormView.h"
#include "platform/Geometry.h"

// Rules of the main window that every backend follows; the backends only
// translate their window system's events and calls into these.

enum class MouseButton : std::uint8_t { Left, Right, Middle, Other };

// A click on the picture: a left press in the window, then a left release
// inside the picture control. The second press of a double click is no
// press, and a press whose mouse capture is lost is forgotten.
class ClickRule {
public:
    void Press(MouseButton button) {
        if (button == MouseButton::Left) m_left_pressed = true;
    }
    void DoublePress(MouseButton button) {
        if (button == MouseButton::Left) m_left_pressed = false;
    }
    void CaptureLost() { m_left_pressed = false; }
    // True when this release completes a click.
    [[nodiscard]] bool Release(MouseButton button, const FormView& form, std::int32_t x,
                               std::int32_t y);

private:
    bool m_left_pressed = false;
};

// The client size a window must take when `requested` is asked of it: the
// fitted size while the form holds it, else what was asked.
[[nodiscard]] Size FittedClientSize(const FormView& form, Size requested);

// Where the picture is drawn in the client area, stretched over it whole;
// empty when no picture is drawn (none, or an empty one). The rest of the
// client area, or all of it, takes the form's colour.
[[nodiscard]] Bounds PictureDestination(const FormView& form);

// How a picture of `picture_bits` a pixel is scaled onto a display of
// `display_bits`: a display of 8 bits or fewer gets a halftone of it, any
// other takes each pixel's colour as it is.
enum class StretchMode : std::uint8_t { ColorOnColor, Halftone };
[[nodiscard]] StretchMode ChooseStretchMode(int display_bits, int picture_bits);

// An error box is modal over the program's windows. Once it is dismissed, the
// window of the program's that was active before it (the main window, or an
// earlier box) is active again, if it is still shown; when none of the
// program's was active, none is activated. `before` is that window or a null
// one, `run_box` shows the box until it is dismissed.
template <class Window, class RunBox, class StillShown, class Activate>
void RunBoxThenActivateAgain(Window before, RunBox run_box, StillShown still_shown,
                             Activate activate) {
    run_box();
    if (before && still_shown(before)) activate(before);
}
