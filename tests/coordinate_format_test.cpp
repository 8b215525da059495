// Coordinate numbers at ties, signs, field widths and the ends of the 64-bit range.
#include "coordinate_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
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
    testing::Values(number_case{"zero", 0, "      0.00"},
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
                    number_case{"largest_raw", std::numeric_limits<std::int64_t>::max(),
                                "92233720368547.77"},
                    number_case{"smallest_raw", std::numeric_limits<std::int64_t>::min(),
                                "-92233720368547.77"}),
    [](const auto &info) { return info.param.name; });

// The C library formats the same double; any difference is a fault in ours.
TEST(format, matches_the_c_library_on_over_a_million_values)
{
    long checked = 0, differing = 0;
    const auto check = [&](std::int64_t raw) {
        char ours[coordinate_room], reference[coordinate_room];
        const std::string text(ours, format_coordinate(ours, raw));
        std::snprintf(reference, sizeof reference, "%10.2f",
                      static_cast<double>(raw) / coord_divisor);
        ++checked;
        if (text != reference && ++differing <= 5)
            ADD_FAILURE() << "raw " << raw << ": " << text << " instead of " << reference;
    };
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();

    std::mt19937_64 random(2024);
    std::uniform_int_distribution<std::int64_t> on_board(-5'000'000'000, 5'000'000'000);
    for (int i = 0; i < 300'000; ++i) {
        check(static_cast<std::int64_t>(random()));
        check(on_board(random));
    }
    // Every raw value near a halfway point between two hundredths, at many magnitudes,
    // where the double's rounding decides between the neighbours.
    for (std::int64_t scale = 1; scale < most / 1000 / 10; scale *= 10)
        for (std::int64_t k = 0; k < 2000; ++k)
            for (std::int64_t near = 495; near <= 505; ++near) {
                check((scale + k) * 1000 + near);
                check(-((scale + k) * 1000 + near));
            }
    for (std::int64_t multiple = -100'000; multiple <= 100'000; ++multiple)
        check(multiple * 500);
    for (std::int64_t raw = -100'000; raw <= 0; ++raw)
        check(raw);
    // The ends of the fast paths and of the 64-bit range.
    for (const std::int64_t edge :
         {std::int64_t{1} << 52, std::int64_t{99'999'999'500}, std::int64_t{9'999'999'500}, most})
        for (std::int64_t d = 0; d < 20'000; ++d) {
            check(edge - d);
            check(-(edge - d));
        }
    for (std::int64_t d = 0; d < 20'000; ++d)
        check(least + d);

    EXPECT_GE(checked, 1'000'000);
    EXPECT_EQ(differing, 0);
}

} // namespace
