// Coordinate numbers at ties, signs, field widths and the ends of the 64-bit range.
#include "coordinate_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

struct number_case {
    const char *name;
    std::int64_t raw;
    const char *text;
};

class number : public testing::TestWithParam<number_case> {};

TEST_P(number, is_formatted_as_a_ten_wide_fixed_point_field)
{
    char field[coordinate_room];
    char *end = format_coordinate(field, GetParam().raw);
    EXPECT_EQ(std::string(field, end), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    format, number,
    testing::Values(
        number_case{"zero", 0, "      0.00"},
        number_case{"one_unit", 100000, "      1.00"},
        number_case{"negative_half", -50000, "     -0.50"},
        number_case{"exact_tie_down_to_even", 12500, "      0.12"},
        number_case{"exact_tie_up_to_even", 37500, "      0.38"},
        number_case{"exact_tie_62_stays_even", 62500, "      0.62"},
        number_case{"exact_tie_88_goes_even", 87500, "      0.88"},
        number_case{"negative_exact_tie", -12500, "     -0.12"},
        number_case{"inexact_half_above_rounds_up", 500, "      0.01"},
        number_case{"inexact_half_below_rounds_down", 1500, "      0.01"},
        number_case{"small_positive_is_zero", 1, "      0.00"},
        number_case{"small_negative_keeps_its_sign", -1, "     -0.00"},
        number_case{"just_below_half_a_hundredth", 499, "      0.00"},
        number_case{"thousand", 99999999, "   1000.00"},
        number_case{"exactly_ten_characters", 123456789012, "1234567.89"},
        number_case{"negative_eleven_characters", -999999999999, "-10000000.00"},
        number_case{"wider_than_the_field", 12345678901234, "123456789.01"},
        number_case{"beyond_exact_doubles", 4503599627370497, "45035996273.70"},
        number_case{"largest_raw", std::numeric_limits<std::int64_t>::max(), "92233720368547.77"},
        number_case{"smallest_raw", std::numeric_limits<std::int64_t>::min(),
                    "-92233720368547.77"}),
    [](const auto &info) { return info.param.name; });

} // namespace
