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

void Put(std::uint8_t* out, const ChannelOrder& layout, std::uint8_t red, std::uint8_t green,
         std::uint8_t blue) {
    out[layout.red] = red;
    out[layout.green] = green;
    out[layout.blue] = blue;
    if (layout.alpha >= 0) out[layout.alpha] = 0xFF;
}

}  // namespace

void PaintClientArea(const FormView& form, Size client, Rgb fill, ChannelOrder layout,
                     std::span<std::uint8_t> pixels, std::size_t stride) {
    if (client.width <= 0 || client.height <= 0) return;
    const auto width = static_cast<std::size_t>(client.width);
    const auto bytes = static_cast<std::size_t>(layout.bytes);
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
        const std::uint8_t* src = in_rows ? NearestRow(*rows, y - area.top, area.height) : nullptr;
        for (std::size_t x = 0; x < width; ++x) {
            const auto cx = static_cast<int>(x);
            if (in_rows && cx >= x0 && cx < x1) {
                // Picture rows hold blue, green, red.
                const std::uint8_t* p = src + source_x[static_cast<std::size_t>(cx - area.left)];
                Put(row + x * bytes, layout, p[2], p[1], p[0]);
            } else {
                Put(row + x * bytes, layout, fill.red, fill.green, fill.blue);
            }
        }
    }
}

void ClientImage::Paint(const FormView& form, Size client, Rgb fill) {
    m_size = Size{std::max(client.width, 0), std::max(client.height, 0)};
    m_pixels.resize(Stride() * static_cast<std::size_t>(m_size.height));
    PaintClientArea(form, m_size, fill, m_layout, m_pixels, Stride());
}
