#pragma once

// The tune as the platform's sequencer reads it, for the players whose own
// file reader is strict (FluidSynth: the desktop program, render_tune and
// the page): a Standard MIDI File read the way a forgiving sequencer reads
// it, and handed on as a clean one.
//  [X] A file that reads cleanly is handed on unchanged, byte for byte.
//  [X] Any other is rewritten from what was read: one format-0 track at the
//      file's own division, every track merged in time order.
//  [X] Read leniently: running status kept across meta and system-exclusive
//      events; meta events skipped by their stated length; SMPTE timing
//      turned into the same ticks at a fixed tempo; a header of any length
//      of 6 or more; fewer or more tracks than announced; a track cut short,
//      or broken, played up to there; unknown chunks and trailing bytes
//      ignored; the RIFF RMID wrapper unwrapped.
//  [X] Nothing playable (no note-on with a velocity above 0) is said apart
//      from a tune, so that the player stays silent.
//  [X] Bounded: every loop moves on through the file, and no more than a few
//      times the file's size is held (the rewritten file and a cursor for
//      each track that holds events).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

enum class TuneKind : std::uint8_t {
    NotATune,  // no Standard MIDI File, bare or wrapped
    Silent,    // a file with no note-on with a velocity above 0
    Clean,     // plays as it is: the file's own bytes are handed on
    Repaired,  // plays once rewritten: TuneFile::bytes are handed on
};

struct TuneFile {
    TuneKind kind = TuneKind::NotATune;
    std::vector<std::uint8_t> bytes;  // the rewritten file, when Repaired

    // What the player is handed: `file` itself or the rewritten bytes;
    // empty when there is nothing to play.
    [[nodiscard]] std::span<const std::uint8_t> Playable(std::span<const std::uint8_t> file) const;
};

[[nodiscard]] TuneFile ReadTune(std::span<const std::uint8_t> file);

// Whether a file that starts with `start` (its first 12 bytes, or all of a
// shorter one) may be a tune: "MThd", or a RIFF file of form "RMID".
[[nodiscard]] bool MarksTune(std::span<const std::uint8_t> start);

// The bytes a file's first bytes are looked at for MarksTune.
inline constexpr std::size_t kTuneMarkBytes = 12;
