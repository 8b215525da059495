// Placing positions: mirrors, turns and shifts in their order, exactly, within the range
// of a coordinates file; and the shift that fits a job on a bed.
#include "panel.h"
#include "placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct place_case {
    const char *name;
    placement how;
    point from, to;
};

class placed_position : public testing::TestWithParam<place_case> {};

TEST_P(placed_position, moves_the_position_exactly)
{
    point at = GetParam().from;
    EXPECT_TRUE(place(GetParam().how, at));
    EXPECT_EQ(at.x, GetParam().to.x);
    EXPECT_EQ(at.y, GetParam().to.y);
}

// (3, 1) mirrored in x is (-3, 1); turned a quarter counter-clockwise, y up, (-1, -3).
INSTANTIATE_TEST_SUITE_P(
    place, placed_position,
    testing::Values(
        place_case{"shift", {false, false, 0, {125, -350}}, {300, 100}, {425, -250}},
        place_case{"mirror_x", {true, false, 0, {0, 0}}, {300, 100}, {-300, 100}},
        place_case{"mirror_y", {false, true, 0, {0, 0}}, {300, 100}, {300, -100}},
        place_case{"quarter_turn", {false, false, 1, {0, 0}}, {300, 100}, {-100, 300}},
        place_case{"half_turn", {false, false, 2, {0, 0}}, {300, 100}, {-300, -100}},
        place_case{"three_quarters", {false, false, 3, {0, 0}}, {300, 100}, {100, -300}},
        place_case{
            "mirror_then_turn_then_shift", {true, false, 1, {5, 7}}, {300, 100}, {-95, -293}},
        place_case{"to_the_edge_of_the_range",
                   {false, false, 0, {1, 0}},
                   {largest_hundredths - 1, 0},
                   {largest_hundredths, 0}}),
    [](const auto &info) { return info.param.name; });

TEST(place, refuses_a_position_beyond_the_range_and_leaves_it)
{
    point at{largest_hundredths, -5};
    EXPECT_FALSE(place({false, false, 0, {1, 0}}, at));
    EXPECT_EQ(at.x, largest_hundredths);
    EXPECT_FALSE(place({false, false, 0, {0, -largest_hundredths}}, at));
    EXPECT_EQ(at.y, -5);
}

struct fit_case {
    const char *name;
    extent job;
    bed area;
    bool centred;
    fit expected;
};

class fitted_box : public testing::TestWithParam<fit_case> {};

TEST_P(fitted_box, finds_the_shift_or_how_much_is_too_large)
{
    const fit got = fit_on(GetParam().job, GetParam().area, GetParam().centred);
    EXPECT_EQ(got.shift.x, GetParam().expected.shift.x);
    EXPECT_EQ(got.shift.y, GetParam().expected.shift.y);
    EXPECT_EQ(got.too_wide, GetParam().expected.too_wide);
    EXPECT_EQ(got.too_high, GetParam().expected.too_high);
}

// The job spans x -35 to 638 and y -70 to 430, 673 by 500 hundredths.
constexpr extent board{false, -35, -70, 638, 430};

INSTANTIATE_TEST_SUITE_P(
    fit, fitted_box,
    testing::Values(
        fit_case{"corner_on_the_corner", board, {0, 0, 800, 600}, false, {{35, 70}, 0, 0}},
        fit_case{
            "corner_on_a_bed_elsewhere", board, {-100, 50, 800, 600}, false, {{-65, 120}, 0, 0}},
        // 127 and 100 hundredths to spare: 63 and 50 before the job.
        fit_case{"centred_with_an_odd_hundredth_spare",
                 board,
                 {0, 0, 800, 600},
                 true,
                 {{98, 120}, 0, 0}},
        fit_case{"exactly_the_bed", board, {0, 0, 673, 500}, false, {{35, 70}, 0, 0}},
        fit_case{"too_large", board, {0, 0, 600, 400}, false, {{35, 70}, 73, 100}},
        fit_case{"empty_job", extent{true, 0, 0, 0, 0}, {0, 0, 800, 600}, true, {{0, 0}, 0, 0}}),
    [](const auto &info) { return info.param.name; });

// A panel's file holds at most 2^63 - 1 bytes, each move line counted as wide as the
// widest number in the panel: here 18 characters for x, 10 for y, 36 a line with "Go To "
// and the trailer's 11 bytes beside them; the records fill the file to its last byte.
TEST(panel, file_may_hold_the_largest_count_of_bytes_and_no_more)
{
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max() - 11;
    const extent whole{false, -9223372036854777, 0, 100, 100};
    job_content content{0, most / 36, 0, 0, most % 36};
    EXPECT_TRUE(panel_fits_a_file(content, whole, panel{1, 1, {0, 0}}));
    ++content.record_bytes;
    EXPECT_FALSE(panel_fits_a_file(content, whole, panel{1, 1, {0, 0}}));
    // A copy of 9.3 MB written a million by a million times passes it.
    const job_content copy{0, 330000, 1, 1, 10};
    EXPECT_TRUE(panel_fits_a_file(copy, whole, panel{1000, 1000, {1, 1}}));
    EXPECT_FALSE(panel_fits_a_file(copy, whole, panel{1000000, 1000000, {1, 1}}));
}

} // namespace
