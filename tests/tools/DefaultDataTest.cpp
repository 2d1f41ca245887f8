#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "picture/BmpLoader.h"
#include "picture/ByteSource.h"
#include "tools/default_data/DefaultPicture.h"
#include "tools/default_data/DefaultTune.h"
#include "tools/default_data/RunLengthBitmap.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Le(const Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b.at(at + std::size_t(i));
    return v;
}

std::uint32_t Be(const Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b.at(at + std::size_t(i));
    return v;
}

// What the test needs to know about a MIDI file after walking every event.
struct MidiSummary {
    std::uint32_t format = 0;
    std::uint32_t declared_tracks = 0;
    std::uint32_t division = 0;
    std::uint32_t tracks = 0;
    std::uint32_t last_tick = 0;
    std::map<std::uint32_t, std::uint32_t> tempo;  // tick -> us per quarter
    std::size_t notes = 0;
};

// A deliberately independent reader: every read is bounds-checked against
// its chunk, so a wrong length anywhere shows up as a parse error.
class MidiReader {
public:
    explicit MidiReader(const Bytes& file) : file_(file) {}

    std::string Parse(MidiSummary& out) {
        if (file_.size() < 14 || Be(file_, 0, 4) != 0x4D546864 || Be(file_, 4, 4) != 6) {
            return "bad MThd";
        }
        out.format = Be(file_, 8, 2);
        out.declared_tracks = Be(file_, 10, 2);
        out.division = Be(file_, 12, 2);
        std::size_t pos = 14;
        while (pos < file_.size()) {
            if (file_.size() - pos < 8) return "truncated chunk header";
            const std::size_t length = Be(file_, pos + 4, 4);
            if (length > file_.size() - pos - 8) return "chunk overruns file";
            if (Be(file_, pos, 4) == 0x4D54726B) {
                std::string error = Track(pos + 8, pos + 8 + length, out);
                if (!error.empty()) return error;
                ++out.tracks;
            }
            pos += 8 + length;
        }
        return "";
    }

private:
    bool Byte(std::uint8_t& b) {
        if (pos_ >= end_) return false;
        b = file_[pos_++];
        return true;
    }

    bool Vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!Byte(b)) return false;
            v = v << 7 | (b & 0x7Fu);
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }

    bool Skip(std::uint32_t n) {
        if (n > end_ - pos_) return false;
        pos_ += n;
        return true;
    }

    std::string Track(std::size_t begin, std::size_t end, MidiSummary& out) {
        pos_ = begin;
        end_ = end;
        running_ = 0;
        sounding_.clear();
        programmed_.clear();
        std::uint32_t tick = 0;
        while (pos_ < end_) {
            std::uint32_t delta = 0;
            std::uint8_t status = 0;
            if (!Vlq(delta) || !Byte(status)) return "truncated event";
            tick += delta;
            std::string error;
            if (status == 0xFF) {
                bool ended = false;
                error = Meta(tick, out, ended);
                if (ended && error.empty()) return "";
            } else if (status == 0xF0 || status == 0xF7) {
                std::uint32_t len = 0;
                if (!Vlq(len) || !Skip(len)) error = "bad sysex";
            } else {
                error = Channel(status, out);
            }
            if (!error.empty()) return error;
        }
        return "track without end-of-track";
    }

    std::string Meta(std::uint32_t tick, MidiSummary& out, bool& ended) {
        std::uint8_t type = 0;
        std::uint32_t len = 0;
        if (!Byte(type) || !Vlq(len) || len > end_ - pos_) {
            return "bad meta event";
        }
        if (type == 0x51 && len == 3) out.tempo[tick] = Be(file_, pos_, 3);
        pos_ += len;
        if (type != 0x2F) return "";
        ended = true;
        if (pos_ != end_) return "events after end of track";
        for (const auto& [key, count] : sounding_) {
            if (count != 0) return "note left sounding";
        }
        out.last_tick = std::max(out.last_tick, tick);
        return "";
    }

    std::string Channel(std::uint8_t status, MidiSummary& out) {
        std::uint8_t data1 = status;
        if (status & 0x80) {
            running_ = status;
            if (!Byte(data1)) return "truncated message";
        } else if (running_ == 0) {
            return "data byte without status";
        }
        const int kind = running_ & 0xF0;
        const int channel = running_ & 0x0F;
        std::uint8_t data2 = 0;
        if (kind != 0xC0 && kind != 0xD0 && !Byte(data2)) {
            return "truncated message";
        }
        if ((data1 | data2) & 0x80) return "data byte above 127";
        if (kind == 0xC0) programmed_.insert(channel);
        if (kind == 0x90 && data2 > 0) {
            if (programmed_.count(channel) == 0) return "note before program";
            ++sounding_[{channel, data1}];
            ++out.notes;
        } else if (kind == 0x80 || kind == 0x90) {
            if (--sounding_[{channel, data1}] < 0) return "unmatched note off";
        }
        return "";
    }

    const Bytes& file_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint8_t running_ = 0;
    std::map<std::pair<int, int>, int> sounding_;  // (channel, pitch)
    std::set<int> programmed_;
};

double DurationSeconds(const MidiSummary& midi) {
    double seconds = 0.0;
    std::uint32_t tick = 0;
    std::uint32_t micros = 500000;  // Assumed until the first tempo event.
    for (const auto& [at, value] : midi.tempo) {
        seconds += double(at - tick) * micros / midi.division / 1e6;
        tick = at;
        micros = value;
    }
    const double rest = double(midi.last_tick - tick) * micros;
    return seconds + rest / midi.division / 1e6;
}

}  // namespace

TEST(DefaultData, PictureHeaderDescribesUncompressed24BitBmp) {
    const Bytes bmp = MakeDefaultPicture();
    ASSERT_EQ(bmp.size(), 54u + 400u * 1200u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
    EXPECT_EQ(Le(bmp, 6, 4), 0u);
    EXPECT_EQ(Le(bmp, 10, 4), 54u);
    EXPECT_EQ(Le(bmp, 14, 4), 40u);
    EXPECT_EQ(Le(bmp, 18, 4), 400u);
    EXPECT_EQ(Le(bmp, 22, 4), 400u);  // Positive: stored bottom-up.
    EXPECT_EQ(Le(bmp, 26, 2), 1u);
    EXPECT_EQ(Le(bmp, 28, 2), 24u);
    EXPECT_EQ(Le(bmp, 30, 4), 0u);
    EXPECT_EQ(Le(bmp, 34, 4), 400u * 1200u);
}

TEST(DefaultData, PictureHasFullRangeOfTonesAndColours) {
    const Bytes bmp = MakeDefaultPicture();
    ASSERT_EQ(bmp.size(), 480054u);
    std::array<int, 3> low{255, 255, 255};
    std::array<int, 3> high{0, 0, 0};
    std::unordered_set<std::uint32_t> colours;
    int saturated = 0;
    for (std::size_t i = 54; i + 2 < bmp.size(); i += 3) {
        for (std::size_t c = 0; c < 3; ++c) {
            low[c] = std::min<int>(low[c], bmp[i + c]);
            high[c] = std::max<int>(high[c], bmp[i + c]);
        }
        const auto [lo, hi] = std::minmax({bmp[i], bmp[i + 1], bmp[i + 2]});
        if (hi - lo > 180) ++saturated;
        colours.insert(Le(bmp, i, 3));
    }
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_LT(low[c], 16) << "channel " << c;
        EXPECT_GT(high[c], 240) << "channel " << c;
    }
    EXPECT_GT(colours.size(), 10000u);
    EXPECT_GT(saturated, 4000);
}

TEST(DefaultData, PictureRowsRunFromGroundUpToNightSky) {
    const Bytes bmp = MakeDefaultPicture();
    ASSERT_EQ(bmp.size(), 480054u);
    // Sums 20 picture rows counted from the top; row y is stored at 399 - y.
    auto band = [&](std::size_t top_row) {
        long sum = 0;
        for (std::size_t y = top_row; y < top_row + 20; ++y) {
            const std::size_t start = 54 + (399 - y) * 1200;
            for (std::size_t i = start; i < start + 1200; ++i) sum += bmp[i];
        }
        return sum;
    };
    // The ground at the bottom is darker than the night sky at the top, and
    // the sky above the hills glows brighter than both; an upside-down
    // picture breaks the first relation.
    const long sky = band(0);
    const long glow = band(230);
    const long ground = band(380);
    EXPECT_GT(sky, 2 * ground);
    EXPECT_GT(glow, 2 * sky);
}

TEST(DefaultData, RunLengthPictureLoadsToTheSamePixelsInFewerBytes) {
    const Bytes plain = MakeDefaultPicture();
    const Bytes packed = RunLengthBitmap(plain);
    ASSERT_FALSE(packed.empty());
    EXPECT_LT(packed.size(), plain.size() * 2 / 3);
    SpanSource plain_source(plain);
    SpanSource packed_source(packed);
    const auto expected = LoadBmp(plain_source);
    const auto actual = LoadBmp(packed_source);
    ASSERT_TRUE(expected && actual);
    ASSERT_EQ(actual->layout.width, 400);
    ASSERT_EQ(actual->Height(), 400);
    EXPECT_EQ(actual->layout.top_down, expected->layout.top_down);
    int differ = 0;
    for (std::int32_t r = 0; r < 400; ++r) {
        differ += !std::equal(actual->Row(r), actual->Row(r) + 1200, expected->Row(r));
    }
    EXPECT_EQ(differ, 0) << "rows differ";
}

TEST(DefaultData, OutputIsDeterministic) {
    EXPECT_EQ(MakeDefaultPicture(), MakeDefaultPicture());
    EXPECT_EQ(MakeDefaultTune(), MakeDefaultTune());
}

TEST(DefaultData, TuneIsWellFormedMidiWithBalancedNotes) {
    const Bytes midi = MakeDefaultTune();
    MidiSummary summary;
    EXPECT_EQ(MidiReader(midi).Parse(summary), "");
    EXPECT_LE(summary.format, 1u);
    EXPECT_EQ(summary.tracks, summary.declared_tracks);
    EXPECT_GE(summary.tracks, 1u);
    EXPECT_GT(summary.division, 0u);
    EXPECT_LT(summary.division, 0x8000u);  // Ticks per quarter, not SMPTE.
    EXPECT_FALSE(summary.tempo.empty());
    EXPECT_GT(summary.notes, 50u);
}

TEST(DefaultData, TuneLastsAboutHundredAndFiveSeconds) {
    const Bytes midi = MakeDefaultTune();
    MidiSummary summary;
    ASSERT_EQ(MidiReader(midi).Parse(summary), "");
    ASSERT_GT(summary.division, 0u);
    const double seconds = DurationSeconds(summary);
    EXPECT_GE(seconds, 100.0);
    EXPECT_LE(seconds, 110.0);
}
