#pragma once

// Row storage the window can draw from directly.
//  [X] Pixel storage: a 24-bit device-independent bitmap (CreateDIBSection),
//      bottom-up or top-down as the file stored its rows.
//  [X] Falls back to the heap for an empty picture, which has no bitmap.

#include <memory>

#include "picture/PixelStorage.h"

class DibPixels final : public PixelAllocator {
public:
    [[nodiscard]] std::unique_ptr<PixelStorage> Allocate(
        const PixelLayout& layout) noexcept override;
};

// The bitmap (an HBITMAP) behind storage that DibPixels handed out; null for
// any other storage.
[[nodiscard]] void* DibSectionOf(const PixelStorage* storage);
