#pragma once

#include <cstdint>

class RandomSource;
class ShowTarget;

// The click on the picture: the steps start, the flicker speeds up and the
// tune is opened and played.
void StartShow(ShowTarget& target);

// What the step timer's tick does once the step count has become
// `step_count` (show/Schedule.h).
void RunStep(std::int32_t step_count, ShowTarget& target, RandomSource& random);
