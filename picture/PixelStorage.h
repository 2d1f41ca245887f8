#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The shape of a picture's row storage.
struct PixelLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t stride = 0;  // bytes a row, a multiple of 4
    bool top_down = false;   // the first row in memory is the top one
    [[nodiscard]] std::size_t Size() const { return stride * static_cast<std::size_t>(height); }
};

// A block of row storage: plain memory, read and written directly. A platform
// may hand out memory that it can also draw from.
class PixelStorage {
public:
    virtual ~PixelStorage() = default;
    [[nodiscard]] virtual std::uint8_t* Data() = 0;
};

class PixelAllocator {
public:
    virtual ~PixelAllocator() = default;
    // Storage of layout.Size() bytes, contents unspecified; null when refused.
    [[nodiscard]] virtual std::unique_ptr<PixelStorage> Allocate(
        const PixelLayout& layout) noexcept = 0;
};

// Storage on the heap.
PixelAllocator& HeapPixels();
