#include "picture/BmpConvert.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <vector>

#include "picture/ByteSource.h"

namespace {

// Hands out the pixel data byte by byte, never more than the limit. Running
// out is no error: the pixels not reached stay black.
class PixelInput {
public:
    PixelInput(ByteSource& source, std::uint64_t limit) : m_source(source), m_left(limit) {}

    bool Next(std::uint8_t& byte) {
        if (m_pos == m_end && !Refill()) return false;
        byte = m_buffer[m_pos++];
        return true;
    }

    bool Skip(std::uint64_t n) {
        while (n != 0) {
            if (m_pos == m_end && !Refill()) return false;
            auto step = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_end - m_pos));
            m_pos += step;
            n -= step;
        }
        return true;
    }

private:
    bool Refill() {
        if (m_left == 0) return false;
        auto want = static_cast<std::size_t>(std::min<std::uint64_t>(m_left, m_buffer.size()));
        std::size_t got = m_source.Read(std::span(m_buffer).first(want));
        // A source gives fewer bytes only at its end.
        m_left = got < want ? 0 : m_left - got;
        m_pos = 0;
        m_end = got;
        return got != 0;
    }

    ByteSource& m_source;
    std::uint64_t m_left;
    std::array<std::uint8_t, 16384> m_buffer{};
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

// One colour channel of a bit-field pixel, scaled from its own range to
// 0-255 with rounding, so that a full channel of any width becomes 255.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : m_mask(mask), m_shift(mask == 0 ? 0 : std::countr_zero(mask)), m_max(mask >> m_shift) {
        if (m_max == 0 || m_max > 0xFFFF) return;
        m_table.resize(m_max + std::size_t{1});
        for (std::uint32_t v = 0; v <= m_max; ++v) m_table[v] = Scale(v);
    }

    [[nodiscard]] std::uint8_t operator()(std::uint32_t pixel) const {
        if (m_max == 0) return 0;
        // Below m_max even for a mask with gaps in it.
        std::uint32_t v = (pixel & m_mask) >> m_shift;
        return m_table.empty() ? Scale(v) : m_table[v];
    }

private:
    [[nodiscard]] std::uint8_t Scale(std::uint64_t v) const {
        return static_cast<std::uint8_t>((v * 255 + m_max / 2) / m_max);
    }

    std::uint32_t m_mask;
    int m_shift;
    std::uint32_t m_max;
    std::vector<std::uint8_t> m_table;
};

void Put(std::uint8_t* pixel, const BgrColour& colour) {
    pixel[0] = colour[0];
    pixel[1] = colour[1];
    pixel[2] = colour[2];
}

// Uncompressed lines of 1, 2, 4 or 8 bits a pixel through the colour table,
// or of 16 or 32 bits a pixel through the masks; each line padded to 4 bytes.
void ConvertLines(PixelInput& in, const BmpPixelFormat& format, PixelRows& rows) {
    const std::uint64_t width = static_cast<std::uint64_t>(rows.layout.width);
    const std::uint64_t height = static_cast<std::uint64_t>(rows.layout.height);
    const unsigned bits = format.bit_count;
    if (width == 0) return;
    const std::uint64_t used = (width * bits + 7) / 8;
    const std::uint64_t padding = (width * bits + 31) / 32 * 4 - used;
    const Channel red(format.masks[0]);
    const Channel green(format.masks[1]);
    const Channel blue(format.masks[2]);

    for (std::uint64_t line = 0; line < height; ++line) {
        std::uint8_t* out = rows.Data() + static_cast<std::size_t>(line) * rows.layout.stride;
        if (bits <= 8) {
            const unsigned index_mask = (1u << bits) - 1;
            std::uint64_t x = 0;
            for (std::uint64_t i = 0; i < used; ++i) {
                std::uint8_t byte = 0;
                if (!in.Next(byte)) return;
                // The leftmost pixel sits in the byte's high bits.
                for (int shift = 8 - static_cast<int>(bits); shift >= 0 && x < width;
                     shift -= static_cast<int>(bits), ++x) {
                    Put(out + x * 3, format.palette[(byte >> shift) & index_mask]);
                }
            }
        } else {
            const unsigned bytes = bits / 8;
            for (std::uint64_t x = 0; x < width; ++x) {
                std::uint32_t pixel = 0;
                for (unsigned b = 0; b < bytes; ++b) {
                    std::uint8_t byte = 0;
                    if (!in.Next(byte)) return;
                    pixel |= std::uint32_t{byte} << (8 * b);
                }
                Put(out + x * 3, BgrColour{blue(pixel), green(pixel), red(pixel)});
            }
        }
        if (!in.Skip(padding)) return;
    }
}

// Run-length data: runs of one colour (two for 4 bits a pixel), literal runs
// padded to an even length, and the escapes for end of line, end of bitmap
// and a jump ahead. Pixels outside the picture are dropped; every step
// consumes input, so hostile data ends with the data.
class RunLengthDecoder {
public:
    RunLengthDecoder(PixelInput& in, const BmpPixelFormat& format, PixelRows& rows)
        : m_in(in),
          m_format(format),
          m_rows(rows),
          m_width(static_cast<std::uint64_t>(rows.layout.width)),
          m_height(static_cast<std::uint64_t>(rows.layout.height)) {}

    void Run() {
        std::uint8_t count = 0;
        std::uint8_t value = 0;
        while (m_line < m_height && m_in.Next(count) && m_in.Next(value)) {
            if (count != 0) {
                if (!Repeat(count, value)) return;
                continue;
            }
            switch (value) {
                case 0:
                    m_x = 0;
                    ++m_line;
                    break;
                case 1:
                    return;
                case 2: {
                    std::uint8_t dx = 0;
                    std::uint8_t dy = 0;
                    if (!m_in.Next(dx) || !m_in.Next(dy)) return;
                    m_x += dx;
                    m_line += dy;
                    break;
                }
                default:
                    if (!Literal(value)) return;
                    break;
            }
        }
    }

private:
    void Emit(const BgrColour& colour) {
        if (m_x < m_width) {
            std::uint8_t* row =
                m_rows.Data() + static_cast<std::size_t>(m_line) * m_rows.layout.stride;
            Put(row + m_x * 3, colour);
        }
        ++m_x;
    }

    bool NextColour(std::uint8_t first, BgrColour& colour) {
        std::uint8_t green = 0;
        std::uint8_t red = 0;
        if (!m_in.Next(green) || !m_in.Next(red)) return false;
        colour = BgrColour{first, green, red};
        return true;
    }

    bool Repeat(unsigned count, std::uint8_t value) {
        const auto& palette = m_format.palette;
        switch (m_format.encoding) {
            case BmpEncoding::kRle24: {
                BgrColour colour{};
                if (!NextColour(value, colour)) return false;
                for (unsigned i = 0; i < count; ++i) Emit(colour);
                break;
            }
            case BmpEncoding::kRle4:
                for (unsigned i = 0; i < count; ++i) {
                    Emit(palette[i % 2 == 0 ? value >> 4 : value & 0x0F]);
                }
                break;
            default:
                for (unsigned i = 0; i < count; ++i) Emit(palette[value]);
                break;
        }
        return true;
    }

    bool Literal(unsigned count) {
        const auto& palette = m_format.palette;
        std::uint64_t consumed = 0;
        for (unsigned i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            if (m_format.encoding == BmpEncoding::kRle4 && i % 2 == 1) {
                continue;  // the low half of the byte taken with the pixel before
            }
            if (!m_in.Next(byte)) return false;
            ++consumed;
            if (m_format.encoding == BmpEncoding::kRle24) {
                BgrColour colour{};
                if (!NextColour(byte, colour)) return false;
                consumed += 2;
                Emit(colour);
            } else if (m_format.encoding == BmpEncoding::kRle4) {
                Emit(palette[byte >> 4]);
                if (i + 1 < count) Emit(palette[byte & 0x0F]);
            } else {
                Emit(palette[byte]);
            }
        }
        return consumed % 2 == 0 || m_in.Skip(1);
    }

    PixelInput& m_in;
    const BmpPixelFormat& m_format;
    PixelRows& m_rows;
    const std::uint64_t m_width;
    const std::uint64_t m_height;
    std::uint64_t m_x = 0;
    std::uint64_t m_line = 0;
};

}  // namespace

void ConvertPixels(ByteSource& source, std::uint64_t limit, const BmpPixelFormat& format,
                   PixelRows& rows) {
    if (rows.layout.Size() != 0) std::memset(rows.Data(), 0, rows.layout.Size());
    PixelInput in(source, limit);
    switch (format.encoding) {
        case BmpEncoding::kIndexed:
        case BmpEncoding::kBitFields:
            ConvertLines(in, format, rows);
            break;
        case BmpEncoding::kRle8:
        case BmpEncoding::kRle4:
        case BmpEncoding::kRle24:
            RunLengthDecoder(in, format, rows).Run();
            break;
    }
}
