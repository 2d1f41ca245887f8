#include "picture/PixelStorage.h"

#include <cstring>
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

std::unique_ptr<PixelStorage> SparePixels::Allocate(const PixelLayout& layout) noexcept {
    if (HasSpare(layout)) return std::move(m_spare);
    m_spare.reset();
    return m_backing->Allocate(layout);
}

void SparePixels::Retire(const PixelLayout& layout,
                         std::unique_ptr<PixelStorage> storage) noexcept {
    if (storage == nullptr) return;
    m_spare = std::move(storage);
    m_spare_layout = layout;
}

void SparePixels::Reserve(const PixelLayout& layout) noexcept {
    if (layout.Size() == 0 || HasSpare(layout)) return;
    auto storage = Allocate(layout);
    if (storage == nullptr) return;
    std::memset(storage->Data(), 0, layout.Size());
    Retire(layout, std::move(storage));
}
