#pragma once

#include <cstdint>

class RandomSource;
class WorkPicture;

// The pixel effects. Each works on the run of W x 3 bytes of every row, top
// row first, in place; the filler bytes after a run are never touched. None
// refreshes by itself.
void OrRows(WorkPicture& picture, std::uint8_t value);
void XorRows(WorkPicture& picture, std::uint8_t value);
// One draw of RandomBelow(9) per row, top row first, XORed into the row's run.
void AddRowNoise(WorkPicture& picture, RandomSource& random);
