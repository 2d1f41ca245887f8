#include <gtest/gtest.h>

#include "core/RandomSource.h"
#include "core/TimeOfDay.h"

TEST(RandomSource, SeedIsTheMillisecondOfTheDay) {
    RandomSource random;
    random.SeedFromClock(TimeOfDay{23, 59, 59, 999});
    EXPECT_EQ(random.State(), 86'399'999u);
    random.SeedFromClock(TimeOfDay{1, 2, 3, 4});
    EXPECT_EQ(random.State(), 3'723'004u);
}

TEST(RandomSource, DrawsFollowTheLinearCongruence) {
    RandomSource random;
    EXPECT_EQ(random.RandomBelow(9), 0u);  // the upper half of 9 x 1
    EXPECT_EQ(random.State(), 1u);
    EXPECT_EQ(random.RandomBelow(0x80000000u), 0x08088406u >> 1);
    EXPECT_EQ(random.State(), 0x08088406u);
    random.SetState(0xFFFFFFFFu);
    EXPECT_EQ(random.RandomBelow(30), static_cast<std::uint32_t>((30ull * 0xF7F77BFCull) >> 32));
    EXPECT_EQ(random.State(), 0xF7F77BFCu);  // wraps modulo 2^32
}

TEST(RandomSource, ResultsStayBelowTheRangeAndZeroStillAdvances) {
    RandomSource random;
    random.SeedFromClock(TimeOfDay{12, 0, 0, 0});
    bool seen_top[3] = {};
    for (int i = 0; i < 20000; ++i) {
        auto a = random.RandomBelow(9), b = random.RandomBelow(15), c = random.RandomBelow(30);
        ASSERT_LT(a, 9u);
        ASSERT_LT(b, 15u);
        ASSERT_LT(c, 30u);
        seen_top[0] |= a == 8, seen_top[1] |= b == 14, seen_top[2] |= c == 29;
    }
    EXPECT_TRUE(seen_top[0] && seen_top[1] && seen_top[2]);
    auto before = random.State();
    EXPECT_EQ(random.RandomBelow(0), 0u);
    EXPECT_NE(random.State(), before);
}
