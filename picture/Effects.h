#pragma once

#include <cstdint>

class RandomSource;
class WorkPicture;

// The pixel effects. Each works in place on the run of W x 3 bytes of every
// row; the filler bytes after a run are never touched. OR and XOR change
// every row alike, so they walk the rows in memory order; the noise gives each
// row its own draw, made in top-row-first order whatever order the rows lie
// in. None refreshes by itself.
void OrRows(WorkPicture& picture, std::uint8_t value);
void XorRows(WorkPicture& picture, std::uint8_t value);
// One draw of RandomBelow(9) per row, top row first, XORed into the row's run.
void AddRowNoise(WorkPicture& picture, RandomSource& random);
