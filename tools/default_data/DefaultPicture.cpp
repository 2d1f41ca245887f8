#include "tools/default_data/DefaultPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/BmpWriter.h"

namespace {

constexpr int kSize = 400;
constexpr std::size_t kRowBytes = std::size_t{kSize} * 3;
constexpr std::size_t kPixelOffset = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
constexpr std::size_t kPixelBytes = kRowBytes * std::size_t{kSize};
static_assert(kRowBytes % 4 == 0, "BMP rows must not need padding");

constexpr double kPi = 3.14159265358979323846;
constexpr double kHorizonY = 288.0;

struct Color {
    double r;
    double g;
    double b;
};

struct Vec {
    double x;
    double y;
};

Color Mix(const Color& a, const Color& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Color Scale(const Color& c, double k) { return {c.r * k, c.g * k, c.b * k}; }

Color Add(const Color& a, const Color& b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Turns a signed distance (negative inside, in pixels) into an
// anti-aliased coverage so edges stay smooth without supersampling.
double Coverage(double signed_distance) { return Clamp01(0.5 - signed_distance); }

double Length(Vec v) { return std::sqrt(v.x * v.x + v.y * v.y); }

// Integer hash so that stars and fibres are fixed and platform independent.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ 0x9e3779b9u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

// ---------------------------------------------------------------- sky ----

struct GradientStop {
    double at;
    Color color;
};

constexpr std::array<GradientStop, 6> kSkyStops{{
    {0.00, {4, 3, 18}},
    {0.35, {28, 10, 62}},
    {0.60, {92, 14, 88}},
    {0.80, {196, 28, 40}},
    {0.93, {244, 104, 28}},
    {1.00, {255, 214, 110}},
}};

Color SkyGradient(double y) {
    const double t = Clamp01(y / kHorizonY);
    for (std::size_t i = 1; i < kSkyStops.size(); ++i) {
        if (t <= kSkyStops[i].at) {
            const GradientStop& lo = kSkyStops[i - 1];
            const GradientStop& hi = kSkyStops[i];
            return Mix(lo.color, hi.color, (t - lo.at) / (hi.at - lo.at));
        }
    }
    return kSkyStops.back().color;
}

Color Stars(int x, int y) {
    if (y > 230) return {0, 0, 0};
    const std::uint32_t h = Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    if (h % 1000u >= 3u) return {0, 0, 0};
    // Stars fade out towards the glowing horizon.
    const double k = (1.0 - y / 230.0) * (0.5 + (h >> 24) / 510.0);
    return {255 * k, 250 * k, 235 * k};
}

// ---------------------------------------------------------------- eye ----

constexpr Vec kEyeCenter{200.0, 140.0};
constexpr double kEyeRadius = 72.0;
constexpr Vec kIrisCenter{201.0, 147.0};
constexpr double kIrisRadius = 40.0;

// Rings of pale green light around the eye; the bands survive inversion
// and bit flips as clearly visible contours.
Color Halo(double d) {
    if (d <= kEyeRadius) return {0, 0, 0};
    const double r = d - kEyeRadius;
    const double falloff = std::exp(-r / 48.0);
    const double ring = 0.5 + 0.5 * std::cos(r * 0.36);
    const double k = 0.45 * falloff + 0.45 * ring * falloff * falloff;
    return Scale({150, 255, 190}, k);
}

double WrapAngle(double a) { return std::remainder(a, 2.0 * kPi); }

// Blood vessels creep in from the rim, wandering and tapering; each one
// forks halfway. Returns how strongly the pixel is covered by a vessel.
double Veins(double angle, double d) {
    constexpr int kCount = 15;
    double strongest = 0.0;
    for (int k = 0; k < kCount; ++k) {
        const std::uint32_t h = Hash(static_cast<std::uint32_t>(k), 77u);
        const double jitter = static_cast<double>(h % 1000u) / 1000.0;
        const double inner = kIrisRadius + 5.0 + 18.0 * jitter;
        if (d < inner) continue;
        const double along = (d - inner) / (kEyeRadius - inner);
        const double base = k * 2.0 * kPi / kCount + 0.4 * jitter;
        const double path = base + 0.13 * std::sin(d * 0.14 + 7.0 * k);
        const double width = 0.35 + 1.2 * along;
        double dist = std::abs(WrapAngle(angle - path)) * d - width;
        const double fork_at = inner + (kEyeRadius - inner) * 0.55;
        if (d < fork_at) {
            const double turn = (k % 2 == 0 ? 1.0 : -1.0) * 0.018;
            const double fork = path + (fork_at - d) * turn;
            const double fork_dist = std::abs(WrapAngle(angle - fork)) * d;
            dist = std::min(dist, fork_dist - width * 0.8);
        }
        strongest = std::max(strongest, Coverage(dist));
    }
    return strongest;
}

Color Sclera(Vec p, double d) {
    const double limb = 0.5 + 0.5 * std::sqrt(Clamp01(1.0 - d * d / (kEyeRadius * kEyeRadius)));
    const Color c = Scale({240, 234, 208}, limb);
    const double angle = std::atan2(p.y - kEyeCenter.y, p.x - kEyeCenter.x);
    return Mix(c, {178, 14, 28}, 0.85 * Veins(angle, d));
}

Color Iris(Vec p) {
    const Vec q{p.x - kIrisCenter.x, p.y - kIrisCenter.y};
    const double di = Length(q);
    const double t = di / kIrisRadius;
    Color c = Mix({236, 238, 40}, {0, 104, 96}, std::pow(t, 0.8));
    const double angle = std::atan2(q.y, q.x);
    const double fibres = 0.82 + 0.18 * std::sin(angle * 52.0 + di * 0.3);
    const double rings = 0.8 + 0.2 * std::sin(di * 0.95);
    c = Scale(c, fibres * rings);
    // A dark limbal ring gives the iris a hard outline.
    return Scale(c, 1.0 - 0.85 * Clamp01((di - kIrisRadius + 5.0) / 5.0));
}

// The pupil is a vertical slit: an ellipse, distance approximated by
// scaling the unit-circle distance with the smaller semi-axis.
double PupilDistance(Vec p) {
    const double ax = 7.5;
    const double ay = 31.0;
    const Vec q{(p.x - kIrisCenter.x) / ax, (p.y - kIrisCenter.y) / ay};
    return (Length(q) - 1.0) * ax;
}

Color Highlights(Vec p) {
    const double big = Length({p.x - 186.0, p.y - 130.0}) - 6.5;
    const double small = Length({p.x - 212.0, p.y - 166.0}) - 2.5;
    const double k = std::max(Coverage(big), 0.8 * Coverage(small));
    return Scale({255, 255, 255}, k);
}

// A colour together with how much of the pixel it covers.
struct Layer {
    Color color;
    double coverage;
};

Color Over(const Color& below, const Layer& layer) {
    return Mix(below, layer.color, layer.coverage);
}

Layer Eye(Vec p) {
    const double d = Length({p.x - kEyeCenter.x, p.y - kEyeCenter.y});
    const double coverage = Coverage(d - kEyeRadius);
    if (coverage <= 0.0) return {{0, 0, 0}, 0.0};
    const double di = Length({p.x - kIrisCenter.x, p.y - kIrisCenter.y});
    Color c = Mix(Sclera(p, d), Iris(p), Coverage(di - kIrisRadius));
    c = Mix(c, {0, 0, 0}, Coverage(PupilDistance(p)));
    const Color h = Highlights(p);
    return {{std::max(c.r, h.r), std::max(c.g, h.g), std::max(c.b, h.b)}, coverage};
}

// ---------------------------------------------------------- landscape ----

double RidgeY(double x) {
    return 262.0 + 13.0 * std::sin(x * 0.021 + 0.5) + 7.0 * std::sin(x * 0.057 + 2.0) +
           3.0 * std::sin(x * 0.13);
}

double HillY(double x) {
    const double left = (x - 85.0) / 95.0;
    const double right = (x - 318.0) / 80.0;
    return 342.0 - 38.0 * std::exp(-left * left) - 26.0 * std::exp(-right * right) +
           3.0 * std::sin(x * 0.09);
}

// Far mountains: violet shapes that dissolve into the horizon haze.
Layer Ridge(Vec p) {
    const double haze = Clamp01((p.y - RidgeY(p.x)) / (kHorizonY - 250.0));
    const Color c = Mix({34, 10, 46}, {120, 34, 74}, haze * haze);
    return {c, Coverage(RidgeY(p.x) - p.y) * Coverage(p.y - kHorizonY)};
}

// The lake mirrors a stretched copy of the sky, broken by ripples, with a
// trail of glints under the eye.
Color Water(Vec p) {
    const double depth = p.y - kHorizonY;
    const double ripple = 2.5 * std::sin(p.x * 0.045 + depth * 0.7);
    const double mirrored = kHorizonY - (depth + ripple) * 2.2;
    Color c = Scale(SkyGradient(std::max(mirrored, 0.0)), 0.62);
    c = Add(c, {0, 6, 22});
    const double lines = std::pow(0.5 + 0.5 * std::sin(depth * depth * 0.045), 8.0);
    c = Mix(c, {10, 4, 30}, 0.5 * lines);
    const double width = 8.0 + depth * 0.9;
    const double off = (p.x - kEyeCenter.x) / width;
    const double glint =
        std::pow(0.5 + 0.5 * std::sin(depth * 1.9 + 2.0 * std::sin(p.x * 0.09)), 3.0);
    return Add(c, Scale({170, 255, 205}, std::exp(-off * off) * glint));
}

// ------------------------------------------------------- silhouettes ----

struct Segment {
    Vec a;
    Vec b;
    double half_width;
};

// Tiny linear congruential generator: the tree looks the same everywhere.
class Lcg {
public:
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 16777216.0;
    }

private:
    std::uint32_t state_ = 20240611u;
};

void Branch(Vec from, double angle, double length, double half_width, int depth, Lcg& rng,
            std::vector<Segment>& out) {
    const Vec to{from.x + std::cos(angle) * length, from.y - std::sin(angle) * length};
    out.push_back({from, to, half_width});
    if (depth == 0) return;
    const double spread = 0.32 + 0.35 * rng.Next();
    const double lean = (rng.Next() - 0.5) * 0.5;
    const double shrink = 0.66 + 0.12 * rng.Next();
    Branch(to, angle + spread + lean, length * shrink, half_width * 0.68, depth - 1, rng, out);
    Branch(to, angle - spread + lean, length * (shrink - 0.06), half_width * 0.68, depth - 1, rng,
           out);
}

double SegmentDistance(Vec p, const Segment& s) {
    const Vec ab{s.b.x - s.a.x, s.b.y - s.a.y};
    const Vec ap{p.x - s.a.x, p.y - s.a.y};
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    const double t = Clamp01((ap.x * ab.x + ap.y * ab.y) / len2);
    return Length({ap.x - ab.x * t, ap.y - ab.y * t}) - s.half_width;
}

int PixelBelow(double v) { return std::clamp(static_cast<int>(std::floor(v)), 0, kSize - 1); }

// Rasterises the dead tree into a coverage map, visiting only the pixels
// near each branch so the whole picture stays quick to build.
std::vector<double> TreeCoverage() {
    std::vector<Segment> segments;
    Lcg rng;
    const Vec root{88.0, HillY(88.0) + 6.0};
    Branch(root, kPi / 2 + 0.08, 58.0, 5.5, 8, rng, segments);
    std::vector<double> cover(static_cast<std::size_t>(kSize) * kSize, 0.0);
    for (const Segment& s : segments) {
        const double pad = s.half_width + 1.5;
        const int x0 = PixelBelow(std::min(s.a.x, s.b.x) - pad);
        const int x1 = PixelBelow(std::max(s.a.x, s.b.x) + pad);
        const int y0 = PixelBelow(std::min(s.a.y, s.b.y) - pad);
        const int y1 = PixelBelow(std::max(s.a.y, s.b.y) + pad);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const Vec p{x + 0.5, y + 0.5};
                double& c = cover[static_cast<std::size_t>(y * kSize + x)];
                c = std::max(c, Coverage(SegmentDistance(p, s)));
            }
        }
    }
    return cover;
}

// Signed distance to a convex polygon given clockwise on screen; exact
// inside and close enough outside for anti-aliasing.
template <std::size_t N>
double ConvexDistance(Vec p, const std::array<Vec, N>& v) {
    double d = -1e9;
    for (std::size_t i = 0; i < N; ++i) {
        const Vec a = v[i];
        const Vec b = v[(i + 1) % N];
        const Vec edge{b.x - a.x, b.y - a.y};
        const double len = Length(edge);
        d = std::max(d, ((p.x - a.x) * edge.y - (p.y - a.y) * edge.x) / len);
    }
    return d;
}

// The house leans slightly: nothing in this place is quite straight.
constexpr std::array<Vec, 5> kHouse{{{300, 330}, {299, 283}, {324, 254}, {347, 285}, {345, 330}}};
constexpr std::array<Vec, 4> kChimney{{{331, 274}, {331, 252}, {339, 252}, {339, 283}}};
constexpr std::array<Vec, 4> kWindow{{{311, 306}, {311, 291}, {327, 291}, {327, 306}}};
constexpr std::array<Vec, 4> kDoor{{{331, 330}, {331, 306}, {340, 306}, {340, 330}}};

double BarDistance(Vec p) {
    const double vertical = std::abs(p.x - 319.0) - 0.9;
    const double horizontal = std::abs(p.y - 298.5) - 0.9;
    return std::min(vertical, horizontal);
}

Color WindowLight(Vec p) {
    const double dx = (p.x - 319.0) / 8.0;
    const double dy = (p.y - 298.5) / 7.5;
    const double warm = std::exp(-(dx * dx + dy * dy) * 0.7);
    return Mix({196, 70, 10}, {255, 246, 150}, warm);
}

// Ragged tufts of grass along the crest of the hill.
double GrassY(double x) {
    const double tufts = std::abs(std::sin(x * 1.7) * std::sin(x * 0.31));
    return HillY(x) - 7.0 * tufts * tufts;
}

// The ground is not flat black: a faint violet rim light on the crest and
// the warm spill of the window keep some shape in the darkest region.
Color Ground(Vec p) {
    const double below = Clamp01((p.y - HillY(p.x)) / 45.0);
    Color c = Mix({26, 8, 34}, {0, 0, 0}, std::sqrt(below));
    const double dx = (p.x - 322.0) / 42.0;
    const double dy = (p.y - 336.0) / 14.0;
    return Add(c, Scale({120, 52, 8}, std::exp(-(dx * dx + dy * dy))));
}

Color Silhouettes(Vec p, Color c, double tree) {
    const Color ink{4, 1, 6};
    c = Mix(c, Ground(p), Coverage(GrassY(p.x) - p.y));
    c = Mix(c, ink, tree);
    c = Mix(c, ink, Coverage(ConvexDistance(p, kHouse)));
    c = Mix(c, ink, Coverage(ConvexDistance(p, kChimney)));
    const double window = Coverage(ConvexDistance(p, kWindow));
    c = Mix(c, WindowLight(p), window * (1.0 - Coverage(BarDistance(p))));
    const double door = Coverage(ConvexDistance(p, kDoor));
    return Mix(c, Scale(WindowLight(p), 0.35), door * 0.6);
}

// ------------------------------------------------------------ compose ----

Color Background(int x, int y) {
    const Vec p{x + 0.5, y + 0.5};
    if (p.y >= kHorizonY) return Water(p);
    const double d = Length({p.x - kEyeCenter.x, p.y - kEyeCenter.y});
    Color c = Add(Add(SkyGradient(p.y), Halo(d)), Stars(x, y));
    c = Over(c, Ridge(p));
    return Over(c, Eye(p));
}

Color Pixel(int x, int y, double tree) {
    return Silhouettes({x + 0.5, y + 0.5}, Background(x, y), tree);
}

std::uint8_t ToByte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

}  // namespace

std::vector<std::uint8_t> MakeDefaultPicture() {
    std::vector<std::uint8_t> bmp(kPixelOffset + kPixelBytes, 0);
    // Rows stored bottom row first; 72 dots per inch.
    PutBmpHeaders(bmp, {.width = kSize,
                        .height = kSize,
                        .image_bytes = static_cast<std::uint32_t>(kPixelBytes),
                        .pixels_per_metre = 2835});
    const std::vector<double> tree = TreeCoverage();
    for (int y = 0; y < kSize; ++y) {
        const std::size_t row = kPixelOffset + static_cast<std::size_t>(kSize - 1 - y) * kRowBytes;
        for (int x = 0; x < kSize; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * kSize + x);
            const Color c = Pixel(x, y, tree[i]);
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            bmp[at] = ToByte(c.b);
            bmp[at + 1] = ToByte(c.g);
            bmp[at + 2] = ToByte(c.r);
        }
    }
    return bmp;
}
