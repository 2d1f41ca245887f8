#pragma once

#include <cstdint>

class RandomSource;
class ShowTarget;

// The flicker timer's tick at step count `step_count`: row noise on the
// picture and, in the middle of the show, a new glitch title.
void FlickerTick(std::int32_t step_count, ShowTarget& target, RandomSource& random);
