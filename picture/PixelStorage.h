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
    friend bool operator==(const PixelLayout&, const PixelLayout&) = default;
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

// Keeps one retired block for the next request of the same layout, so that
// reloading a large picture writes into memory that is already mapped
// instead of faulting in (and later releasing) a fresh block each time.
class SparePixels final : public PixelAllocator {
public:
    explicit SparePixels(PixelAllocator& backing) : m_backing(&backing) {}

    // The spare when its layout matches; otherwise the spare is released
    // first, so no more than two blocks are ever held, and the backing
    // allocator is asked.
    [[nodiscard]] std::unique_ptr<PixelStorage> Allocate(
        const PixelLayout& layout) noexcept override;

    // Keeps `storage` as the spare, replacing any earlier one.
    void Retire(const PixelLayout& layout, std::unique_ptr<PixelStorage> storage) noexcept;
    // Makes sure a spare of `layout` exists with every page written once.
    // A refused allocation leaves no spare; nothing else depends on it.
    void Reserve(const PixelLayout& layout) noexcept;

    [[nodiscard]] bool HasSpare(const PixelLayout& layout) const {
        return m_spare != nullptr && m_spare_layout == layout;
    }

private:
    PixelAllocator* m_backing;
    std::unique_ptr<PixelStorage> m_spare;
    PixelLayout m_spare_layout;
};
