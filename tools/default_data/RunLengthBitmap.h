#pragma once

#include <cstdint>
#include <vector>

// Re-encodes an uncompressed 24-bit bitmap file with a 40-byte header and
// rows bottom-up (as MakeDefaultPicture writes it) as a run-length-encoded
// 24-bit one, which needs the 64-byte header: the same pixels in fewer bytes
// (about two thirds for the default picture), for the web page, which
// fetches its picture. Any other file comes back empty.
std::vector<std::uint8_t> RunLengthBitmap(const std::vector<std::uint8_t>& bmp);
