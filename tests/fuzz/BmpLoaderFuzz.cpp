// Feeds arbitrary bytes to the picture loader. Every outcome but a crash, a
// sanitizer report or a hang is fine: a picture, no picture, or ShowError.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "core/ShowError.h"
#include "picture/BmpLoader.h"
#include "picture/ByteSource.h"

namespace {

// Refuses storage above 4 MiB, as a platform may, so that the run stays
// fast; the loader's own bound is tested elsewhere. Blocks have exactly the
// asked size, so the address sanitizer sees any byte past the rows.
class SmallPixels final : public PixelAllocator {
public:
    std::unique_ptr<PixelStorage> Allocate(const PixelLayout& layout) noexcept override {
        if (layout.Size() > (std::size_t{1} << 22)) return nullptr;
        return std::unique_ptr<PixelStorage>(new (std::nothrow) Block(layout.Size()));
    }

private:
    class Block final : public PixelStorage {
    public:
        explicit Block(std::size_t size) : m_bytes(new std::uint8_t[size]) {}
        std::uint8_t* Data() override { return m_bytes.get(); }

    private:
        std::unique_ptr<std::uint8_t[]> m_bytes;
    };
};

// Touches every byte of every run, as the effects do, so that a layout whose
// runs leave their rows shows up.
void Touch(PixelRows& rows) {
    if (rows.RunLength() > rows.layout.stride) std::abort();
    for (std::int32_t r = 0; r < rows.Height(); ++r) {
        std::uint8_t* run = rows.Row(r);
        for (std::size_t i = 0; i < rows.RunLength(); ++i)
            run[i] = static_cast<std::uint8_t>(~run[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SpanSource source(std::span(data, size));
    SmallPixels allocator;
    try {
        if (auto rows = LoadBmp(source, allocator)) Touch(*rows);
    } catch (const ShowError&) {
    }
    return 0;
}
