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

// Where each channel of a pixel lies; `alpha` is a byte set to 255, or -1.
struct Channels {
    int red;
    int green;
    int blue;
    int alpha;
};
constexpr Channels ChannelsOf(PixelOrder order) {
    switch (order) {
        case PixelOrder::Bgr24:
            return {2, 1, 0, -1};
        case PixelOrder::Bgrx32:
            return {2, 1, 0, 3};
        case PixelOrder::Rgba32:
            break;
    }
    return {0, 1, 2, 3};
}

// The painting for one pixel order, fixed when compiled, so that each pixel is
// a few stores.
template <PixelOrder Order>
void Paint(const FormView& form, Size client, Rgb fill, std::span<std::uint8_t> pixels,
           std::size_t stride) {
    constexpr std::size_t kBytes = BytesPerPixel(Order);
    static constexpr Channels kAt = ChannelsOf(Order);
    const auto put = [](std::uint8_t* out, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue) {
        out[kAt.red] = red;
        out[kAt.green] = green;
        out[kAt.blue] = blue;
        if constexpr (kAt.alpha >= 0) out[kAt.alpha] = 0xFF;
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

}  // namespace

void PaintClientArea(const FormView& form, Size client, Rgb fill, PixelOrder order,
                     std::span<std::uint8_t> pixels, std::size_t stride) {
    if (client.width <= 0 || client.height <= 0) return;
    switch (order) {
        case PixelOrder::Bgr24:
            Paint<PixelOrder::Bgr24>(form, client, fill, pixels, stride);
            return;
        case PixelOrder::Bgrx32:
            Paint<PixelOrder::Bgrx32>(form, client, fill, pixels, stride);
            return;
        case PixelOrder::Rgba32:
            Paint<PixelOrder::Rgba32>(form, client, fill, pixels, stride);
            return;
    }
}

void ClientImage::Paint(const FormView& form, Size client, Rgb fill) {
    m_size = Size{std::max(client.width, 0), std::max(client.height, 0)};
    m_pixels.resize(Stride() * static_cast<std::size_t>(m_size.height));
    PaintClientArea(form, m_size, fill, m_order, m_pixels, Stride());
}
