#include "tools/replay/Frames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "picture/NearestPixels.h"
#include "picture/WorkPicture.h"

namespace {
constexpr std::size_t kRowBytes = PictureArea::kSide * 3;
constexpr std::uint8_t kButtonFace = 240;

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
}  // namespace

PictureArea::PictureArea() : m_rows(kRowBytes * kSide, kButtonFace) {}

void PictureArea::Paint(const WorkPicture* picture) {
    if (picture == nullptr || picture->Empty()) {
        std::fill(m_rows.begin(), m_rows.end(), kButtonFace);
        return;
    }
    std::array<std::size_t, kSide> source_x{};
    NearestColumnOffsets(picture->Rows(), source_x);
    for (int y = 0; y < kSide; ++y) {
        const std::uint8_t* src = NearestRow(picture->Rows(), y, kSide);
        std::uint8_t* dst = m_rows.data() + static_cast<std::size_t>(y) * kRowBytes;
        for (std::size_t x = 0; x < kSide; ++x) std::memcpy(dst + 3 * x, src + source_x[x], 3);
    }
}

bool PictureArea::WriteBmp(const std::filesystem::path& file) const {
    std::array<std::uint8_t, 54> header{};
    const auto image_size = static_cast<std::uint32_t>(m_rows.size());
    header[0] = 'B';
    header[1] = 'M';
    Put32(&header[2], 54 + image_size);
    Put32(&header[10], 54);
    Put32(&header[14], 40);
    Put32(&header[18], kSide);
    Put32(&header[22], kSide);
    header[26] = 1;
    header[28] = 24;
    Put32(&header[34], image_size);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    for (int y = kSide - 1; y >= 0; --y) {  // stored bottom row first
        out.write(
            reinterpret_cast<const char*>(m_rows.data()) + static_cast<std::size_t>(y) * kRowBytes,
            kRowBytes);
    }
    return static_cast<bool>(out.flush());
}
