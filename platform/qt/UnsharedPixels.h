#pragma once

// Picture storage kept out of child processes.
//  [X] Pixel storage: anonymous pages excluded from fork (MADV_DONTFORK).
//      Libraries the program uses may fork to start a helper (a session bus,
//      a sound server); after a fork every page the parent then writes
//      faults once, which on a large picture stalls a flicker tick or a
//      reload by tens of milliseconds.

#include "picture/PixelStorage.h"

class UnsharedPixels final : public PixelAllocator {
public:
    [[nodiscard]] std::unique_ptr<PixelStorage> Allocate(
        const PixelLayout& layout) noexcept override;
};
