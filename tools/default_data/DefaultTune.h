#pragma once

#include <cstdint>
#include <vector>

// Builds the show's default tune: a slow, uneasy piece in D minor in 3/4.
// A music-box melody with chromatic turns drifts over a low choir pad that
// swells and fades, while a tubular bell tolls at every change of harmony.
// The last bars slow down, and the whole piece lasts about 106 seconds.
//
// Returns the bytes of a Standard MIDI File (format 1: a tempo track and
// one track per instrument). The result is identical on every run.
std::vector<std::uint8_t> MakeDefaultTune();
