#include "show/FlickerTick.h"

#include "core/RandomSource.h"
#include "show/GlitchTitle.h"
#include "show/ShowTarget.h"

void FlickerTick(std::int32_t step_count, ShowTarget& target, RandomSource& random) {
    target.NoiseBitmap(random);
    if (GlitchActive(step_count)) target.SetCaption(GlitchTitle(random.RandomBelow(30) + 1));
}
