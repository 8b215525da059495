// What a raster has covered: a pixel's samples seen along rows and down columns, and the
// pixel covered whole, in its line and in four, once all of them are.
#include "covered_lines.h"

#include <gtest/gtest.h>

namespace {

// Whether c shows the sample at along in line of them covered.
int sample(const covered_lines &c, int line, int along)
{
    const std::uint64_t word =
        c.samples[static_cast<std::size_t>((line / 8 * c.groups + along / 64) * 8 + line % 8)];
    return static_cast<int>(word >> along % 64 & 1);
}

// The pixel at (5, 2) lacks the last sample of its fourth row, then has it.
TEST(covered_lines, pixel_is_seen_both_ways_and_whole_once_all_its_samples_are)
{
    covered_lines rows{}, columns{};
    start_covered(rows, 4, 16);
    start_covered(columns, 16, 4);
    for (const int y : {0, 1, 3})
        mark_covered(rows, columns, 5, y, ~std::uint64_t{0});
    mark_covered(rows, columns, 5, 2, ~(std::uint64_t{1} << 31));
    EXPECT_EQ(sample(rows, 19, 47), 0);
    EXPECT_EQ(sample(rows, 19, 46) + sample(rows, 20, 47) + sample(rows, 18, 47), 3);
    EXPECT_EQ(sample(columns, 47, 19), 0);
    EXPECT_EQ(sample(columns, 47, 18) + sample(columns, 46, 19) + sample(columns, 47, 20), 3);
    EXPECT_EQ(rows.whole[2] >> 5 & 1, 0u);
    EXPECT_EQ(rows.whole[3] >> 5 & 1, 1u);
    EXPECT_EQ(rows.fours[0] >> 5 & 1, 0u);
    mark_covered(rows, columns, 5, 2, ~std::uint64_t{0});
    EXPECT_EQ(rows.whole[2] >> 5 & 1, 1u);
    EXPECT_EQ(rows.fours[0] >> 5 & 1, 1u);
    EXPECT_EQ(columns.whole[5] >> 2 & 1, 1u);
}

} // namespace
