#include "platform/TuneReader.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace {

using Bytes = std::span<const std::uint8_t>;

// Later events end the tune: their deltas would no longer fit the four
// bytes a delta time may take (at 480 ticks a beat, some 77 hours).
constexpr std::uint64_t kLastTick = 0x0FFFFFFF;
// For a file whose division is 0, which times nothing.
constexpr std::uint16_t kDefaultDivision = 480;
// The most tracks FluidSynth's player takes.
constexpr std::size_t kPlayerTracks = 128;

bool Is(Bytes bytes, std::size_t at, std::string_view tag) {
    if (bytes.size() < at || bytes.size() - at < tag.size()) return false;
    return std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::uint32_t Be32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]);
}

std::uint16_t Be16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

std::uint32_t Le32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}

// The Standard MIDI File in a RIFF RMID wrapper's "data" chunk (empty when
// it has none), or the file itself when it is not wrapped.
Bytes Unwrap(Bytes file, bool& wrapped) {
    if (!Is(file, 0, "RIFF") || !Is(file, 8, "RMID")) return file;
    wrapped = true;
    std::size_t pos = 12;
    while (file.size() - pos >= 8) {
        const std::size_t size = Le32(file, pos + 4);
        const std::size_t start = pos + 8;
        const std::size_t left = file.size() - start;
        if (Is(file, pos, "data")) return file.subspan(start, std::min(size, left));
        if (size >= left) break;
        pos = start + size + (size & 1);  // chunks are padded to an even size
    }
    return {};
}

// The number of data bytes after a channel message's status.
std::size_t DataBytes(std::uint8_t status) { return (status & 0xE0) == 0xC0 ? 1 : 2; }

enum class Kind : std::uint8_t { Channel, SysEx, Tempo, Dropped, End };

// An event's data bytes in the file; its time is its track's.
struct Event {
    std::size_t at = 0;
    std::uint32_t size = 0;
    Kind kind = Kind::End;
    std::uint8_t status = 0;  // a channel message's
};

// One track's events, read forgivingly: running status outlives meta and
// system-exclusive events, meta events are skipped by their stated length,
// and a track ends at its end-of-track event, its end, a cut or the first
// byte that makes no sense. `faulty` is set by anything FluidSynth's own
// reader would refuse or read otherwise.
class Track {
public:
    Track(std::size_t begin, std::size_t end, bool keep_tempo)
        : m_pos(begin), m_end(end), m_keep_tempo(keep_tempo) {}

    // The next event, Dropped for one that is not handed on.
    Event Next(Bytes file);
    // Moves on to the next event handed on, or the end.
    void Advance(Bytes file) {
        do {
            m_current = Next(file);
        } while (m_current.kind == Kind::Dropped);
    }
    [[nodiscard]] const Event& Current() const { return m_current; }
    // The time of the last event read, in ticks.
    [[nodiscard]] std::uint64_t Tick() const { return m_tick; }

    bool faulty = false;

private:
    bool ReadVarlen(Bytes file, std::uint32_t& value);
    Event Fault() {
        faulty = true;
        return End();
    }
    Event End() {
        m_pos = m_end;
        return {};
    }

    // (Kept small: the merge holds one for each track with events.)
    std::size_t m_pos;
    std::size_t m_end;
    std::uint64_t m_tick = 0;
    Event m_current;
    bool m_keep_tempo;
    std::uint8_t m_running = 0;      // the last channel status
    std::uint8_t m_last_status = 0;  // the last status of any kind, as FluidSynth keeps it
};

// A variable-length number of at most four bytes, as the format allows.
bool Track::ReadVarlen(Bytes file, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (m_pos >= m_end) return false;
        const std::uint8_t byte = file[m_pos++];
        value = value << 7 | (byte & 0x7Fu);
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

Event Track::Next(Bytes file) {
    if (m_pos >= m_end) return {};
    std::uint32_t delta = 0;
    if (!ReadVarlen(file, delta)) return Fault();
    m_tick += delta;
    if (m_tick > kLastTick) return End();
    if (m_pos >= m_end) return Fault();

    Event event;
    std::uint8_t status = file[m_pos];
    if (status < 0x80) {
        // Running status; FluidSynth's runs on from the last meta or
        // system-exclusive event, or from the track before.
        if (m_last_status < 0x80 || m_last_status >= 0xF0) faulty = true;
        if (m_running == 0) return Fault();
        status = m_running;
    } else {
        ++m_pos;
    }
    m_last_status = status;

    if (status < 0xF0) {
        m_running = status;
        const std::size_t count = DataBytes(status);
        if (m_end - m_pos < count) return Fault();
        for (std::size_t i = 0; i < count; ++i) {
            if (file[m_pos + i] >= 0x80) return Fault();
        }
        event.kind = Kind::Channel;
        event.status = status;
        event.at = m_pos;
        event.size = static_cast<std::uint32_t>(count);
        m_pos += count;
        return event;
    }

    std::uint8_t type = 0;
    if (status == 0xFF) {
        if (m_pos >= m_end) return Fault();
        type = file[m_pos++];
    } else if (status != 0xF0 && status != 0xF7) {
        // A system common or real-time message, which has no place in a file.
        faulty = true;
        const std::size_t count = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
        if (m_end - m_pos < count) return Fault();
        m_pos += count;
        event.kind = Kind::Dropped;
        return event;
    }
    std::uint32_t length = 0;
    if (!ReadVarlen(file, length) || m_end - m_pos < length) return Fault();
    event.at = m_pos;
    event.size = length;
    m_pos += length;

    if (status == 0xF0) {
        event.kind = length > 0 ? Kind::SysEx : Kind::Dropped;
        return event;
    }
    if (status == 0xF7) {
        faulty = true;  // an escape, which FluidSynth refuses
        event.kind = Kind::Dropped;
        return event;
    }
    // The lengths FluidSynth insists on.
    constexpr std::uint8_t kEndOfTrack = 0x2F;
    constexpr std::uint8_t kTempo = 0x51;
    const std::uint32_t expected = type == kEndOfTrack ? 0
                                   : type == kTempo    ? 3
                                   : type == 0x54      ? 5
                                   : type == 0x58      ? 4
                                   : type == 0x59      ? 2
                                                       : length;
    if (length != expected) faulty = true;
    if (type == kEndOfTrack) return End();
    event.kind = Kind::Dropped;
    if (type == kTempo && length >= 3) {
        const std::uint32_t tempo = static_cast<std::uint32_t>(
            file[event.at] << 16 | file[event.at + 1] << 8 | file[event.at + 2]);
        if (tempo == 0) faulty = true;
        if (tempo != 0 && m_keep_tempo) event.kind = Kind::Tempo;
    }
    return event;
}

// The chunks after the header: calls `track(begin, end)` for each track
// (its end cut to the file's), and says whether anything but tracks, each
// whole, follows the header.
template <typename OnTrack>
bool ForEachTrack(Bytes smf, std::size_t first, OnTrack&& track) {
    bool odd = false;
    std::size_t pos = first;
    while (pos < smf.size()) {
        if (smf.size() - pos < 8) return true;  // trailing bytes
        const std::size_t length = Be32(smf, pos + 4);
        const std::size_t begin = pos + 8;
        const std::size_t left = smf.size() - begin;
        const bool is_track = Is(smf, pos, "MTrk");
        if (!is_track) {
            // An unknown chunk is skipped; bytes that are no chunk end the file.
            odd = true;
            for (std::size_t i = 0; i < 4; ++i) {
                if (smf[pos + i] < 0x20 || smf[pos + i] > 0x7E) return true;
            }
        } else {
            track(begin, begin + std::min(length, left));
        }
        if (length > left) return true;
        pos = begin + length;
    }
    return odd;
}

// Writes the merged track.
class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : m_out(out) {}

    void Byte(std::uint32_t value) { m_out.push_back(static_cast<std::uint8_t>(value)); }
    void Be(std::uint32_t value, int bytes) {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) Byte(value >> shift);
    }
    void Varlen(std::uint32_t value) {
        for (int shift = 21; shift > 0; shift -= 7) {
            if (value >> shift) Byte(value >> shift | 0x80);
        }
        Byte(value & 0x7F);
    }
    void Delta(std::uint64_t tick) {
        Varlen(static_cast<std::uint32_t>(tick - m_tick));
        m_tick = tick;
    }
    void Tempo(std::uint64_t tick, std::uint32_t tempo) {
        Delta(tick);
        Byte(0xFF);
        Byte(0x51);
        Byte(3);
        Be(tempo, 3);
        m_running = 0;
    }
    void Put(std::uint64_t tick, const Event& event, Bytes smf) {
        const Bytes data = smf.subspan(event.at, event.size);
        if (event.kind == Kind::Tempo) {
            Tempo(tick, static_cast<std::uint32_t>(data[0] << 16 | data[1] << 8 | data[2]));
            return;
        }
        Delta(tick);
        if (event.kind == Kind::SysEx) {
            Byte(0xF0);
            Varlen(static_cast<std::uint32_t>(data.size()));
            m_running = 0;
        } else if (event.status != m_running) {
            Byte(event.status);
            m_running = event.status;
        }
        m_out.insert(m_out.end(), data.begin(), data.end());
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_tick = 0;
    std::uint8_t m_running = 0;
};

// The most bytes an event takes in the merged track: a delta of at most four
// bytes, and a status and a length for a system-exclusive event.
std::size_t MostBytes(const Event& event) {
    switch (event.kind) {
        case Kind::Channel:
            return 5 + event.size;
        case Kind::SysEx:
            return 9 + event.size;
        case Kind::Tempo:
            return 10;
        default:
            return 0;
    }
}

struct Timing {
    std::uint16_t division = kDefaultDivision;
    std::uint32_t tempo = 0;  // one set at the start, for SMPTE timing
    bool changed = false;
};

// Ticks a quarter note, from the header's division. SMPTE timing (frames a
// second and ticks a frame) becomes a beat of one second at a division of
// ticks a second, so every tick keeps its time; 29.97 frames a second counts
// 30 frames to a beat a little over a second long.
Timing ReadTiming(std::uint16_t division) {
    Timing timing;
    if ((division & 0x8000) == 0) {
        timing.changed = division == 0;
        if (division != 0) timing.division = division;
        return timing;
    }
    timing.changed = true;
    const int frames = 256 - (division >> 8);
    const int ticks = division & 0xFF;
    if (ticks == 0) return timing;
    timing.division = static_cast<std::uint16_t>((frames == 29 ? 30 : frames) * ticks);
    timing.tempo = frames == 29 ? 1001001 : 1000000;
    return timing;
}

std::vector<std::uint8_t> Merge(Bytes smf, std::size_t first, const Timing& timing,
                                std::size_t busy_tracks, std::size_t most_bytes) {
    const bool keep_tempo = timing.tempo == 0;
    std::vector<Track> tracks;
    tracks.reserve(busy_tracks);
    ForEachTrack(smf, first, [&](std::size_t begin, std::size_t end) {
        Track track(begin, end, keep_tempo);
        track.Advance(smf);
        if (track.Current().kind != Kind::End) tracks.push_back(track);
    });
    // A heap of the tracks by their next event: the earliest, and of those
    // at the same time the earlier track, comes first.
    std::vector<std::uint32_t> heap;
    heap.reserve(tracks.size());
    const auto later = [&tracks](std::uint32_t a, std::uint32_t b) {
        const std::uint64_t ta = tracks[a].Tick();
        const std::uint64_t tb = tracks[b].Tick();
        return ta != tb ? ta > tb : a > b;
    };
    for (std::uint32_t i = 0; i < tracks.size(); ++i) heap.push_back(i);
    std::make_heap(heap.begin(), heap.end(), later);

    // The header and the track's start, its length set below.
    const std::uint8_t division[2] = {static_cast<std::uint8_t>(timing.division >> 8),
                                      static_cast<std::uint8_t>(timing.division & 0xFF)};
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, division[0], division[1],
                                  'M', 'T', 'r', 'k', 0, 0, 0, 0};
    out.reserve(most_bytes);
    Writer writer(out);
    if (timing.tempo != 0) writer.Tempo(0, timing.tempo);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Track& track = tracks[heap.back()];
        writer.Put(track.Tick(), track.Current(), smf);
        track.Advance(smf);
        if (track.Current().kind == Kind::End) {
            heap.pop_back();
        } else {
            std::push_heap(heap.begin(), heap.end(), later);
        }
    }
    writer.Byte(0);
    writer.Be(0xFF2F00, 3);
    const auto length = static_cast<std::uint32_t>(out.size() - 22);
    for (std::size_t i = 0; i < 4; ++i) {
        out[18 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
    return out;
}

}  // namespace

std::span<const std::uint8_t> TuneFile::Playable(std::span<const std::uint8_t> file) const {
    switch (kind) {
        case TuneKind::Clean:
            return file;
        case TuneKind::Repaired:
            return bytes;
        default:
            return {};
    }
}

bool MarksTune(std::span<const std::uint8_t> start) {
    return Is(start, 0, "MThd") || (Is(start, 0, "RIFF") && Is(start, 8, "RMID"));
}

TuneFile ReadTune(std::span<const std::uint8_t> file) {
    bool wrapped = false;
    const Bytes smf = Unwrap(file, wrapped);
    if (!Is(smf, 0, "MThd") || smf.size() < 14) return {};
    const std::uint32_t header = Be32(smf, 4);
    if (header < 6) return {};
    bool faulty = header != 6 || Be16(smf, 8) > 2;
    const std::uint16_t announced = Be16(smf, 10);
    const Timing timing = ReadTiming(Be16(smf, 12));
    if (timing.changed) faulty = true;
    // The tracks follow the header, however long it says it is.
    const std::size_t first = header <= smf.size() - 8 ? 8 + std::size_t{header} : smf.size();

    std::size_t tracks = 0;
    std::size_t busy_tracks = 0;
    std::size_t most_bytes = 22 + 10 + 4;  // the header, a tempo, the end of the track
    bool playable = false;
    const bool odd = ForEachTrack(smf, first, [&](std::size_t begin, std::size_t end) {
        ++tracks;
        Track track(begin, end, timing.tempo == 0);
        bool busy = false;
        for (Event event = track.Next(smf); event.kind != Kind::End; event = track.Next(smf)) {
            if (event.kind == Kind::Channel && (event.status & 0xF0) == 0x90 &&
                smf[event.at + 1] > 0) {
                playable = true;
            }
            busy = busy || event.kind != Kind::Dropped;
            most_bytes += MostBytes(event);
        }
        if (busy) ++busy_tracks;
        if (track.faulty) faulty = true;
    });
    if (odd || tracks != announced || tracks > kPlayerTracks) faulty = true;

    TuneFile tune;
    if (!playable) {
        tune.kind = TuneKind::Silent;
    } else if (!faulty && !wrapped) {
        tune.kind = TuneKind::Clean;
    } else if (!faulty) {
        // Only unwrapped.
        tune.kind = TuneKind::Repaired;
        tune.bytes.assign(smf.begin(), smf.end());
    } else {
        tune.kind = TuneKind::Repaired;
        tune.bytes = Merge(smf, first, timing, busy_tracks, most_bytes);
    }
    return tune;
}
