#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// Writes bitmap files for the tests: 24-bit by default, with a picture whose
// every byte depends on its row, column and channel.
class BmpBuilder {
public:
    BmpBuilder& Width(std::int32_t w) {
        m_width = w;
        return *this;
    }
    BmpBuilder& Height(std::int32_t h) {
        m_height = h;
        return *this;
    }
    BmpBuilder& TopDown(bool top_down = true) {
        m_top_down = top_down;
        return *this;
    }
    BmpBuilder& HeaderSize(std::uint32_t size) {
        m_header_size = size;
        return *this;
    }
    BmpBuilder& Planes(std::uint16_t planes) {
        m_planes = planes;
        return *this;
    }
    BmpBuilder& BitCount(std::uint16_t bits) {
        m_bit_count = bits;
        return *this;
    }
    BmpBuilder& Compression(std::uint32_t c) {
        m_compression = c;
        return *this;
    }
    BmpBuilder& ImageSize(std::uint32_t size) {
        m_image_size = size;
        return *this;
    }
    BmpBuilder& ColoursUsed(std::uint32_t n) {
        m_colours_used = n;
        return *this;
    }
    // Bytes of colour table or masks written between the headers and the rows.
    BmpBuilder& Gap(std::uint32_t bytes) {
        m_gap = bytes;
        return *this;
    }
    // Leaves the pixel rows out, for headers announcing huge pictures.
    BmpBuilder& HeadersOnly() {
        m_rows = false;
        return *this;
    }
    // Header bytes from offset 40 on (masks in the longer headers); the rest 0xEE.
    BmpBuilder& HeaderTail(std::vector<std::uint8_t> bytes) {
        m_header_tail = std::move(bytes);
        return *this;
    }
    // Bytes written between the headers and the rows in place of the gap:
    // masks, a colour table.
    BmpBuilder& Between(std::vector<std::uint8_t> bytes) {
        m_between = std::move(bytes);
        return *this;
    }
    // Pixel data written as given in place of the 24-bit rows.
    BmpBuilder& Pixels(std::vector<std::uint8_t> bytes) {
        m_pixels = std::move(bytes);
        m_own_pixels = true;
        return *this;
    }
    // A wrong pixel-offset field, which the loader must not read.
    BmpBuilder& PixelOffset(std::uint32_t offset) {
        m_pixel_offset = offset;
        return *this;
    }

    [[nodiscard]] std::size_t Stride() const {
        return (static_cast<std::size_t>(m_width) * 3 + 3) / 4 * 4;
    }
    // The byte a correct load puts at row r (from the top), byte i of the row.
    static std::uint8_t Expected(std::int32_t r, std::size_t i) {
        return static_cast<std::uint8_t>(r * 7 + static_cast<std::int32_t>(i % 251) * 3 + 1);
    }

    [[nodiscard]] std::vector<std::uint8_t> Bytes() const;

private:
    std::int32_t m_width = 4;
    std::int32_t m_height = 3;
    bool m_top_down = false;
    std::uint32_t m_header_size = 40;
    std::uint16_t m_planes = 1;
    std::uint16_t m_bit_count = 24;
    std::uint32_t m_compression = 0;
    std::uint32_t m_image_size = 0;
    std::uint32_t m_colours_used = 0;
    std::uint32_t m_gap = 0;
    std::uint32_t m_pixel_offset = 0;
    bool m_rows = true;
    std::vector<std::uint8_t> m_header_tail;
    std::vector<std::uint8_t> m_between;
    std::vector<std::uint8_t> m_pixels;
    bool m_own_pixels = false;
};

inline std::vector<std::uint8_t> BmpBuilder::Bytes() const {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const std::size_t stride = Stride();
    put('B', 1);
    put('M', 1);
    put(0, 4);  // file size: not read
    put(0, 4);
    put(m_pixel_offset, 4);
    put(m_header_size, 4);
    if (m_header_size == 12) {
        put(static_cast<std::uint32_t>(m_width), 2);
        put(static_cast<std::uint32_t>(m_height), 2);
        put(m_planes, 2);
        put(m_bit_count, 2);
    } else {
        put(static_cast<std::uint32_t>(m_width), 4);
        put(static_cast<std::uint32_t>(m_top_down ? -m_height : m_height), 4);
        put(m_planes, 2);
        put(m_bit_count, 2);
        put(m_compression, 4);
        put(m_image_size, 4);
        put(2835, 4);
        put(2835, 4);
        put(m_colours_used, 4);
        put(0, 4);
        for (std::uint32_t i = 40; i < m_header_size; ++i) {
            out.push_back(i - 40 < m_header_tail.size() ? m_header_tail[i - 40] : 0xEE);
        }
    }
    for (std::uint32_t i = 0; i < m_gap; ++i) out.push_back(0xCC);
    out.insert(out.end(), m_between.begin(), m_between.end());
    if (m_own_pixels) {
        out.insert(out.end(), m_pixels.begin(), m_pixels.end());
        return out;
    }
    for (std::int32_t stored = 0; m_rows && stored < m_height; ++stored) {
        std::int32_t r = m_top_down ? stored : m_height - 1 - stored;
        for (std::size_t i = 0; i < stride; ++i) {
            out.push_back(i < static_cast<std::size_t>(m_width) * 3 ? Expected(r, i) : 0xAB);
        }
    }
    return out;
}
