#include "picture/PixelStorage.h"

#include <new>

namespace {

class HeapStorage final : public PixelStorage {
public:
    explicit HeapStorage(std::unique_ptr<std::uint8_t[]> bytes) : m_bytes(std::move(bytes)) {}
    std::uint8_t* Data() override { return m_bytes.get(); }

private:
    std::unique_ptr<std::uint8_t[]> m_bytes;
};

class HeapAllocator final : public PixelAllocator {
public:
    std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
        std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[layout.Size()]);
        if (!bytes) return nullptr;
        return std::unique_ptr<PixelStorage>(new (std::nothrow) HeapStorage(std::move(bytes)));
    }
};

}  // namespace

PixelAllocator& HeapPixels() {
    static HeapAllocator allocator;
    return allocator;
}
