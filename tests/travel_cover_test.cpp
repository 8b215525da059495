// The cover of idle travel: a pixel is drawn solid only where the browser paints it so, and
// a hop is left out only when every pixel it touches is solid.
#include "streams.h"
#include "travel_cover.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A picture of 40 by 30 pixels with a level hop through the middle of each row from 5 to 25,
// from x = 5 to 35 pixels, laid in each of elements path elements, times over in each.
travel_cover rows_crossed(int elements, int times)
{
    travel_cover c{};
    start_cover(c, 40, 30, 0);
    for (int e = 0; e < elements; ++e)
        for (int t = 0; t < times; ++t)
            for (int row = 5; row <= 25; ++row)
                cover_hop(c, static_cast<std::uint32_t>(e), 50, row * 10 + 5, 350, row * 10 + 5);
    settle_cover(c);
    return c;
}

struct hop_case {
    const char *name;
    int elements, times;
    std::int64_t x0, y0, x1, y1; // tenths of a pixel
    bool hidden;
};

class crossed_rows : public testing::TestWithParam<hop_case> {};

TEST_P(crossed_rows, hide_a_hop_only_where_every_pixel_it_touches_is_solid)
{
    const hop_case &h = GetParam();
    travel_cover c = rows_crossed(h.elements, h.times);
    EXPECT_EQ(hop_hidden(c, h.x0, h.y0, h.x1, h.y1), h.hidden);
}

// A line three quarters of a pixel wide lets a quarter through: four elements leave
// 0.251^4 > 2^-8 of the pixel showing, five do not. Within one element lines over one
// another paint a pixel once.
INSTANTIATE_TEST_SUITE_P(
    cover, crossed_rows,
    testing::Values(hop_case{"inside_five_elements", 5, 1, 100, 155, 300, 155, true},
                    hop_case{"slanting_inside", 5, 1, 80, 80, 320, 220, true},
                    hop_case{"inside_four_elements", 4, 1, 100, 155, 300, 155, false},
                    hop_case{"one_element_laid_ten_times", 1, 10, 100, 155, 300, 155, false},
                    hop_case{"past_the_crossed_columns", 5, 1, 100, 155, 348, 155, false},
                    hop_case{"along_the_edge_of_the_crossed_rows", 5, 1, 100, 52, 300, 52, false},
                    hop_case{"off_the_picture", 5, 1, 100, 155, 500, 155, false}),
    [](const testing::TestParamInfo<hop_case> &info) { return std::string(info.param.name); });

TEST(cover, draws_solid_pixels_as_runs_of_whole_pixels)
{
    const travel_cover c = rows_crossed(5, 1);
    stream out(std::tmpfile());
    put_cover(out.get(), c);
    std::string runs = "M50 55h300";
    for (int row = 6; row <= 25; ++row)
        runs += "m-300 10h300";
    EXPECT_EQ(contents(out.get()),
              "<path stroke-width=\"10\" stroke-linecap=\"butt\" d=\"" + runs + "\"/>\n");
}

TEST(cover, follows_nothing_past_its_bound_on_pixels)
{
    travel_cover c{};
    start_cover(c, 4096, 1025, 0);
    for (std::uint32_t e = 0; e < 8; ++e)
        cover_hop(c, e, 0, 5, 40000, 5);
    settle_cover(c);
    EXPECT_FALSE(hop_hidden(c, 100, 5, 300, 5));
    stream out(std::tmpfile());
    put_cover(out.get(), c);
    EXPECT_EQ(contents(out.get()), "");
}

// A browser paints the subpaths of one path element as one shape, so a hop begun again in
// its element is left out, unless the next hop goes on from it; in the next element it is
// drawn again.
TEST(cover, hop_drawn_again_in_its_element_is_left_out_unless_continued)
{
    stream out(std::tmpfile());
    hop_layer h{out.get(), {}, 0, false, false, 0, 0, {}};
    const auto hop = [&h](std::int64_t x, std::int64_t y, std::int64_t to_x, std::int64_t to_y,
                          bool goes_on) {
        draw_hop(h, x, y, to_x, to_y);
        h.open = goes_on;
    };
    hop(0, 0, 100, 0, false);
    hop(0, 0, 100, 0, false);
    hop(0, 0, 100, 0, true);
    hop(100, 0, 100, 50, false);
    for (int k = 3; k < hops_an_element; ++k)
        hop(0, 10 * k, 100, 10 * k, false);
    hop(0, 0, 100, 0, false);
    close_hops(h);
    std::string one_element = "<path d=\"M0 0h100m-100 0h100v50m-100-20h100";
    for (int k = 4; k < hops_an_element; ++k)
        one_element += "m-100 10h100";
    EXPECT_EQ(contents(out.get()), one_element + "\"/>\n<path d=\"M0 0h100\"/>\n");
}

} // namespace
