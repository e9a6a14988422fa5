// The one rounding of a scaled size that every window and control shares.
#include "platform/Scaling.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(ScalingTest, MulDivRoundsHalvesAwayFromZeroAndStaysInRange) {
    const struct {
        int value, m, d, expected;
    } cases[] = {
        {187, 144, 96, 281},
        {5, 1, 2, 3},
        {-5, 1, 2, -3},
        {5, -1, 2, -3},
        {-5, 1, -2, 3},
        {7, 1, 3, 2},
        {8, 1, 3, 3},
        {-1, 144, 96, -2},
        {12, 72, 96, 9},
        {INT_MAX, 2, 1, INT_MAX},
        {INT_MIN, 2, 1, INT_MIN},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {10, 3, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::MulDiv(c.value, c.m, c.d), c.expected)
            << c.value << " * " << c.m << " / " << c.d;
}

} // namespace
