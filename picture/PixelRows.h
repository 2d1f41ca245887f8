#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "picture/PixelStorage.h"

// The row storage of a 24-bit picture: H rows of `stride` bytes, each row
// 3 bytes a pixel (blue, green, red) followed by filler up to a multiple of 4.
// The rows lie in the order the file stored them; `top_down` says which.
// Its bytes are writable only through a writable PixelRows, so whoever is
// handed const rows (a painter) can only read them.
class PixelRows {
public:
    PixelRows() = default;
    // The rows of `shape` in `storage`, which holds shape.Size() bytes.
    PixelRows(const PixelLayout& shape, std::unique_ptr<PixelStorage> storage)
        : layout(shape),
          m_storage(std::move(storage)),
          m_base(m_storage ? m_storage->Data() : nullptr) {}

    PixelLayout layout;

    [[nodiscard]] std::int32_t Width() const { return layout.width; }
    [[nodiscard]] std::int32_t Height() const { return layout.height; }
    [[nodiscard]] bool Empty() const { return layout.width == 0 || layout.height == 0; }
    // The bytes that the effects change in each row.
    [[nodiscard]] std::size_t RunLength() const {
        return static_cast<std::size_t>(layout.width) * 3;
    }
    // The first byte of the storage, rows in memory order.
    [[nodiscard]] std::uint8_t* Data() { return m_base; }
    [[nodiscard]] const std::uint8_t* Data() const { return m_base; }
    // Row r counted from the top as the picture is shown; r must be in range.
    [[nodiscard]] std::uint8_t* Row(std::int32_t r) { return m_base + RowOffset(r); }
    [[nodiscard]] const std::uint8_t* Row(std::int32_t r) const { return m_base + RowOffset(r); }

    // The block the rows lie in, for a platform that draws from it.
    [[nodiscard]] const PixelStorage* Storage() const { return m_storage.get(); }
    // Hands the block over, leaving no rows behind.
    [[nodiscard]] std::unique_ptr<PixelStorage> TakeStorage() {
        m_base = nullptr;
        return std::move(m_storage);
    }

private:
    [[nodiscard]] std::size_t RowOffset(std::int32_t r) const {
        auto from_start = static_cast<std::size_t>(layout.top_down ? r : layout.height - 1 - r);
        return from_start * layout.stride;
    }

    std::unique_ptr<PixelStorage> m_storage;
    std::uint8_t* m_base = nullptr;
};
