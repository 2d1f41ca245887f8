#include "picture/Effects.h"

#include <cstddef>

#include "core/RandomSource.h"
#include "picture/WorkPicture.h"

namespace {

// The length and pointer are locals, so the compiler need not reload them
// after each byte store and the loop vectorises.
inline void OrRun(std::uint8_t* run, std::size_t n, std::uint8_t value) {
    for (std::size_t i = 0; i < n; ++i) run[i] = static_cast<std::uint8_t>(run[i] | value);
}

inline void XorRun(std::uint8_t* run, std::size_t n, std::uint8_t value) {
    for (std::size_t i = 0; i < n; ++i) run[i] = static_cast<std::uint8_t>(run[i] ^ value);
}

}  // namespace

void OrRows(WorkPicture& picture, std::uint8_t value) {
    const PixelRows& rows = picture.Rows();
    const std::size_t n = rows.RunLength();
    for (std::int32_t r = 0; r < rows.Height(); ++r) OrRun(rows.Row(r), n, value);
}

void XorRows(WorkPicture& picture, std::uint8_t value) {
    const PixelRows& rows = picture.Rows();
    const std::size_t n = rows.RunLength();
    for (std::int32_t r = 0; r < rows.Height(); ++r) XorRun(rows.Row(r), n, value);
}

void AddRowNoise(WorkPicture& picture, RandomSource& random) {
    const PixelRows& rows = picture.Rows();
    const std::size_t n = rows.RunLength();
    for (std::int32_t r = 0; r < rows.Height(); ++r) {
        std::uint8_t* run = rows.Row(r);
        XorRun(run, n, static_cast<std::uint8_t>(random.RandomBelow(9)));
    }
}
