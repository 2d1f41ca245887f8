#include "platform/WindowRules.h"

bool ClickRule::Release(MouseButton button, const FormView& form, std::int32_t x, std::int32_t y) {
    if (button != MouseButton::Left || !m_left_pressed) return false;
    m_left_pressed = false;
    return form.PictureBounds().Contains(x, y);
}

Size FittedClientSize(const FormView& form, Size requested) {
    return form.AutoSize() ? form.ClientSize() : requested;
}

Bounds PictureDestination(const FormView& form) {
    const PixelRows* picture = form.Picture();
    const Bounds area = form.PictureBounds();
    if (picture == nullptr || picture->Empty() || area.Empty()) return {};
    return area;
}

StretchMode ChooseStretchMode(int display_bits, int picture_bits) {
    return display_bits <= 8 && display_bits < picture_bits ? StretchMode::Halftone
                                                            : StretchMode::ColorOnColor;
}
