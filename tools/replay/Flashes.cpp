#include "tools/replay/Flashes.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>

namespace {

constexpr float kLuminanceChange = 0.1f;
constexpr float kDarkerBelow = 0.8f;
constexpr float kRedChange = 20.0f;
constexpr float kRedScale = 320.0f;
constexpr float kSaturatedRed = 0.8f;
constexpr double kFlashingShare = 0.25;
constexpr std::int64_t kSecond = 1000;
// More than three flashes, each two transitions.
constexpr int kMostTransitions = 6;

// sRGB byte to linear light.
const std::array<float, 256>& Linear() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[static_cast<std::size_t>(i)] =
                static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

// Follows one value into its run; true when the run passes `threshold` now
// and `qualifies(run, now)`. A run begins at the value before its first
// change, `saturated_before` telling whether that state was saturated red.
template <typename Run, typename Qualifies>
bool Follow(float before, float now, bool saturated_before, float threshold, Run& run,
            Qualifies qualifies) {
    const float change = now - before;
    if (change == 0) return false;
    if (run.change == 0 || (change > 0) != (run.change > 0)) {
        run = {};
        run.start = before;
        run.start_saturated = saturated_before;
    }
    run.change += change;
    if (run.counted || std::fabs(run.change) < threshold || !qualifies(run, now)) return false;
    run.counted = true;
    return true;
}

}  // namespace

FlashMeter::FlashMeter(std::FILE* csv, FieldOfView field) : m_csv(csv), m_field(field) {
    if (m_csv != nullptr) {
        std::fprintf(m_csv,
                     "ms,field_changed,luminance_share,luminance_transition,red_share,"
                     "red_transition,flashes_in_last_second,red_flashes_in_last_second\n");
    }
}

void FlashMeter::Reset(int width, int height) {
    m_width = width;
    m_height = height;
    // Frame has checked that both are positive and at most 1 << 15, so the
    // compiler may see the count's range too.
    const std::size_t n =
        std::size_t{static_cast<std::uint16_t>(width)} * static_cast<std::uint16_t>(height);
    m_pixels.assign(n, {});
    for (auto* mask : {&m_changed, &m_up, &m_down, &m_red_up, &m_red_down}) mask->assign(n, 0);
    m_sums.assign(static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(height + 1), 0);
}

double FlashMeter::WorstFieldShare(const std::vector<std::uint8_t>& mask) {
    if (std::find(mask.begin(), mask.end(), 1) == mask.end()) return 0;
    const int w = m_width;
    const std::size_t stride = static_cast<std::size_t>(w) + 1;
    for (int y = 0; y < m_height; ++y) {
        std::int32_t row = 0;
        const std::uint8_t* cells = mask.data() + static_cast<std::size_t>(y) * (stride - 1);
        std::int32_t* above = m_sums.data() + static_cast<std::size_t>(y) * stride;
        std::int32_t* here = above + stride;
        for (int x = 0; x < w; ++x) {
            row += cells[x];
            here[x + 1] = above[x + 1] + row;
        }
    }
    // A field larger than the picture holds all of it; the rest of the field
    // does not flash.
    const int fw = std::min(m_field.width, m_width);
    const int fh = std::min(m_field.height, m_height);
    std::int32_t best = 0;
    for (int y = 0; y + fh <= m_height; ++y) {
        const std::int32_t* top = m_sums.data() + static_cast<std::size_t>(y) * stride;
        const std::int32_t* bottom = top + static_cast<std::size_t>(fh) * stride;
        for (int x = 0; x + fw <= m_width; ++x) {
            best = std::max(best, bottom[x + fw] - bottom[x] - top[x + fw] + top[x]);
        }
    }
    return static_cast<double>(best) / (static_cast<double>(m_field.width) * m_field.height);
}

FlashMeter::Transition FlashMeter::AreaTransition(const std::vector<std::uint8_t>& up,
                                                  const std::vector<std::uint8_t>& down) {
    const double rise = WorstFieldShare(up);
    const double fall = WorstFieldShare(down);
    Transition t;
    t.share = std::max(rise, fall);
    if (t.share >= kFlashingShare) t.sign = rise >= fall ? 1 : -1;
    return t;
}

void FlashMeter::Count(std::deque<std::pair<std::int64_t, int>>& kept, int& last_sign,
                       std::int64_t ms, int sign) {
    while (!kept.empty() && kept.front().first <= ms - kSecond) kept.pop_front();
    if (sign == 0 || sign == last_sign) return;
    last_sign = sign;
    kept.emplace_back(ms, sign);
}

bool FlashMeter::Frame(std::int64_t ms, std::span<const std::uint8_t> bgr, int width, int height) {
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || bgr.size() < 3 * n) {
        m_error = "the flash meter was given a frame of no pixels";
        return false;
    }
    // A client area is never near this; it keeps every count in range.
    constexpr int kMaxSide = 1 << 15;
    if (width > kMaxSide || height > kMaxSide) {
        m_error = "the flash meter was given a frame larger than it measures";
        return false;
    }
    const auto& linear = Linear();
    const bool first = m_frames++ == 0 || width != m_width || height != m_height;
    if (first) Reset(width, height);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = &bgr[3 * i];
        const float b = linear[p[0]], g = linear[p[1]], r = linear[p[2]];
        const float luminance = 0.2126f * r + 0.7152f * g + 0.0722f * b;
        const float red = std::max(0.0f, r - g - b) * kRedScale;
        const float sum = r + g + b;
        const bool saturated = sum > 0 && r / sum >= kSaturatedRed;
        Pixel& px = m_pixels[i];
        if (first) {
            px.luminance = luminance;
            px.red = red;
            px.saturated = saturated;
            continue;
        }
        const std::uint8_t* q = &m_previous[3 * i];
        m_changed[i] = p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
        m_up[i] = m_down[i] = m_red_up[i] = m_red_down[i] = 0;
        if (!m_changed[i]) continue;

        if (Follow(px.luminance, luminance, false, kLuminanceChange, px.luminance_run,
                   [](const Run& run, float now) {
                       return std::min(run.start, now) < kDarkerBelow;
                   })) {
            (px.luminance_run.change > 0 ? m_up : m_down)[i] = 1;
        }
        if (Follow(
                px.red, red, px.saturated, kRedChange, px.red_run,
                [saturated](const Run& run, float) { return run.start_saturated || saturated; })) {
            (px.red_run.change > 0 ? m_red_up : m_red_down)[i] = 1;
        }
        px.luminance = luminance;
        px.red = red;
        px.saturated = saturated;
    }
    m_previous.resize(3 * n);
    std::copy_n(bgr.data(), m_previous.size(), m_previous.data());
    if (first) {
        Record(ms, 0, {}, {});
        return true;
    }
    Record(ms, WorstFieldShare(m_changed), AreaTransition(m_up, m_down),
           AreaTransition(m_red_up, m_red_down));
    return true;
}

void FlashMeter::Record(std::int64_t ms, double changed, Transition general, Transition red) {
    Count(m_general, m_general_sign, ms, general.sign);
    Count(m_red, m_red_sign, ms, red.sign);
    m_last = {static_cast<int>(m_general.size()), static_cast<int>(m_red.size())};
    if (m_last.general > m_worst.general) {
        m_worst.general = m_last.general;
        m_worst_general_ms = ms;
    }
    if (m_last.red > m_worst.red) {
        m_worst.red = m_last.red;
        m_worst_red_ms = ms;
    }
    if (m_csv == nullptr) return;
    auto sign = [](int s) { return s > 0 ? "+" : s < 0 ? "-" : ""; };
    std::fprintf(m_csv, "%" PRId64 ",%.4f,%.4f,%s,%.4f,%s,%.1f,%.1f\n", ms, changed, general.share,
                 sign(general.sign), red.share, sign(red.sign), m_last.general / 2.0,
                 m_last.red / 2.0);
}

bool FlashMeter::Passed() const {
    return m_worst.general <= kMostTransitions && m_worst.red <= kMostTransitions;
}

bool FlashMeter::Finish(std::int64_t /*end_ms*/) {
    if (m_csv != nullptr && std::fflush(m_csv) != 0) {
        m_error = "cannot write the flash table";
        return false;
    }
    return true;
}

std::string FlashMeter::Verdict() const {
    auto worst = [](int transitions, std::int64_t ms, const char* kind) {
        char part[120];
        if (transitions == 0) {
            std::snprintf(part, sizeof part, "no %s flash", kind);
        } else {
            std::snprintf(part, sizeof part, "%.1f %s flashes (in the second up to %.3f s)",
                          transitions / 2.0, kind, static_cast<double>(ms) / 1000.0);
        }
        return std::string(part);
    };
    char text[400];
    std::snprintf(text, sizeof text,
                  "flashes: %s: the most in any one second: %s, %s; more than 3 of either "
                  "fails; the 10-degree field taken as a %d x %d window of the picture",
                  Passed() ? "pass" : "fail",
                  worst(m_worst.general, m_worst_general_ms, "general").c_str(),
                  worst(m_worst.red, m_worst_red_ms, "red").c_str(), m_field.width, m_field.height);
    return text;
}
