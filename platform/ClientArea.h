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

// How a pixel lies in memory: its size in bytes and where each channel is;
// `alpha` is the index of a byte set to 255, or -1 for none.
struct ChannelOrder {
    int bytes;
    int red;
    int green;
    int blue;
    int alpha;
};
inline constexpr ChannelOrder kBgr24{3, 2, 1, 0, -1};  // bitmap rows
inline constexpr ChannelOrder kBgrx32{4, 2, 1, 0, 3};  // a 32-bit word 0xffRRGGBB
inline constexpr ChannelOrder kRgba32{4, 0, 1, 2, 3};  // a canvas's image data

// Paints the client area of `client` size into `pixels` (rows top first,
// `stride` bytes apart), with `fill` where no picture is drawn; `layout` is
// one of the orders above.
void PaintClientArea(const FormView& form, Size client, Rgb fill, ChannelOrder layout,
                     std::span<std::uint8_t> pixels, std::size_t stride);

// The same into an owned image of rows packed without padding.
class ClientImage {
public:
    explicit ClientImage(ChannelOrder layout) : m_layout(layout) {}
    void Paint(const FormView& form, Size client, Rgb fill);

    [[nodiscard]] Size Area() const { return m_size; }
    [[nodiscard]] std::span<const std::uint8_t> Pixels() const { return m_pixels; }
    [[nodiscard]] std::size_t Stride() const {
        return static_cast<std::size_t>(m_size.width) * static_cast<std::size_t>(m_layout.bytes);
    }

private:
    ChannelOrder m_layout;
    Size m_size{};
    std::vector<std::uint8_t> m_pixels;
};
