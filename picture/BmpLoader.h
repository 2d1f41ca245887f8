#pragma once

#include <cstdint>
#include <optional>

#include "picture/PixelRows.h"

class ByteSource;

// No picture may need more row storage than this (256 MiB), counting each row
// as at least 4 bytes; larger ones are refused before anything is allocated.
inline constexpr std::uint64_t kMaxRowStorageBytes = std::uint64_t{1} << 28;

// Decodes a bitmap file into 24-bit rows taken from `allocator`, converting
// palette, run-length and bit-field files (picture/BmpFormats.md). Returns
// nothing for an empty (0-byte) source. Raises ShowError with the read-error
// or invalid-bitmap text; storage the allocator refuses is an invalid bitmap.
std::optional<PixelRows> LoadBmp(ByteSource& source, PixelAllocator& allocator = HeapPixels());
