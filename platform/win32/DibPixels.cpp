// DIB section row storage: see the list in DibPixels.h.
#include "platform/win32/DibPixels.h"

#include <new>

#include "platform/win32/WindowsApi.h"

namespace {

class DibStorage final : public PixelStorage {
public:
    DibStorage(HBITMAP bitmap, std::uint8_t* bits) : m_bitmap(bitmap), m_bits(bits) {}
    DibStorage(const DibStorage&) = delete;
    DibStorage& operator=(const DibStorage&) = delete;
    ~DibStorage() override { DeleteObject(m_bitmap); }

    std::uint8_t* Data() override { return m_bits; }
    [[nodiscard]] HBITMAP Bitmap() const { return m_bitmap; }

private:
    HBITMAP m_bitmap;
    std::uint8_t* m_bits;
};

// A 24-bit DIB's rows are padded to 4 bytes, as the picture's are; anything
// else would put the rows where the picture does not expect them.
bool FitsDib(const PixelLayout& layout) {
    const auto packed = static_cast<std::size_t>(layout.width) * 3;
    return layout.width > 0 && layout.height > 0 && layout.stride == (packed + 3) / 4 * 4;
}

}  // namespace

std::unique_ptr<PixelStorage> DibPixels::Allocate(const PixelLayout& layout) noexcept {
    if (!FitsDib(layout)) return HeapPixels().Allocate(layout);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = layout.width;
    // A negative height makes the first row in memory the top one.
    info.bmiHeader.biHeight = layout.top_down ? -layout.height : layout.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        return nullptr;
    }
    auto* storage = new (std::nothrow) DibStorage(bitmap, static_cast<std::uint8_t*>(bits));
    if (storage == nullptr) DeleteObject(bitmap);
    return std::unique_ptr<PixelStorage>(storage);
}

void* DibSectionOf(const PixelStorage* storage) {
    const auto* dib = dynamic_cast<const DibStorage*>(storage);
    return dib != nullptr ? dib->Bitmap() : nullptr;
}
