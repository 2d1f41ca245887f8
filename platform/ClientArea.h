#pragma once

// What the client area shows: the picture stretched over its destination by
// nearest pixel (picture/NearestPixels.h), the form's colour everywhere else.
// The one painting of every backend that draws pixels itself (the desktop, the
// web page, replay's frames); Win32 has the system stretch the same rule.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/FormView.h"
#include "platform/Geometry.h"

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The system colours where the platform has none of its own (the web page,
// replay): the classic desktop's button face and window text.
[[nodiscard]] Rgb StandardSystemColor(SystemColor color);

// How a pixel lies in memory.
enum class PixelOrder : std::uint8_t {
    Bgr24,   // bitmap rows: blue, green, red
    Bgrx32,  // a 32-bit word 0xffRRGGBB, little-endian
    Rgba32,  // a canvas's image data
};
[[nodiscard]] constexpr std::size_t BytesPerPixel(PixelOrder order) {
    return order == PixelOrder::Bgr24 ? 3 : 4;
}

// Paints the client area of `client` size into `pixels` (rows top first,
// `stride` bytes apart), with `fill` where no picture is drawn.
void PaintClientArea(const FormView& form, Size client, Rgb fill, PixelOrder order,
                     std::span<std::uint8_t> pixels, std::size_t stride);

// The same into an owned image of rows packed without padding.
class ClientImage {
public:
    explicit ClientImage(PixelOrder order) : m_order(order) {}
    void Paint(const FormView& form, Size client, Rgb fill);

    [[nodiscard]] Size Area() const { return m_size; }
    [[nodiscard]] std::span<const std::uint8_t> Pixels() const { return m_pixels; }
    [[nodiscard]] std::size_t Stride() const {
        return static_cast<std::size_t>(m_size.width) * BytesPerPixel(m_order);
    }

private:
    PixelOrder m_order;
    Size m_size{};
    std::vector<std::uint8_t> m_pixels;
};
