// Strokes piled along a line are passed over by what the bands along it know, and strokes
// drawn again by their ends: the image must come out sample for sample as it does when every
// stroke is walked row by row, and a stroke within the pile must be known hidden.
#include "coverage_raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct pile_case {
    const char *name;
    double angle;  // of the line, in degrees, y down
    double width;  // of the strokes, in pixels
    double jitter; // of the line's place, in pixels, from stroke to stroke
};

class pile : public testing::TestWithParam<pile_case> {};

view picture_view()
{
    return {.left = 0,
            .bottom = 0,
            .width = 1100,
            .height = 800,
            .scale = 1,
            .plot_left = 0,
            .plot_top = 0,
            .picture_width = 1100,
            .picture_height = 800};
}

// Starts two images of the same view, the second without its bands along lines, so that it
// walks every stroke row by row.
void start_both(coverage_raster &with, coverage_raster &without)
{
    start_raster(with, picture_view(), 0, 0, 1100, 800, 0, true);
    start_raster(without, picture_view(), 0, 0, 1100, 800, 0, true);
    without.occlusion.stretches.clear();
}

std::int64_t tenths(double pixels)
{
    return static_cast<std::int64_t>(std::llround(pixels * 10));
}

// Draws the stroke from (ax, ay) to (bx, by), in pixels, into both images.
void draw_both(coverage_raster &with, coverage_raster &without, double ax, double ay, double bx,
               double by, double width)
{
    for (coverage_raster *r : {&with, &without})
        raster_stroke(*r, 0, tenths(ax), tenths(ay), tenths(bx), tenths(by), width);
}

// Draws 600 strokes between points along one line through the picture's middle, each end
// rounded to tenths as the picture rounds them, in both directions, into both images.
void draw_pile(const pile_case &c, coverage_raster &with, coverage_raster &without)
{
    std::mt19937_64 draw(17);
    std::uniform_real_distribution<double> along(-380, 380), off(-c.jitter, c.jitter);
    const double ux = std::cos(c.angle * M_PI / 180), uy = std::sin(c.angle * M_PI / 180);
    for (int k = 0; k < 600; ++k) {
        const double s = along(draw), e = along(draw), n = off(draw), m = n + off(draw) / 4;
        draw_both(with, without, 550 + s * ux - n * uy, 400 + s * uy + n * ux,
                  550 + e * ux - m * uy, 400 + e * uy + m * ux, c.width);
    }
}

TEST_P(pile, covers_the_samples_a_walk_of_every_stroke_covers)
{
    coverage_raster with, without;
    start_both(with, without);
    draw_pile(GetParam(), with, without);
    EXPECT_TRUE(with.covered == without.covered);
    // The line's middle, where many strokes lie either side of it.
    const double ux = std::cos(GetParam().angle * M_PI / 180),
                 uy = std::sin(GetParam().angle * M_PI / 180);
    const image_point a{550 - 100 * ux, 400 - 100 * uy}, b{550 + 100 * ux, 400 + 100 * uy};
    EXPECT_TRUE(hidden_on_line(with.occlusion, place_on_line(a, b), GetParam().width / 2));
    // And 3 pixels across it, where none lies.
    const image_point c{a.x - 3 * uy, a.y + 3 * ux}, d{b.x - 3 * uy, b.y + 3 * ux};
    EXPECT_FALSE(hidden_on_line(with.occlusion, place_on_line(c, d), GetParam().width / 2));
}

// Small piles of a few strokes each, in every direction and width, their lines a little apart:
// where a band's edges meet the samples, every margin the bands keep is needed.
TEST(stroke_occlusion, small_piles_cover_what_a_walk_of_every_stroke_covers)
{
    coverage_raster with, without;
    start_both(with, without);
    std::mt19937_64 draw(23);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int pile = 0; pile < 4000; ++pile) {
        const double angle = unit(draw) * 2 * M_PI, width = 0.3 + unit(draw) * 1.2;
        const double ux = std::cos(angle), uy = std::sin(angle);
        const double cx = 100 + unit(draw) * 900, cy = 100 + unit(draw) * 600;
        for (int k = 0; k < 6; ++k) {
            const double s = -60 + unit(draw) * 30, e = 30 + unit(draw) * 30;
            const double n = unit(draw) * 0.2, m = n + unit(draw) * 0.02;
            const double sx = cx + s * ux - n * uy, sy = cy + s * uy + n * ux;
            const double ex = cx + e * ux - m * uy, ey = cy + e * uy + m * ux;
            if (k % 2 == 0)
                draw_both(with, without, sx, sy, ex, ey, width);
            else
                draw_both(with, without, ex, ey, sx, sy, width);
        }
    }
    EXPECT_TRUE(with.covered == without.covered);
}

// A stroke drawn again, the other way or thinner, as idle travel retraces a stroke, is known
// by its ends and passed over: it must cover nothing that walking it would.
TEST(stroke_occlusion, strokes_drawn_again_either_way_cover_what_a_walk_covers)
{
    coverage_raster with, without;
    start_both(with, without);
    without.drawn.clear();
    std::mt19937_64 draw(29);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int k = 0; k < 3000; ++k) {
        const double ax = unit(draw) * 1100, ay = unit(draw) * 800;
        const double bx = ax + (unit(draw) - 0.5) * 200, by = ay + (unit(draw) - 0.5) * 200;
        const double width = 0.3 + unit(draw) * 1.2;
        draw_both(with, without, ax, ay, bx, by, width);
        draw_both(with, without, bx, by, ax, ay, width * unit(draw));
    }
    EXPECT_TRUE(with.covered == without.covered);
}

INSTANTIATE_TEST_SUITE_P(stroke_occlusion, pile,
                         testing::Values(pile_case{"shallow_thin", 36.87, 0.36, 0.08},
                                         pile_case{"shallow_wide", 36.87, 1.3, 0.3},
                                         pile_case{"level", 0, 1, 0.1},
                                         pile_case{"upright", 90, 0.6, 0.1},
                                         pile_case{"steep_backwards", 120.5, 0.8, 0.12},
                                         pile_case{"diagonal", 45, 1, 0.15},
                                         pile_case{"just_off_level", 0.02, 0.5, 0.1}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
