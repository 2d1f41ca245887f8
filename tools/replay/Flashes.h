#pragma once

// The flash meter: judges a run's frames by the general and the red flash
// rules for people with photosensitive epilepsy.
//  [X] A general flash is a pair of opposing changes in relative luminance of
//      at least 0.1 each, where the darker state is below 0.8; a red flash a
//      pair of opposing changes of more than 20 in max(0, R - G - B) x 320
//      where one of the two states is saturated red (R / (R + G + B) >= 0.8).
//      R, G and B are the linearised sRGB channels.
//  [X] A change is followed pixel by pixel: a run of changes in one direction
//      over any number of frames is one transition, counted on the frame where
//      it passes the threshold; a change the other way starts a new run.
//  [X] An area flashes only where at least a quarter of a 10-degree field of
//      view makes the same transition on the same frame. The field is a
//      window of the picture (341 x 256 pixels by default: a 10-degree field
//      on a 1024 x 768 screen, with the picture at one screen pixel per
//      picture pixel); every position of the window is tried.
//  [X] More than three flashes of either kind in any one second fails.
// One CSV line a frame: time, the share of the worst field that changed at
// all, the share that made a luminance and a red transition with its
// direction, and the flashes in the second up to the frame.

#include <cstdint>
#include <cstdio>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "tools/replay/FrameSink.h"

struct FieldOfView {
    int width = 341;
    int height = 256;
};

class FlashMeter final : public FrameSink {
public:
    // Writes the CSV to `csv` (may be null: verdict only).
    explicit FlashMeter(std::FILE* csv, FieldOfView field = {});

    bool Frame(std::int64_t ms, std::span<const std::uint8_t> bgr, int width, int height) override;
    bool Finish(std::int64_t end_ms) override;
    [[nodiscard]] std::string Error() const override { return m_error; }

    [[nodiscard]] bool Passed() const;
    // One line with "pass" or "fail", the worst second of each kind and the
    // field's size.
    [[nodiscard]] std::string Verdict() const;

    // Transitions of each kind in the second up to the latest frame; a flash
    // is two of them.
    struct Counts {
        int general = 0;
        int red = 0;
    };
    [[nodiscard]] Counts InLastSecond() const { return m_last; }
    [[nodiscard]] Counts Worst() const { return m_worst; }

private:
    // One colour's transition in the making.
    struct Run {
        float start = 0;   // the value where the run began
        float change = 0;  // how far it has gone since, signed
        bool counted = false;
        bool start_saturated = false;  // red only
    };
    struct Pixel {
        float luminance = 0;
        float red = 0;  // max(0, R - G - B) x 320
        bool saturated = false;
        Run luminance_run;
        Run red_run;
    };
    // Where the area made a transition: +1 up, -1 down, 0 none; and the
    // share of the worst field that did.
    struct Transition {
        int sign = 0;
        double share = 0;
    };

    void Reset(int width, int height);
    // The largest count of set cells in any field-sized window, over the
    // field's area.
    double WorstFieldShare(const std::vector<std::uint8_t>& mask);
    Transition AreaTransition(const std::vector<std::uint8_t>& up,
                              const std::vector<std::uint8_t>& down);
    // Keeps the transitions of the last second; counts a transition when
    // its direction differs from the last one counted.
    void Record(std::int64_t ms, double changed, Transition general, Transition red);
    static void Count(std::deque<std::pair<std::int64_t, int>>& kept, int& last_sign,
                      std::int64_t ms, int sign);

    std::FILE* m_csv;
    FieldOfView m_field;
    int m_width = 0;
    int m_height = 0;
    std::vector<Pixel> m_pixels;
    std::vector<std::uint8_t> m_previous;  // the last frame's bytes
    std::vector<std::uint8_t> m_changed, m_up, m_down, m_red_up, m_red_down;
    std::vector<std::int32_t> m_sums;                           // an integral image
    std::deque<std::pair<std::int64_t, int>> m_general, m_red;  // (ms, sign)
    int m_general_sign = 0;
    int m_red_sign = 0;
    Counts m_last;
    Counts m_worst;
    std::int64_t m_worst_general_ms = 0;
    std::int64_t m_worst_red_ms = 0;
    std::int64_t m_frames = 0;
    std::string m_error;
};
