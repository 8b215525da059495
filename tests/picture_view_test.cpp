// Positions rounded to tenths of a pixel: nearest must round exactly as llround does, at the
// halves and past the range where every double is a whole number, or pixels would shift.
#include "picture_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct rounding_case {
    const char *name;
    double value;
};

class rounded : public testing::TestWithParam<rounding_case> {};

TEST_P(rounded, as_llround_does)
{
    EXPECT_EQ(nearest(GetParam().value), std::llround(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    tenths, rounded,
    testing::Values(rounding_case{"half_goes_up", 0.5}, rounding_case{"minus_half_goes_down", -0.5},
                    rounding_case{"just_below_a_half", 0.49999999999999994},
                    rounding_case{"just_above_minus_a_half", -0.49999999999999994},
                    rounding_case{"odd_and_a_half", 2.5}, rounding_case{"negative_zero", -0.0},
                    rounding_case{"last_with_halves", 4503599627370495.5},
                    rounding_case{"whole_past_the_halves", 4503599627370497.0},
                    rounding_case{"largest_in_range", 8.9e18},
                    rounding_case{"past_the_cheap_range", -9.1e18}),
    [](const testing::TestParamInfo<rounding_case> &info) { return std::string(info.param.name); });

TEST(rounded, as_llround_does_near_every_half_in_a_sweep)
{
    std::mt19937_64 draw(9);
    std::uniform_int_distribution<std::int64_t> whole(-(std::int64_t{1} << 40), std::int64_t{1} << 40);
    for (int k = 0; k < 100000; ++k) {
        const double half = static_cast<double>(whole(draw)) + 0.5;
        for (const double v : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300),
                               std::nextafter(half, -1e300)})
            ASSERT_EQ(nearest(v), std::llround(v)) << v;
    }
}

} // namespace
