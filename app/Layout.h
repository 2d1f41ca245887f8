#pragma once

#include <cstdint>

#include "platform/Geometry.h"

// a x b / c rounded to the nearest integer, halves away from zero; -1 when c
// is 0.
constexpr std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    std::int64_t num = std::int64_t{a} * b;
    std::int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    std::int64_t half = den / 2;
    std::int64_t q = num >= 0 ? (num + half) / den : -((-num + half) / den);
    return static_cast<std::int32_t>(q);
}

// Each edge multiplied by m / d and rounded; width and height are then the
// differences.
constexpr Bounds ScaleBounds(Bounds b, std::int32_t m, std::int32_t d) {
    std::int32_t left = MulDiv(b.left, m, d);
    std::int32_t top = MulDiv(b.top, m, d);
    std::int32_t right = MulDiv(b.Right(), m, d);
    std::int32_t bottom = MulDiv(b.Bottom(), m, d);
    return Bounds{left, top, right - left, bottom - top};
}

static_assert(MulDiv(-12, 120, 96) == -15);
static_assert(MulDiv(-12, 144, 96) == -18);
static_assert(MulDiv(5, 1, 2) == 3 && MulDiv(-5, 1, 2) == -3);
static_assert(ScaleBounds({0, 0, 400, 400}, 15, 12) == Bounds{0, 0, 500, 500});
