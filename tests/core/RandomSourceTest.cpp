#include "core/RandomSource.h"

#include <gtest/gtest.h>

#include "core/TimeOfDay.h"

TEST(RandomSource, FirstDrawFromZeroState) {
    RandomSource random;
    EXPECT_EQ(random.RandomBelow(9), 0u);
    EXPECT_EQ(random.State(), 1u);
}
