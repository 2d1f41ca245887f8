#pragma once

#include <string_view>

#include "picture/PixelRows.h"
#include "platform/FormView.h"

// The main window as a backend sees it, each value set by the test.
struct FakeForm final : FormView {
    Bounds picture_bounds{};
    Size client{};
    bool auto_size = false;
    const PixelRows* picture = nullptr;

    [[nodiscard]] Bounds StoredBounds() const override { return {}; }
    [[nodiscard]] Size ClientSize() const override { return client; }
    [[nodiscard]] bool AutoSize() const override { return auto_size; }
    [[nodiscard]] SystemColor Color() const override { return SystemColor::ButtonFace; }
    [[nodiscard]] IconId Icon() const override { return IconId::Transparent16; }
    [[nodiscard]] std::string_view Caption() const override { return {}; }
    [[nodiscard]] Bounds PictureBounds() const override { return picture_bounds; }
    [[nodiscard]] const PixelRows* Picture() const override { return picture; }
};
