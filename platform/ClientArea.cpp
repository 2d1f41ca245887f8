#include "platform/ClientArea.h"

#include <algorithm>

#include "picture/NearestPixels.h"
#include "platform/WindowRules.h"

Rgb StandardSystemColor(SystemColor color) {
    switch (color) {
        case SystemColor::WindowText:
            return {0, 0, 0};
        case SystemColor::ButtonFace:
            break;
    }
    return {0xF0, 0xF0, 0xF0};
}

namespace {

// The painting for one pixel order, fixed when compiled, so that each pixel is
// a few stores; `Order` is a ChannelOrder.
template <const ChannelOrder& Order>
void Paint(const FormView& form, Size client, Rgb fill, std::span<std::uint8_t> pixels,
           std::size_t stride) {
    constexpr auto kBytes = static_cast<std::size_t>(Order.bytes);
    const auto put = [](std::uint8_t* out, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue) {
        out[Order.red] = red;
        out[Order.green] = green;
        out[Order.blue] = blue;
        if constexpr (Order.alpha >= 0) out[Order.alpha] = 0xFF;
    };
    const auto width = static_cast<std::size_t>(client.width);
    const Bounds area = PictureDestination(form);
    const PixelRows* rows = form.Picture();
    // The picture's columns and rows inside the client area.
    const int x0 = std::max(area.left, 0);
    const int x1 = std::min(area.Right(), client.width);
    const int y0 = std::max(area.top, 0);
    const int y1 = std::min(area.Bottom(), client.height);
    const bool picture = rows != nullptr && !area.Empty() && x0 < x1 && y0 < y1;
    std::vector<std::size_t> source_x;
    if (picture) {
        source_x.resize(static_cast<std::size_t>(area.width));
        NearestColumnOffsets(*rows, source_x);
    }
    for (int y = 0; y < client.height; ++y) {
        std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * stride;
        const bool in_rows = picture && y >= y0 && y < y1;
        const auto from = static_cast<std::size_t>(in_rows ? x0 : 0);
        const auto to = static_cast<std::size_t>(in_rows ? x1 : 0);
        for (std::size_t x = 0; x < from; ++x)
            put(row + x * kBytes, fill.red, fill.green, fill.blue);
        if (in_rows) {
            const std::uint8_t* src = NearestRow(*rows, y - area.top, area.height);
            // Picture rows hold blue, green, red.
            for (std::size_t x = from; x < to; ++x) {
                const std::uint8_t* p =
                    src + source_x[static_cast<std::size_t>(static_cast<int>(x) - area.left)];
                put(row + x * kBytes, p[2], p[1], p[0]);
            }
        }
        for (std::size_t x = std::max(to, from); x < width; ++x) {
            put(row + x * kBytes, fill.red, fill.green, fill.blue);
        }
    }
}

bool Same(const ChannelOrder& a, const ChannelOrder& b) {
    return a.bytes == b.bytes && a.red == b.red && a.green == b.green && a.blue == b.blue &&
           a.alpha == b.alpha;
}

}  // namespace

void PaintClientArea(const FormView& form, Size client, Rgb fill, ChannelOrder layout,
                     std::span<std::uint8_t> pixels, std::size_t stride) {
    if (client.width <= 0 || client.height <= 0) return;
    if (Same(layout, kBgrx32)) {
        Paint<kBgrx32>(form, client, fill, pixels, stride);
    } else if (Same(layout, kRgba32)) {
        Paint<kRgba32>(form, client, fill, pixels, stride);
    } else if (Same(layout, kBgr24)) {
        Paint<kBgr24>(form, client, fill, pixels, stride);
    }
}

void ClientImage::Paint(const FormView& form, Size client, Rgb fill) {
    m_size = Size{std::max(client.width, 0), std::max(client.height, 0)};
    m_pixels.resize(Stride() * static_cast<std::size_t>(m_size.height));
    PaintClientArea(form, m_size, fill, m_layout, m_pixels, Stride());
}
