// The segment scan: the 30-character word, white space, signs, failures and clamping.
#include "segment_scan.h"
#include "trace_reader.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr std::int64_t before_x = 111, before_y = 222;
constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();

struct scan_case {
    const char *name;
    std::string text;
    std::int64_t x, y;
};

class scan : public testing::TestWithParam<scan_case> {};

TEST_P(scan, takes_the_numbers_that_convert)
{
    char line[line_size] = {};
    GetParam().text.copy(line, line_size - 1);
    std::int64_t x = before_x, y = before_y;
    scan_segment(line, x, y);
    EXPECT_EQ(x, GetParam().x);
    EXPECT_EQ(y, GetParam().y);
}

const std::string letters27(27, 'q');

INSTANTIATE_TEST_SUITE_P(
    segment, scan,
    testing::Values(
        scan_case{"two_numbers", "SEG 100000 -200000\n", 100000, -200000},
        scan_case{"longer_word", "SEGMENT 1 2\n", 1, 2},
        scan_case{"no_numbers_keep_both", "SEG\n", before_x, before_y},
        scan_case{"one_number_keeps_y", "SEG 7\n", 7, before_y},
        scan_case{"decimal_point_stops_the_scan", "SEG 1.5 2\n", 1, before_y},
        scan_case{"letters_after_x_stop_the_scan", "SEG 12abc 34\n", 12, before_y},
        scan_case{"word_is_cut_after_30_characters", "SEG" + letters27 + "12 34\n", 12, 34},
        scan_case{"cut_word_leaves_letters_that_fail", "SEG" + letters27 + "q12 34\n", before_x,
                  before_y},
        scan_case{"every_white_space_separates", "SEG\t-5\v\f+6\r\n", -5, 6},
        scan_case{"sign_without_digits_fails", "SEG - 5\n", before_x, before_y},
        scan_case{"two_signs_fail", "SEG +-5 6\n", before_x, before_y},
        scan_case{"leading_zeros_and_negative_zero", "SEG 007 -0\n", 7, 0},
        scan_case{"byte_above_ascii_is_no_white_space",
                  "SEG\xa0"
                  "5 6\n",
                  6, before_y},
        scan_case{"the_64_bit_ends", "SEG 9223372036854775807 -9223372036854775808", most, least},
        scan_case{"beyond_64_bits_is_clamped", "SEG 9223372036854775808 -99999999999999999999",
                  most, least}),
    [](const auto &info) { return info.param.name; });

// Random chunks made of the pieces that matter to the scan, compared with what the C
// library's own scan makes of them; any difference is a fault in ours.
TEST(segment, matches_the_c_library_on_random_chunks)
{
    std::mt19937 random(1988);
    const auto pick = [&](std::initializer_list<const char *> choices) {
        return std::string(choices.begin()[random() % choices.size()]);
    };
    const auto some = [&](const char *alphabet, std::size_t most_count) {
        std::string text;
        const std::string letters(alphabet);
        for (std::size_t n = random() % (most_count + 1); n > 0; --n)
            text += letters[random() % letters.size()];
        return text;
    };
    const char *const white = " \t\v\f\r\n";
    const auto number = [&] {
        return pick({"", "", "-", "+", "+-", "--"}) + some("0123456789", 25) +
               pick({"", "", "", ".5", "x", "\xa0", "\x80"});
    };

    int differing = 0;
    for (int i = 0; i < 300'000; ++i) {
        std::string text = pick({"SEG", "SEG", "SEGMENT", " SEG", "SEG\t"}) +
                           some("ABCDEFGHIJKLMNOPQRSTUVWXYZ", random() % 4 == 0 ? 40 : 2) +
                           some(white, 2) + number() + some(white, 3) + number() + some(white, 2) +
                           pick({"\n", "\r\n", "", " 9 9\n"});
        text.resize(std::min(text.size(), line_size - 1));

        char line[line_size] = {};
        text.copy(line, line_size - 1);
        std::int64_t x = before_x, y = before_y;
        scan_segment(line, x, y);

        char word[line_size];
        std::int64_t reference_x = before_x, reference_y = before_y;
        std::sscanf(line, "%30s %" SCNd64 " %" SCNd64, word, &reference_x, &reference_y);
        if ((x != reference_x || y != reference_y) && ++differing <= 5)
            ADD_FAILURE() << "'" << text << "': " << x << " " << y << " instead of " << reference_x
                          << " " << reference_y;
    }
    EXPECT_EQ(differing, 0);
}

} // namespace
