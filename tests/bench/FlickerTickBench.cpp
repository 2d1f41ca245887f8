// One whole flicker tick as the desktop program makes it: the noise over the
// picture, the refresh, and the repaint's drawing into the 400 x 400 area.
// The drawing samples the area's pixels only, so its cost must not grow with
// the picture.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/RandomSource.h"
#include "picture/Effects.h"
#include "picture/WorkPicture.h"
#include "platform/ClientArea.h"

namespace {

struct Marks : PictureListener {
    void PictureChanged() override { ++count; }
    long count = 0;
};

// A 400 x 400 form showing the picture over its client area.
class PictureForm final : public FormView {
public:
    explicit PictureForm(const WorkPicture& picture) : m_picture(picture) {}
    Bounds StoredBounds() const override { return {0, 0, 400, 400}; }
    Size ClientSize() const override { return {400, 400}; }
    bool AutoSize() const override { return true; }
    SystemColor Color() const override { return SystemColor::ButtonFace; }
    IconId Icon() const override { return IconId::Transparent16; }
    std::string_view Caption() const override { return {}; }
    Bounds PictureBounds() const override { return {0, 0, 400, 400}; }
    const PixelRows* Picture() const override { return &m_picture.Rows(); }

private:
    const WorkPicture& m_picture;
};

std::unique_ptr<WorkPicture> Picture(std::int32_t w, std::int32_t h, PictureListener* listener) {
    const PixelLayout layout{w, h, (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4, false};
    PixelRows rows(layout, HeapPixels().Allocate(layout));
    for (std::size_t i = 0; i < rows.layout.Size(); ++i)
        rows.Data()[i] = static_cast<std::uint8_t>(i);
    auto picture = std::make_unique<WorkPicture>(listener);
    picture->Replace(std::move(rows));
    return picture;
}

void Tick(benchmark::State& state) {
    Marks marks;
    auto picture = Picture(static_cast<std::int32_t>(state.range(0)),
                           static_cast<std::int32_t>(state.range(1)), &marks);
    RandomSource random;
    const PictureForm form(*picture);
    ClientImage area(PixelOrder::Bgrx32);
    for (auto _ : state) {
        if (state.range(2) != 0) {
            AddRowNoise(*picture, random);
            picture->RefreshPicture();
        }
        area.Paint(form, Size{400, 400}, StandardSystemColor(SystemColor::ButtonFace));
        benchmark::DoNotOptimize(area.Pixels().data());
        benchmark::ClobberMemory();
    }
}

// Arguments: width, height, and the noise with its refresh (1) or the drawing alone (0).
void BM_FlickerTick(benchmark::State& state) { Tick(state); }

BENCHMARK(BM_FlickerTick)
    ->Args({400, 400, 1})
    ->Args({4000, 3000, 1})
    ->Args({400, 400, 0})
    ->Args({4000, 3000, 0});

}  // namespace
