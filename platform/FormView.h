#pragma once

#include <cstdint>
#include <string_view>

#include "picture/PixelRows.h"
#include "platform/Geometry.h"

// The colours a form may name: the system's own, which each platform shows
// in its own way.
enum class SystemColor : std::uint8_t { WindowText, ButtonFace };

// The icons built into the program.
enum class IconId : std::uint8_t { Transparent16 };

// All a backend sees of the main window: read-only, as the form holds it at
// the moment of asking. Events go back through PlatformEvents alone.
class FormView {
public:
    virtual ~FormView() = default;

    // The outer bounds the form description gives, before any fitting.
    [[nodiscard]] virtual Bounds StoredBounds() const = 0;
    // The client area the window is fitted to.
    [[nodiscard]] virtual Size ClientSize() const = 0;
    // Whether the window holds its client area at ClientSize.
    [[nodiscard]] virtual bool AutoSize() const = 0;
    // The colour of the client area where no picture is drawn.
    [[nodiscard]] virtual SystemColor Color() const = 0;
    [[nodiscard]] virtual IconId Icon() const = 0;
    // The window title, in code page 932.
    [[nodiscard]] virtual std::string_view Caption() const = 0;
    // The picture control's bounds in the client area; its picture is
    // stretched over them.
    [[nodiscard]] virtual Bounds PictureBounds() const = 0;
    // The picture's rows; null while the control has no picture.
    [[nodiscard]] virtual const PixelRows* Picture() const = 0;
};
