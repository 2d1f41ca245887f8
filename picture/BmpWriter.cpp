#include "picture/BmpWriter.h"

#include <cstring>
#include <fstream>
#include <system_error>

namespace {

void Put(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

void PutBmpHeaders(std::span<std::uint8_t> file, const BmpHeaderFields& f) {
    const std::size_t pixels_at = kBmpFileHeaderBytes + f.info_bytes;
    std::memset(file.data(), 0, pixels_at);
    file[0] = 'B';
    file[1] = 'M';
    Put(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    Put(file, 10, static_cast<std::uint32_t>(pixels_at), 4);
    const std::size_t h = kBmpFileHeaderBytes;
    Put(file, h, f.info_bytes, 4);
    Put(file, h + 4, static_cast<std::uint32_t>(f.width), 4);
    Put(file, h + 8, static_cast<std::uint32_t>(f.height), 4);
    Put(file, h + 12, 1, 2);  // planes
    Put(file, h + 14, f.bits, 2);
    Put(file, h + 16, f.compression, 4);
    Put(file, h + 20, f.image_bytes, 4);
    Put(file, h + 24, static_cast<std::uint32_t>(f.pixels_per_metre), 4);
    Put(file, h + 28, static_cast<std::uint32_t>(f.pixels_per_metre), 4);
}

std::vector<std::uint8_t> EncodeBmp24(std::int32_t width, std::int32_t height,
                                      const std::function<const std::uint8_t*(std::int32_t)>& row) {
    const std::size_t stride = BmpStride24(width);
    const std::size_t image = stride * static_cast<std::size_t>(height);
    const std::size_t pixels_at = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
    std::vector<std::uint8_t> file(pixels_at + image, 0);
    PutBmpHeaders(
        file, {.width = width, .height = height, .image_bytes = static_cast<std::uint32_t>(image)});
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* out =
            file.data() + pixels_at + static_cast<std::size_t>(height - 1 - y) * stride;
        std::memcpy(out, row(y), static_cast<std::size_t>(width) * 3);
    }
    return file;
}

bool WriteFileBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (out.flush()) return true;
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return false;
}
