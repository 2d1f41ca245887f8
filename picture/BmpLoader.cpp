#include "picture/BmpLoader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>
#include <string>

#include "core/Messages.h"
#include "core/ShowError.h"
#include "picture/BmpConvert.h"
#include "picture/ByteSource.h"

namespace {

[[noreturn]] void RaiseReadError() { throw ShowError(std::string(messages::kReadError)); }
[[noreturn]] void RaiseInvalid() { throw ShowError(std::string(messages::kInvalidBitmap)); }

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// Reads whole sections of the file; a file that ends inside one raises the
// read error.
class SectionReader {
public:
    explicit SectionReader(ByteSource& source) : m_source(source) {}

    void Exact(std::span<std::uint8_t> dst) {
        if (m_source.Read(dst) != dst.size()) RaiseReadError();
    }
    void Skip(std::uint64_t n) {
        std::array<std::uint8_t, 4096> scratch;
        while (n != 0) {
            auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(n, scratch.size()));
            Exact(std::span(scratch).first(chunk));
            n -= chunk;
        }
    }
    std::size_t UpTo(std::span<std::uint8_t> dst) { return m_source.Read(dst); }

private:
    ByteSource& m_source;
};

struct BitmapHeader {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top row first
    std::uint16_t planes = 0;
    std::uint16_t bit_count = 0;
    std::uint32_t compression = 0;
    std::uint32_t image_size = 0;
    std::uint32_t colours_used = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue: in headers of 52 bytes or more

    [[nodiscard]] bool IsShort() const { return size == 12; }
};

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kRle24 = 4;  // in a 64-byte header; otherwise JPEG data
constexpr std::uint32_t kAlphaBitFields = 6;
constexpr std::uint32_t kHeaderWithMasks = 52;
constexpr std::uint32_t kOs2LongHeader = 64;

BitmapHeader ReadBitmapHeader(SectionReader& in) {
    std::array<std::uint8_t, 52> b{};
    BitmapHeader h;
    in.Exact(std::span(b).first(4));
    h.size = U32(b.data());
    if (h.IsShort()) {
        in.Exact(std::span(b).subspan(4, 8));
        h.width = U16(&b[4]);
        h.height = U16(&b[6]);
        h.planes = U16(&b[8]);
        h.bit_count = U16(&b[10]);
        return h;
    }
    if (h.size < 40) RaiseInvalid();
    const std::uint32_t kept = std::min<std::uint32_t>(h.size, kHeaderWithMasks);
    in.Exact(std::span(b).subspan(4, kept - 4));
    h.width = I32(&b[4]);
    h.height = I32(&b[8]);
    h.planes = U16(&b[12]);
    h.bit_count = U16(&b[14]);
    h.compression = U32(&b[16]);
    h.image_size = U32(&b[20]);
    h.colours_used = U32(&b[32]);
    h.masks = {U32(&b[40]), U32(&b[44]), U32(&b[48])};
    // The rest of a longer header has no effect here.
    in.Skip(h.size - kept);
    return h;
}

bool HasBitFields(const BitmapHeader& h) {
    return (h.bit_count == 16 || h.bit_count == 32) &&
           (h.compression == kBitFields || h.compression == kAlphaBitFields);
}

std::uint32_t ColourTableEntries(const BitmapHeader& h) {
    if (!h.IsShort() && h.colours_used != 0) return h.colours_used;
    switch (h.bit_count) {
        case 1:
            return 2;
        case 2:
            return 4;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

// Masks after a 40-byte header (a fourth, for alpha, is read past), then the
// colour table, which only palette pictures use.
void ReadMasksAndColourTable(SectionReader& in, BitmapHeader& h, BmpPixelFormat& format) {
    if (h.size == 40 && HasBitFields(h)) {
        std::array<std::uint8_t, 16> m{};
        in.Exact(std::span(m).first(h.compression == kAlphaBitFields ? 16 : 12));
        h.masks = {U32(&m[0]), U32(&m[4]), U32(&m[8])};
    }
    std::uint32_t entries = ColourTableEntries(h);
    if (entries > 256) RaiseInvalid();
    const std::size_t entry_size = h.IsShort() ? 3 : 4;
    std::array<std::uint8_t, 256 * 4> table{};
    in.Exact(std::span(table).first(entries * entry_size));
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* e = &table[i * entry_size];
        format.palette[i] = BgrColour{e[0], e[1], e[2]};
    }
}

// Nothing for uncompressed 24 bits, read as it is stored; otherwise how to
// convert, or the invalid-bitmap error for what no conversion takes (JPEG or
// PNG data, unknown depths and compressions).
std::optional<BmpPixelFormat> Conversion(const BitmapHeader& h, BmpPixelFormat format) {
    format.bit_count = h.bit_count;
    switch (h.compression) {
        case kRgb:
            switch (h.bit_count) {
                case 24:
                    return std::nullopt;
                case 1:
                case 2:
                case 4:
                case 8:
                    format.encoding = BmpEncoding::kIndexed;
                    return format;
                case 16:
                    format.encoding = BmpEncoding::kBitFields;
                    format.masks = {0x7C00, 0x03E0, 0x001F};
                    return format;
                case 32:
                    format.encoding = BmpEncoding::kBitFields;
                    format.masks = {0xFF0000, 0x00FF00, 0x0000FF};
                    return format;
                default:
                    break;
            }
            break;
        case kRle8:
        case kRle4:
            if (h.bit_count == (h.compression == kRle8 ? 8 : 4)) {
                format.encoding = h.compression == kRle8 ? BmpEncoding::kRle8 : BmpEncoding::kRle4;
                return format;
            }
            break;
        case kBitFields:
        case kAlphaBitFields:
            // Headers between 40 and 52 bytes hold only part of the masks.
            if (HasBitFields(h) && (h.size == 40 || h.size >= kHeaderWithMasks)) {
                format.encoding = BmpEncoding::kBitFields;
                format.masks = h.masks;
                return format;
            }
            break;
        case kRle24:
            if (h.bit_count == 24 && h.size == kOs2LongHeader) {
                format.encoding = BmpEncoding::kRle24;
                return format;
            }
            break;
        default:
            break;
    }
    RaiseInvalid();
}

PixelRows AllocateRows(const BitmapHeader& h, PixelAllocator& allocator) {
    if (h.width < 0 || h.height == std::numeric_limits<std::int32_t>::min()) RaiseInvalid();
    const std::uint64_t width = static_cast<std::uint64_t>(h.width);
    const std::uint64_t height = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    const std::uint64_t stride = (width * 24 + 31) / 32 * 4;
    // Each row costs at least a word, so a picture of zero width cannot
    // bring millions of empty rows through every flicker tick.
    if (std::max<std::uint64_t>(stride, 4) * height > kMaxRowStorageBytes) RaiseInvalid();

    PixelLayout layout;
    layout.width = static_cast<std::int32_t>(width);
    layout.height = static_cast<std::int32_t>(height);
    layout.stride = static_cast<std::size_t>(stride);
    layout.top_down = h.height < 0;
    std::unique_ptr<PixelStorage> storage = allocator.Allocate(layout);
    if (!storage) RaiseInvalid();
    return PixelRows(layout, std::move(storage));
}

// Uncompressed 24 bits: the file's rows are the row storage.
void ReadStoredRows(SectionReader& in, const BitmapHeader& header, PixelRows& rows) {
    const std::size_t storage = rows.layout.Size();
    std::size_t wanted = storage;
    if (header.image_size != 0) wanted = std::min<std::size_t>(wanted, header.image_size);
    std::size_t read = in.UpTo(std::span(rows.Data(), wanted));
    // Storage the file does not supply holds zeros.
    std::memset(rows.Data() + read, 0, storage - read);
}

// How many bytes of pixel data a converted picture may take from the file.
std::uint64_t PixelDataLimit(const BitmapHeader& h, const PixelRows& rows) {
    if (h.image_size != 0) return h.image_size;
    if (h.compression == kRle8 || h.compression == kRle4 || h.compression == kRle24) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    const auto width = static_cast<std::uint64_t>(rows.layout.width);
    return (width * h.bit_count + 31) / 32 * 4 * static_cast<std::uint64_t>(rows.layout.height);
}

}  // namespace

std::optional<PixelRows> LoadBmp(ByteSource& source, PixelAllocator& allocator) {
    SectionReader in(source);
    std::array<std::uint8_t, 14> file_header{};
    std::size_t got = in.UpTo(file_header);
    if (got == 0) return std::nullopt;
    if (got < file_header.size()) RaiseReadError();
    // The file-size, reserved and pixel-offset fields are not read: the pixel
    // rows follow the headers, masks and colour table directly.
    if (file_header[0] != 'B' || file_header[1] != 'M') RaiseInvalid();

    BitmapHeader header = ReadBitmapHeader(in);
    if (header.planes != 1) RaiseInvalid();
    BmpPixelFormat format;
    ReadMasksAndColourTable(in, header, format);
    std::optional<BmpPixelFormat> conversion = Conversion(header, format);

    PixelRows rows = AllocateRows(header, allocator);
    if (conversion) {
        ConvertPixels(source, PixelDataLimit(header, rows), *conversion, rows);
    } else {
        ReadStoredRows(in, header, rows);
    }
    return rows;
}
