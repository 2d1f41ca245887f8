#pragma once

// Small Standard MIDI Files for the tests of the tune reader, each with one
// of the faults a forgiving sequencer reads past, and the notes it holds.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace midi {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

inline Bytes Be(std::uint32_t value, int count) {
    Bytes out;
    for (int shift = 8 * (count - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    return out;
}

// A variable-length number, as delta times and lengths are written.
inline Bytes Varlen(std::uint32_t value) {
    Bytes out;
    for (int shift = 21; shift > 0; shift -= 7) {
        if (value >> shift) out.push_back(static_cast<std::uint8_t>(value >> shift | 0x80));
    }
    out.push_back(static_cast<std::uint8_t>(value & 0x7F));
    return out;
}

inline Bytes Chunk(const std::string& id, const Bytes& body, std::uint32_t stated) {
    Bytes out(id.begin(), id.end());
    Append(out, Be(stated, 4));
    Append(out, body);
    return out;
}
inline Bytes Chunk(const std::string& id, const Bytes& body) {
    return Chunk(id, body, static_cast<std::uint32_t>(body.size()));
}

// "MThd" with `extra` bytes after the six of the format.
inline Bytes Header(std::uint16_t format, std::uint16_t tracks, std::uint16_t division,
                    std::size_t extra = 0) {
    Bytes body = Be(format, 2);
    Append(body, Be(tracks, 2));
    Append(body, Be(division, 2));
    body.resize(6 + extra, 0);
    return Chunk("MThd", body);
}

inline Bytes Track(const Bytes& events) { return Chunk("MTrk", events); }
inline const Bytes kEndOfTrack = {0, 0xFF, 0x2F, 0};

// A channel message as the player gets it, at its time in ticks.
struct Note {
    std::uint64_t tick;
    std::uint8_t status, key, velocity;
    bool operator==(const Note&) const = default;
};

// Four notes a beat each on channel 1, released by note-ons of velocity 0,
// each event a beat (96 ticks) after the last but for the first two: after
// `between`, events written with running status (any meta or system-exclusive
// event), or nothing.
inline Bytes Melody(const Bytes& between = {}) {
    Bytes out;
    const std::uint8_t keys[] = {60, 64, 67, 72};
    bool first = true;
    for (const std::uint8_t key : keys) {
        for (const std::uint8_t velocity : {std::uint8_t{100}, std::uint8_t{0}}) {
            const std::uint8_t delta = first ? 0 : 96;
            if (!between.empty() && !first) {
                out.push_back(delta);
                Append(out, between);
                Append(out, {0, key, velocity});  // running status
            } else {
                Append(out, {delta, 0x90, key, velocity});
            }
            first = false;
        }
    }
    return out;
}

inline std::vector<Note> MelodyNotes(std::uint64_t from = 0) {
    std::vector<Note> notes;
    for (const int key : {60, 64, 67, 72}) {
        for (const std::uint8_t velocity : {std::uint8_t{100}, std::uint8_t{0}}) {
            notes.push_back(
                {from + 96 * notes.size(), 0x90, static_cast<std::uint8_t>(key), velocity});
        }
    }
    return notes;
}

}  // namespace midi
