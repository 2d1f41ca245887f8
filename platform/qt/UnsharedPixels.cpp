#include "platform/qt/UnsharedPixels.h"

#include <sys/mman.h>

#include <new>

namespace {

class MappedStorage final : public PixelStorage {
public:
    MappedStorage(void* pages, std::size_t size) : m_pages(pages), m_size(size) {}
    MappedStorage(const MappedStorage&) = delete;
    MappedStorage& operator=(const MappedStorage&) = delete;
    ~MappedStorage() override { munmap(m_pages, m_size); }
    std::uint8_t* Data() override { return static_cast<std::uint8_t*>(m_pages); }

private:
    void* m_pages;
    std::size_t m_size;
};

}  // namespace

std::unique_ptr<PixelStorage> UnsharedPixels::Allocate(const PixelLayout& layout) noexcept {
    // An empty picture has no pages to keep apart.
    if (layout.Size() == 0) return HeapPixels().Allocate(layout);
    void* pages =
        mmap(nullptr, layout.Size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return nullptr;
    // Without the advice the storage still works; forks just cost more.
    (void)madvise(pages, layout.Size(), MADV_DONTFORK);
    auto* storage = new (std::nothrow) MappedStorage(pages, layout.Size());
    if (storage == nullptr) munmap(pages, layout.Size());
    return std::unique_ptr<PixelStorage>(storage);
}
