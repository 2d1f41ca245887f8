#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/ClientArea.h"
#include "platform/FormView.h"

// What the window's client area shows, painted as every backend paints it,
// in the standard system colours.
class PictureArea {
public:
    // Paints the client area anew from the form: its fitted size, its picture
    // at its destination, its colour elsewhere.
    void Paint(const FormView& form);
    // The area as last painted: rows top first, blue green red.
    [[nodiscard]] const ClientImage& Image() const { return m_image; }
    // Writes the area as a 24-bit bitmap file; false on failure.
    [[nodiscard]] bool WriteBmp(const std::filesystem::path& file) const;

private:
    ClientImage m_image{PixelOrder::Bgr24};
};
