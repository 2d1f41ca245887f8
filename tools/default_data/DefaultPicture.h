#pragma once

#include <cstdint>
#include <vector>

// Builds the show's default picture: an eye-shaped moon staring over a dark
// lake, a dead tree and a lonely house, with a glowing ringed halo and a
// burning horizon. The scene is chosen so that every effect of the show
// (washing out, inverting, flipping colour bits) has dark, bright and
// saturated regions to work on.
//
// Returns the complete bytes of a Windows BMP file: 400 x 400 pixels,
// 24 bits per pixel, uncompressed, rows stored bottom-up. The result is
// the same on every run: it depends on nothing but this code.
std::vector<std::uint8_t> MakeDefaultPicture();
