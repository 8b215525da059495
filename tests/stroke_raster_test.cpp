// A job's strokes as pixels: which samples a stroke or an arrowhead covers, how strokes of
// one net and of nets in turn cover a pixel together, the image's palette, its PNG file,
// and the tool's path read back from its end.
#include "image_palette.h"
#include "png_image.h"
#include "streams.h"
#include "stroke_raster.h"
#include "tool_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A raster over a picture of side by side pixels, a unit a pixel.
stroke_raster raster_of(double stroke_px, int side = 32)
{
    stroke_raster r{};
    const view v{0, 0, double(side), double(side), 1, 0, 0, double(side), double(side)};
    EXPECT_TRUE(start_raster(r, v, extent{false, 0, 0, side * 100, side * 100}, stroke_px, 1,
                             std::int64_t{1} << 30));
    return r;
}

int covered(const stroke_raster &r, int x, int y)
{
    return std::popcount(r.pixels[static_cast<std::size_t>(y * r.width + x)].covered);
}

// Samples lie at odd sixteenths of a pixel; a dot of a pixel across covers 52 of 64.
TEST(stroke_raster, stroke_covers_the_samples_within_half_its_width)
{
    for (const auto &[name, x0, y0, x1, y1, width, above, on, below] :
         {std::tuple{"along a row", 2.0, 10.5, 30.0, 10.5, 1.0, 0, 64, 0},
          std::tuple{"between two rows", 2.0, 10.0, 30.0, 10.0, 1.0, 32, 32, 0},
          std::tuple{"wide", 30.0, 10.5, 2.0, 10.5, 2.5, 48, 64, 48},
          std::tuple{"a dot", 16.5, 10.5, 16.5, 10.5, 1.0, 0, 52, 0},
          std::tuple{"down between two columns", 16.0, 2.0, 16.0, 30.0, 1.0, 32, 32, 32}}) {
        stroke_raster r = raster_of(width);
        raster_stroke(r, 0, x0, y0, x1, y1);
        EXPECT_EQ(covered(r, 16, 9), above) << name;
        EXPECT_EQ(covered(r, 16, 10), on) << name;
        EXPECT_EQ(covered(r, 16, 11), below) << name;
    }
}

// Two strokes of a net a pixel wide, half a pixel off the row either way: each covers
// part of it, and together all of it, as one shape would.
TEST(stroke_raster, strokes_side_by_side_cover_a_pixel_whole)
{
    stroke_raster r = raster_of(1);
    raster_stroke(r, 7, 2, 10, 30, 10);
    raster_stroke(r, 7, 2, 11, 30, 11);
    EXPECT_EQ(covered(r, 16, 10), 64);
    EXPECT_EQ(r.pixels[10 * 32 + 16].r, 0);
}

// Strokes are drawn from the last back: where two cross, the first drawn shows alone; a
// stroke that needs more work than it brings and what is left spends it part way, and
// once it is spent nothing more is drawn; but strokes along one under it, however long,
// bring the work of passing over its lines.
TEST(stroke_raster, the_first_stroke_drawn_lies_over_the_others)
{
    stroke_raster r = raster_of(1);
    raster_stroke(r, 1, 2, 10.5, 30, 10.5);
    raster_stroke(r, 0, 16.5, 2, 16.5, 30);
    const raster_pixel &crossing = r.pixels[10 * 32 + 16];
    EXPECT_EQ(crossing.r, 0xff * 64);
    EXPECT_EQ(crossing.b, 0x0e * 64);
    EXPECT_EQ(covered(r, 16, 9), 64);
    r.work_left = -1;
    raster_stroke(r, 0, 20.5, 2, 20.5, 30);
    EXPECT_LT(r.work_left, 0);
    EXPECT_EQ(covered(r, 20, 20), 0);
    stroke_raster wide = raster_of(1, 64);
    wide.work_left = 0;
    raster_stroke(wide, 0, 2.5, 2.5, 61.5, 60.5);
    EXPECT_LT(wide.work_left, 0);
    EXPECT_GT(wide.pixels[3 * 64 + 3].covered, 0u);
    EXPECT_EQ(wide.pixels[59 * 64 + 60].covered, 0u);
    stroke_raster line = raster_of(1, 512);
    raster_stroke(line, 0, 2.5, 2.5, 506.5, 400.5);
    line.work_left = 0;
    for (int k = 0; k < 40; ++k) {
        const double from = 0.05 + k / 400.0, to = 0.95 - k / 400.0;
        raster_stroke(line, 1, 2.5 + 504 * from, 2.5 + 398 * from, 2.5 + 504 * to, 2.5 + 398 * to);
    }
    EXPECT_GE(line.work_left, 0);
    EXPECT_GT(covered(line, 254, 200), 0);
    EXPECT_EQ(line.pixels[200 * 512 + 254].b, 0xb4 * covered(line, 254, 200));
}

// Strokes piled in two bands, one across rows and one down columns, slanting opposite ways,
// and between two lines a pixel and a half apart, where lines of pixels under them are
// passed over: each sample shows the first of them within its reach.
TEST(stroke_raster, strokes_piled_in_bands_cover_as_each_sample_alone_shows)
{
    stroke_raster r = raster_of(1.5, 96);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> off(-6, 6), along(2, 94);
    std::vector<std::array<double, 4>> strokes;
    for (int k = 0; k < 450; ++k) {
        const double a = along(random), b = along(random);
        strokes.push_back(k % 3 == 2 ? std::array{a, 20 + 0.6 * a, b, 21.5 + 0.6 * b}
                          : k % 3 ? std::array{4 + off(random), 8 + off(random), 90 + off(random),
                                               60 + off(random)}
                                  : std::array{40 + off(random), 4 + off(random), 20 + off(random),
                                               92 + off(random)});
    }
    for (std::size_t k = 0; k < strokes.size(); ++k)
        raster_stroke(r, k % palette_size, strokes[k][0], strokes[k][1], strokes[k][2],
                      strokes[k][3]);
    std::vector<int> red(96 * 96);
    for (int at = 0; at < 96 * 96 * 64; ++at) {
        const double x = at / 64 % 96 + (at % 8 + 0.5) / 8,
                     y = at / 64 / 96 + (at / 8 % 8 + 0.5) / 8;
        const auto within = [x, y](const std::array<double, 4> &s) {
            const double dx = s[2] - s[0], dy = s[3] - s[1];
            const double t =
                std::clamp(((x - s[0]) * dx + (y - s[1]) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            const double ex = x - s[0] - t * dx, ey = y - s[1] - t * dy;
            return ex * ex + ey * ey <= 0.75 * 0.75;
        };
        const auto first = std::find_if(strokes.begin(), strokes.end(), within);
        ASSERT_EQ(r.pixels[static_cast<std::size_t>(at / 64)].covered >> at % 64 & 1,
                  first != strokes.end())
            << x << ' ' << y;
        if (first != strokes.end())
            red[static_cast<std::size_t>(at / 64)] +=
                r.inks[(first - strokes.begin()) % palette_size][0];
    }
    for (std::size_t k = 0; k < red.size(); ++k)
        ASSERT_EQ(r.pixels[k].r, red[k]) << k;
}

// An arrowhead covers the pixels within its corners whole, none outside them, and part of
// those its slanted side crosses.
TEST(stroke_raster, triangle_covers_the_samples_within_its_corners)
{
    stroke_raster r = raster_of(1);
    raster_triangle(r, 2, {tenths_point{100, 100}, {260, 100}, {100, 255}});
    EXPECT_EQ(covered(r, 12, 12), 64);
    EXPECT_EQ(covered(r, 20, 20), 0);
    EXPECT_EQ(covered(r, 9, 12), 0);
    EXPECT_GT(covered(r, 17, 17), 0);
    EXPECT_LT(covered(r, 17, 17), 64);
}

// An image of few colours keeps them as they are; one of many keeps each pixel near its own.
TEST(image_palette, keeps_few_colours_and_many_near)
{
    const std::vector<png_colour> few{{0, 0, 0, 0}, {1, 2, 3, 4}, {200, 100, 0, 255}, {1, 2, 3, 4}};
    std::vector<std::uint8_t> indices;
    std::vector<png_colour> colours = reduce_colours(few, indices);
    ASSERT_EQ(colours.size(), 3u);
    EXPECT_EQ(indices[0], 0);
    EXPECT_EQ(indices[1], indices[3]);
    for (std::size_t i : {1, 2}) {
        const png_colour c = colours[indices[i]];
        EXPECT_EQ(std::tie(c.r, c.g, c.b, c.a), std::tie(few[i].r, few[i].g, few[i].b, few[i].a));
    }
    std::vector<png_colour> many;
    for (int k = 0; k < 4096; ++k)
        many.push_back(
            {static_cast<std::uint8_t>(k % 251), static_cast<std::uint8_t>(k / 16), 9, 255});
    colours = reduce_colours(many, indices);
    ASSERT_EQ(colours.size(), 256u);
    for (std::size_t i = 0; i < many.size(); ++i) {
        EXPECT_LE(std::abs(colours[indices[i]].r - many[i].r), 16) << i;
        EXPECT_LE(std::abs(colours[indices[i]].g - many[i].g), 16) << i;
    }
}

// Byte for byte as Python's zlib and struct make it: the chunks' CRCs, the stored block
// and its Adler-32.
TEST(png_image, file_is_as_another_encoder_makes_it)
{
    const std::string expected("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52"
                               "\x00\x00\x00\x03\x00\x00\x00\x02\x08\x03\x00\x00\x00\xaa\xaa\x96"
                               "\x28\x00\x00\x00\x09\x50\x4c\x54\x45\x00\x00\x00\x1f\x77\xb4\xff"
                               "\x7f\x0e\x59\x86\xc0\x4f\x00\x00\x00\x03\x74\x52\x4e\x53\x00\xff"
                               "\x80\x84\xea\xba\x8c\x00\x00\x00\x13\x49\x44\x41\x54\x78\x01\x01"
                               "\x08\x00\xf7\xff\x00\x00\x01\x02\x00\x02\x01\x00\x00\x20\x00\x07"
                               "\xea\xce\x7c\xac\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
                               112);
    const std::vector<unsigned char> png = png_file(
        3, 2, {0, 1, 2, 2, 1, 0}, {{0, 0, 0, 0}, {31, 119, 180, 255}, {255, 127, 14, 128}});
    EXPECT_EQ(std::string(png.begin(), png.end()), expected);
    EXPECT_EQ(png_size(3, 2, 3), 112);
    for (const auto &[bytes, text] : {std::pair{"M", "TQ=="}, {"Ma", "TWE="}, {"Man", "TWFu"}}) {
        stream out(std::tmpfile());
        ASSERT_TRUE(
            put_base64(out.get(), std::vector<unsigned char>(bytes, bytes + std::strlen(bytes))));
        EXPECT_EQ(contents(out.get()), text);
    }
}

// Read back from the end across blocks of the buffer, the records come in turn; a file
// that is not whole records is refused.
TEST(tool_path, records_read_back_from_the_end)
{
    stream f(std::tmpfile());
    for (std::int64_t k = 0; k < 10000; ++k)
        put_record(f.get(), k % 2 ? step::draw : step::travel, k, -k);
    records_back back;
    start_back(back, f.get());
    step kind;
    std::int64_t x, y, k = 10000;
    while (get_record_before(back, kind, x, y) && --k >= 0)
        ASSERT_TRUE(kind == (k % 2 ? step::draw : step::travel) && x == k && y == -k) << k;
    EXPECT_EQ(k, 0);
    EXPECT_FALSE(back.failed);
    std::fseek(f.get(), 0, SEEK_END);
    std::fputc(0, f.get());
    start_back(back, f.get());
    EXPECT_FALSE(get_record_before(back, kind, x, y));
    EXPECT_TRUE(back.failed);
}

} // namespace
