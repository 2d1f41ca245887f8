#pragma once

// The level every player of the tune plays at: the desktop's FluidSynth with
// its limiter, render_tune through the same, and the web page's synthesizer.

// The synthesizer's gain. FluidSynth's default, 0.2, leaves a tune written at
// full level far quieter than other sounds; at 0.68 the default tune measures
// about -19 LUFS with TimGM6mb and -15 LUFS with FluidR3_GM (their choir pads
// differ by 8 dB), within the -20 to -14 LUFS of ordinary listening, and the
// ceiling holds what a louder tune adds.
inline constexpr double kSynthGain = 0.68;
// The ceiling for sample peaks, in dBFS. The true peaks between the samples,
// which a sound device's converter brings out, rise a few tenths of a decibel
// above it, and so stay below -1 dBTP.
inline constexpr double kCeilingDb = -2.0;
