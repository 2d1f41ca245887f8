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

// Applies change(run, n) to the pixel bytes of every row. Every row gets the
// same change, so the rows are visited in the order they lie in memory, which
// streams best, and rows without filler make one run.
template <typename Change>
void EachRun(PixelRows& rows, Change change) {
    const std::size_t n = rows.RunLength();
    const std::size_t stride = rows.layout.stride;
    if (stride == n) return change(rows.Data(), rows.layout.Size());
    std::uint8_t* row = rows.Data();
    for (std::int32_t r = 0; r < rows.Height(); ++r, row += stride) change(row, n);
}

}  // namespace

void OrRows(WorkPicture& picture, std::uint8_t value) {
    EachRun(picture.WritableRows(),
            [value](std::uint8_t* run, std::size_t n) { OrRun(run, n, value); });
}

void XorRows(WorkPicture& picture, std::uint8_t value) {
    EachRun(picture.WritableRows(),
            [value](std::uint8_t* run, std::size_t n) { XorRun(run, n, value); });
}

void AddRowNoise(WorkPicture& picture, RandomSource& random) {
    PixelRows& rows = picture.WritableRows();
    const std::size_t n = rows.RunLength();
    const std::int32_t height = rows.Height();
    if (height == 0) return;
    if (rows.layout.top_down) {
        for (std::int32_t r = 0; r < height; ++r) {
            XorRun(rows.Row(r), n, static_cast<std::uint8_t>(random.RandomBelow(9)));
        }
        return;
    }
    // The draws fall top row first, but a bottom-up picture's top row lies last
    // in memory; the rows are visited in memory order, which streams best, and
    // the draws are made backwards from the state after the last one.
    const std::uint32_t last =
        RandomSource::After(random.State(), static_cast<std::uint64_t>(height));
    std::uint32_t state = last;
    std::uint8_t* row = rows.Data();
    const std::size_t stride = rows.layout.stride;
    for (std::int32_t r = height - 1; r >= 0; --r, row += stride) {
        XorRun(row, n, static_cast<std::uint8_t>(RandomSource::Below(9, state)));
        state = RandomSource::Previous(state);
    }
    random.SetState(last);
}
