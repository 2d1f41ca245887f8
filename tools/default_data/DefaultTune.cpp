#include "tools/default_data/DefaultTune.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kTicksPerQuarter = 480;
constexpr std::uint32_t kTicksPerEighth = kTicksPerQuarter / 2;
constexpr std::uint32_t kBeatsPerBar = 3;
constexpr std::uint32_t kTicksPerBar = kTicksPerQuarter * kBeatsPerBar;
constexpr std::uint32_t kBars = 35;
constexpr std::uint32_t kEndTick = kBars * kTicksPerBar;

constexpr std::uint8_t kMelodyChannel = 0;
constexpr std::uint8_t kPadChannel = 1;
constexpr std::uint8_t kBellChannel = 2;

// General MIDI programs, counted from zero.
constexpr std::uint8_t kMusicBox = 10;
constexpr std::uint8_t kTubularBells = 14;
constexpr std::uint8_t kChoirPad = 91;

// ------------------------------------------------------------ score ----

struct Note {
    std::uint8_t pitch;  // 0 is a rest.
    std::uint8_t eighths;
};

// Sparse phrases that keep circling D and slipping by a semitone, so the
// ear never quite settles. Each line is four bars, the last is three.
constexpr std::array<Note, 64> kMelody{{
    {0, 12}, {69, 2}, {74, 2}, {73, 2}, {74, 4}, {0, 2},  {77, 3}, {76, 1}, {75, 2}, {74, 6},
    {0, 6},  {70, 2}, {69, 2}, {0, 2},  {67, 2}, {70, 2}, {74, 2}, {75, 4}, {74, 2}, {73, 6},
    {0, 6},  {76, 2}, {77, 2}, {76, 2}, {75, 3}, {74, 1}, {73, 2}, {69, 6}, {0, 6},  {74, 2},
    {77, 2}, {81, 2}, {82, 4}, {81, 2}, {0, 6},  {80, 2}, {81, 4}, {79, 3}, {77, 1}, {75, 2},
    {74, 6}, {73, 2}, {72, 2}, {71, 2}, {70, 6}, {0, 6},  {77, 4}, {73, 2}, {72, 2}, {73, 2},
    {70, 2}, {0, 6},  {69, 2}, {73, 2}, {76, 2}, {79, 4}, {77, 2}, {76, 3}, {74, 1}, {73, 2},
    {0, 6},  {74, 6}, {69, 6}, {62, 6},
}};

struct Chord {
    std::uint8_t bars;
    std::array<std::uint8_t, 4> pitches;  // 0 marks an unused voice.
};

// Dm, Bb, Gm/D, A/C#, Dm, Eb/D, Bbm, A7, Dm: the flat-side chords and the
// Neapolitan Eb over the D pedal give the harmony its uneasy pull.
constexpr std::array<Chord, 9> kPad{{
    {4, {38, 45, 53, 0}},
    {4, {34, 46, 50, 53}},
    {4, {38, 46, 55, 0}},
    {4, {37, 45, 52, 0}},
    {4, {38, 45, 53, 0}},
    {4, {38, 46, 51, 55}},
    {4, {34, 49, 53, 0}},
    {4, {33, 45, 49, 55}},
    {3, {38, 45, 50, 53}},
}};

struct TempoChange {
    std::uint32_t bar;
    std::uint32_t micros_per_quarter;
};

// 60 beats per minute, slowing over the last three bars to 46.
constexpr std::array<TempoChange, 4> kTempo{
    {{0, 1000000}, {32, 1071429}, {33, 1153846}, {34, 1304348}}};

constexpr std::uint32_t MelodyEighths() {
    std::uint32_t total = 0;
    for (const Note& n : kMelody) total += n.eighths;
    return total;
}

constexpr std::uint32_t PadBars() {
    std::uint32_t total = 0;
    for (const Chord& c : kPad) total += c.bars;
    return total;
}

static_assert(MelodyEighths() * kTicksPerEighth == kEndTick,
              "the melody must fill the piece exactly");
static_assert(PadBars() == kBars, "the pad must fill the piece exactly");

// Small fixed-seed generator so the "human" touch is the same every time.
class Lcg {
public:
    int Jitter(int range) {
        state_ = state_ * 1103515245u + 12345u;
        const auto span = static_cast<std::uint32_t>(2 * range + 1);
        return static_cast<int>((state_ >> 16) % span) - range;
    }

private:
    std::uint32_t state_ = 31337u;
};

// ------------------------------------------------------------ track ----

// Collects timed events for one track and encodes them as an MTrk chunk.
class Track {
public:
    void Meta(std::uint32_t tick, std::uint8_t type, std::vector<std::uint8_t> data) {
        std::vector<std::uint8_t> bytes{0xFF, type};
        AppendLength(bytes, static_cast<std::uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        Add(tick, kSetup, std::move(bytes));
    }

    void Name(std::string_view name) {
        Meta(0, 0x03, std::vector<std::uint8_t>(name.begin(), name.end()));
    }

    void Program(std::uint8_t channel, std::uint8_t program) {
        Add(0, kSetup, {Status(0xC0, channel), program});
    }

    void Control(std::uint32_t tick, std::uint8_t channel, std::uint8_t controller,
                 std::uint8_t value) {
        Add(tick, kSetup, {Status(0xB0, channel), controller, value});
    }

    void AddNote(std::uint32_t tick, std::uint32_t length, std::uint8_t channel, std::uint8_t pitch,
                 std::uint8_t velocity) {
        Add(tick, kNoteOn, {Status(0x90, channel), pitch, velocity});
        Add(tick + length, kNoteOff, {Status(0x80, channel), pitch, 0});
    }

    // Every track ends at the same tick, so the length of the piece does
    // not depend on which track happens to hold the last note.
    std::vector<std::uint8_t> Encode(std::uint32_t end_tick) {
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            if (a.tick != b.tick) return a.tick < b.tick;
            return a.order < b.order;
        });
        std::vector<std::uint8_t> body;
        std::uint32_t now = 0;
        for (const Event& e : events_) {
            AppendLength(body, e.tick - now);
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
            now = e.tick;
        }
        AppendLength(body, std::max(end_tick, now) - now);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        std::vector<std::uint8_t> chunk{'M', 'T', 'r', 'k'};
        AppendBigEndian(chunk, static_cast<std::uint32_t>(body.size()), 4);
        chunk.insert(chunk.end(), body.begin(), body.end());
        return chunk;
    }

    static void AppendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }

private:
    // At equal ticks, notes end before settings change and settings
    // change before new notes start.
    enum Order { kNoteOff = 0, kSetup = 1, kNoteOn = 2 };

    struct Event {
        std::uint32_t tick;
        Order order;
        std::vector<std::uint8_t> bytes;
    };

    static std::uint8_t Status(std::uint8_t kind, std::uint8_t channel) {
        return static_cast<std::uint8_t>(kind | (channel & 0x0F));
    }

    // Variable-length quantity: seven bits per byte, most significant
    // first, high bit set on all but the last byte.
    static void AppendLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
        std::array<std::uint8_t, 5> groups{};
        std::size_t count = 0;
        do {
            groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value != 0);
        while (count > 1) {
            out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
        }
        out.push_back(groups[0]);
    }

    void Add(std::uint32_t tick, Order order, std::vector<std::uint8_t> bytes) {
        events_.push_back({tick, order, std::move(bytes)});
    }

    std::vector<Event> events_;
};

// ---------------------------------------------------------- parts ----

// The piece is written at full level: every channel's volume and expression
// start at 127, and the balance between the voices lies in the velocities,
// with the melody's loudest notes at the top of the range. A General MIDI
// synth at its usual level then plays it at a normal loudness. (General MIDI
// gives velocity and both controllers one curve: 40 log10(value / 127) dB.)
constexpr std::uint8_t kFullLevel = 127;

std::uint8_t Velocity(int base, int jitter, Lcg& rng) {
    return static_cast<std::uint8_t>(std::clamp(base + rng.Jitter(jitter), 1, 127));
}

void Setup(Track& track, std::string_view name, std::uint8_t channel, std::uint8_t program,
           std::uint8_t pan) {
    track.Name(name);
    track.Program(channel, program);
    track.Control(0, channel, 7, kFullLevel);   // Channel volume.
    track.Control(0, channel, 11, kFullLevel);  // Expression; the pad's swell takes it over.
    track.Control(0, channel, 10, pan);
    track.Control(0, channel, 91, 110);  // Deep reverb: a big empty room.
}

Track Conductor() {
    Track track;
    track.Name("Default show tune");
    track.Meta(0, 0x58, {kBeatsPerBar, 2, 24, 8});  // 3/4.
    track.Meta(0, 0x59, {0xFF, 1});                 // D minor.
    for (const TempoChange& t : kTempo) {
        std::vector<std::uint8_t> micros;
        Track::AppendBigEndian(micros, t.micros_per_quarter, 3);
        track.Meta(t.bar * kTicksPerBar, 0x51, std::move(micros));
    }
    return track;
}

Track Melody(Lcg& rng) {
    Track track;
    Setup(track, "Music box", kMelodyChannel, kMusicBox, 84);
    std::uint32_t tick = 0;
    for (const Note& n : kMelody) {
        const std::uint32_t length = n.eighths * kTicksPerEighth;
        if (n.pitch != 0) {
            // Longer notes are played a little louder, like a held breath.
            const int base = 92 + 9 * n.eighths / 2;
            track.AddNote(tick, length - 20, kMelodyChannel, n.pitch, Velocity(base, 8, rng));
        }
        tick += length;
    }
    return track;
}

// The pad swells in and out once per chord, one step per beat, by about
// 13 dB from the edges of the chord to its middle.
void Swell(Track& track, std::uint32_t start, std::uint32_t beats) {
    for (std::uint32_t beat = 0; beat < beats; ++beat) {
        const double phase = (beat + 0.5) / beats;
        const double level = 61.0 + 66.0 * std::sin(3.14159265358979 * phase);
        track.Control(start + beat * kTicksPerQuarter, kPadChannel, 11,
                      static_cast<std::uint8_t>(std::lround(level)));
    }
}

Track Pad(Lcg& rng) {
    Track track;
    Setup(track, "Choir pad", kPadChannel, kChoirPad, 44);
    std::uint32_t tick = 0;
    for (const Chord& c : kPad) {
        const std::uint32_t length = c.bars * kTicksPerBar;
        Swell(track, tick, c.bars * kBeatsPerBar);
        for (std::uint8_t pitch : c.pitches) {
            if (pitch != 0) {
                track.AddNote(tick, length - 30, kPadChannel, pitch, Velocity(79, 7, rng));
            }
        }
        tick += length;
    }
    return track;
}

// A bell tolls the bass of each new chord; two bars later a soft bell a
// tritone above answers, except under the final chord.
Track Bells(Lcg& rng) {
    Track track;
    Setup(track, "Bells", kBellChannel, kTubularBells, 64);
    std::uint32_t tick = 0;
    for (std::size_t i = 0; i < kPad.size(); ++i) {
        const Chord& c = kPad[i];
        const auto root = static_cast<std::uint8_t>(c.pitches[0] + 24);
        track.AddNote(tick, kTicksPerBar * 2, kBellChannel, root, Velocity(87, 7, rng));
        if (i + 1 < kPad.size()) {
            track.AddNote(tick + 2 * kTicksPerBar, kTicksPerBar, kBellChannel,
                          static_cast<std::uint8_t>(root + 6), Velocity(46, 7, rng));
        }
        tick += c.bars * kTicksPerBar;
    }
    return track;
}

}  // namespace

std::vector<std::uint8_t> MakeDefaultTune() {
    Lcg rng;
    std::vector<Track> tracks;
    tracks.push_back(Conductor());
    tracks.push_back(Melody(rng));
    tracks.push_back(Pad(rng));
    tracks.push_back(Bells(rng));

    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd'};
    Track::AppendBigEndian(file, 6, 4);
    Track::AppendBigEndian(file, 1, 2);  // Format 1: simultaneous tracks.
    Track::AppendBigEndian(file, static_cast<std::uint32_t>(tracks.size()), 2);
    Track::AppendBigEndian(file, kTicksPerQuarter, 2);
    for (Track& track : tracks) {
        const std::vector<std::uint8_t> chunk = track.Encode(kEndTick);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}
