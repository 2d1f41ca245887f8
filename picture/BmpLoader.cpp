#include "picture/BmpLoader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>
#include <string>

#include "core/Messages.h"
#include "core/ShowError.h"
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

    [[nodiscard]] bool IsShort() const { return size == 12; }
};

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;

BitmapHeader ReadBitmapHeader(SectionReader& in) {
    std::array<std::uint8_t, 40> b{};
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
    in.Exact(std::span(b).subspan(4));
    h.width = I32(&b[4]);
    h.height = I32(&b[8]);
    h.planes = U16(&b[12]);
    h.bit_count = U16(&b[14]);
    h.compression = U32(&b[16]);
    h.image_size = U32(&b[20]);
    h.colours_used = U32(&b[32]);
    // The rest of a longer header has no effect here.
    in.Skip(h.size - 40);
    return h;
}

std::uint32_t ColourTableEntries(const BitmapHeader& h) {
    if (!h.IsShort() && h.colours_used != 0) return h.colours_used;
    switch (h.bit_count) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

// Masks and colour table: read past, since only 24-bit rows are taken.
void ReadMasksAndColourTable(SectionReader& in, const BitmapHeader& h) {
    if (h.size == 40 && (h.bit_count == 16 || h.bit_count == 32) && h.compression == kBitFields) {
        in.Skip(12);
    }
    std::uint32_t entries = ColourTableEntries(h);
    if (entries > 256) RaiseInvalid();
    in.Skip(std::uint64_t{entries} * (h.IsShort() ? 3u : 4u));
}

PixelRows AllocateRows(const BitmapHeader& h, PixelAllocator& allocator) {
    if (h.bit_count != 24 || h.compression != kRgb) RaiseInvalid();
    if (h.width < 0 || h.height == std::numeric_limits<std::int32_t>::min()) RaiseInvalid();
    const std::uint64_t width = static_cast<std::uint64_t>(h.width);
    const std::uint64_t height = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    const std::uint64_t stride = (width * 24 + 31) / 32 * 4;
    // Each row costs at least a word, so a picture of zero width cannot
    // bring millions of empty rows through every flicker tick.
    if (std::max<std::uint64_t>(stride, 4) * height > kMaxRowStorageBytes) RaiseInvalid();

    PixelRows rows;
    rows.layout.width = static_cast<std::int32_t>(width);
    rows.layout.height = static_cast<std::int32_t>(height);
    rows.layout.stride = static_cast<std::size_t>(stride);
    rows.layout.top_down = h.height < 0;
    rows.storage = allocator.Allocate(rows.layout);
    if (!rows.storage) RaiseInvalid();
    rows.base = rows.storage->Data();
    return rows;
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
    ReadMasksAndColourTable(in, header);

    PixelRows rows = AllocateRows(header, allocator);
    const std::size_t storage = rows.layout.Size();
    std::size_t wanted = storage;
    if (header.image_size != 0) wanted = std::min<std::size_t>(wanted, header.image_size);
    std::size_t read = in.UpTo(std::span(rows.base, wanted));
    // Storage the file does not supply holds zeros.
    std::memset(rows.base + read, 0, storage - read);
    return rows;
}
