// The job as the plotter carries it out: the worked example summed up by hand, and the
// picture's strokes and groups.
#include "coordinates_reader.h"
#include "net_colours.h"
#include "ordering_helpers.h"
#include "plotter.h"
#include "streams.h"
#include "svg_picture.h"
#include "units.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <string>
#include <tuple>

namespace {

// Plots all of xy, drawing on picture when it is not null.
job_summary plotted(const std::string &xy, svg_picture *picture = nullptr)
{
    plotter p;
    start_plotting(p);
    for_each_unit(xy, [&](const xy_unit &unit) {
        if (picture)
            picture_unit(*picture, p, unit);
        plot(p, unit);
    });
    return p.job;
}

long count(const std::string &text, const std::string &part)
{
    long found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// The worked example: idle from (0, 0) to (1, 2), a stroke to (1.5, 2), idle to
// (-0.5, 0.12), a stroke to (0, 0.12).
TEST(plotter, worked_example_sums_up_as_worked_out_by_hand)
{
    const job_summary job = plotted(file_contents(TEST_DATA "/worked_example.xy"));
    EXPECT_EQ(job.nets, 3);
    EXPECT_EQ(job.moves, 5);
    EXPECT_EQ(job.tool_downs, 2);
    EXPECT_DOUBLE_EQ(job.pen_down_length, 1.0);
    EXPECT_NEAR(job.idle_length, std::sqrt(5.0) + std::sqrt(4 + 1.88 * 1.88), 1e-12);
    EXPECT_FALSE(job.box.empty);
    EXPECT_EQ(job.box.min_x, -50);
    EXPECT_EQ(job.box.max_x, 150);
    EXPECT_EQ(job.box.min_y, 0);
    EXPECT_EQ(job.box.max_y, 200);
}

TEST(plotter, first_point_is_reached_without_idle_travel)
{
    const job_summary job = plotted("Go To     100.00    -100.00\nTool Up \n\n\n");
    EXPECT_EQ(job.moves, 1);
    EXPECT_EQ(job.idle_length, 0);
    EXPECT_EQ(job.box.min_x, 10000);
    EXPECT_EQ(job.box.min_y, -10000);
}

const picture_style style{1100, 800, true, false, most_layer_bytes};

// The path element that follows marker in svg, its data alone.
std::string path_after(const std::string &svg, const std::string &marker)
{
    const std::size_t at = svg.find(" d=\"", svg.find(marker)) + 4;
    return svg.substr(at, svg.find('"', at) - at);
}

// One net drawn in two runs with a hole between them: two subpaths of one path in the
// net's group, the hole a ring apart, and the travel before them in a path of its own,
// where a move with the tool up to where it stands draws nothing.
TEST(picture, draws_strokes_of_a_net_in_one_path_and_holes_apart)
{
    svg_picture picture;
    ASSERT_TRUE(start_picture(picture, style));
    const job_summary job = plotted("Go To      -1.00       0.00\nTool Up \n\n   NET 'A'\n \n"
                                    "Go To       0.00       0.00\nTool Down \n"
                                    "Go To       1.00       0.00\nGo To       1.00       1.00\n"
                                    "Tool Up \nTool Down \nTool Up \n"
                                    "Go To       1.00       1.00\nTool Down \n"
                                    "Go To       2.00       2.00\nTool Up \n\n\n",
                                    &picture);
    EXPECT_EQ(job.holes, 1);
    stream out(std::tmpfile());
    ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"a.xy", "figures"}, out.get()));
    const std::string svg = contents(out.get());
    const std::string strokes = path_after(svg, "<title>NET 'A'</title>");
    EXPECT_EQ(count(strokes, "m") + count(strokes, "M"), 2) << strokes;
    EXPECT_EQ(count(path_after(svg, "id=\"holes\""), "M"), 1);
    EXPECT_EQ(count(path_after(svg, "stroke-width=\"7.5\""), "h"), 1);
    EXPECT_NE(svg.find("<title>a.xy: figures</title>"), std::string::npos);
}

// A stroke across its job's box from corner to corner ends on the corners of the box the
// picture frames, to a tenth of a pixel, and is as wide, on either grid: hundredths where a
// hundredth spans a tenth of a pixel or more (a transform's four fields), tenths elsewhere.
TEST(picture, strokes_end_on_the_corners_of_the_framed_box)
{
    for (const auto &[from, to, fields] :
         {std::tuple{"     500.00     -20.01", "     502.37     -17.00", 4},
          std::tuple{"     -12.34       0.07", "     307.00     203.45", 1}}) {
        svg_picture picture;
        ASSERT_TRUE(start_picture(picture, style));
        const job_summary job = plotted(std::string("\n   NET 'A'\n \nGo To") + from +
                                            "\nTool Down \nGo To" + to + "\nTool Up \n\n\n",
                                        &picture);
        stream out(std::tmpfile());
        ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"s.xy", ""}, out.get()));
        const std::string svg = contents(out.get());
        double left, top, width, height, stroke_width, x = 0, y = 0, scale = 1, mx, my, lx, ly;
        ASSERT_EQ(std::sscanf(svg.c_str() + svg.find("<rect x=\"", svg.find("<title>s.xy")),
                              "<rect x=\"%lf\" y=\"%lf\" width=\"%lf\" height=\"%lf\"", &left, &top,
                              &width, &height),
                  4);
        EXPECT_EQ(std::sscanf(svg.c_str() + svg.find("<g stroke-width=\""),
                              "<g stroke-width=\"%lf\" transform=\"translate(%lf %lf) scale(%lf)",
                              &stroke_width, &x, &y, &scale),
                  fields)
            << from;
        EXPECT_NEAR(stroke_width * scale / 10, 2.5, 0.01) << from;
        ASSERT_EQ(std::sscanf(path_after(svg, "<title>NET 'A'").c_str(), "M%lf %lfl%lf%lf", &mx,
                              &my, &lx, &ly),
                  4);
        EXPECT_NEAR((x + mx * scale) / 10, left, 0.1) << from;
        EXPECT_NEAR((y + my * scale) / 10, top + height, 0.1) << from;
        EXPECT_NEAR((x + (mx + lx) * scale) / 10, left + width, 0.1) << from;
        EXPECT_NEAR((y + (my + ly) * scale) / 10, top, 0.1) << from;
    }
}

// The colour, as 0xRRGGBBAA, of each pixel of the image in svg, row by row: its PNG file
// in base64 read back, its chunks, and its image data inflated.
std::vector<std::uint32_t> image_pixels(const std::string &svg, std::uint32_t &width)
{
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string png, palette, alpha, data, raw;
    std::uint32_t bits = 0, have = 0;
    for (std::size_t i = svg.find("base64,") + 7; svg[i] != '"' && svg[i] != '='; ++i) {
        bits = bits << 6 | static_cast<std::uint32_t>(digits.find(svg[i]));
        if ((have += 6) >= 8)
            png += static_cast<char>(bits >> (have -= 8) & 0xff);
    }
    const auto number = [](const std::string &bytes, std::size_t at, int size) {
        std::uint32_t n = 0;
        for (int k = 0; k < size; ++k)
            n = n << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(k)]);
        return n;
    };
    for (std::size_t at = 8, length; at < png.size(); at += 12 + length) {
        length = number(png, at, 4);
        const std::string kind = png.substr(at + 4, 4), body = png.substr(at + 8, length);
        width = kind == "IHDR" ? number(body, 0, 4) : width;
        (kind == "PLTE" ? palette : kind == "tRNS" ? alpha : kind == "IDAT" ? data : raw) += body;
    }
    uLongf size = static_cast<uLongf>(width) * 20000;
    raw.assign(size, '\0');
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef *>(raw.data()), &size,
                         reinterpret_cast<const Bytef *>(data.data()), data.size()),
              Z_OK);
    raw.resize(size);
    std::vector<std::uint32_t> pixels;
    for (std::size_t at = 0; at < raw.size(); ++at)
        if (at % (width + 1) != 0) {
            const auto index = static_cast<std::size_t>(static_cast<unsigned char>(raw[at]));
            pixels.push_back(number(palette, 3 * index, 3) << 8 | number(alpha, index, 1));
        }
    return pixels;
}

// Past the bytes of paths a layer may have, its strokes are drawn as an image over the job's
// box, and so are their arrowheads, over the marks; within them they stay paths. The net
// after the first, a stroke across the box, shows whole over it, each in its own colour.
TEST(picture, strokes_past_the_paths_allowed_are_an_image)
{
    for (const auto &[turns, image] : {std::pair{4000, true}, {1, false}}) {
        svg_picture picture;
        ASSERT_TRUE(
            start_picture(picture, {300, 200, true, true, image ? 1000 : most_layer_bytes}));
        std::string xy = "\n   NET 'A'\n \nGo To       0.00       0.00\nTool Down \n";
        for (int k = 1; k <= turns; ++k) {
            char move[64];
            std::snprintf(move, sizeof move, "Go To%11.2f%11.2f\nTool Up \nTool Down \n",
                          k * 37 % 101 / 20.0, k * 53 % 103 / 20.0);
            xy += move;
        }
        const job_summary job =
            plotted(xy + "Tool Up \n\n   NET 'B'\n \nGo To       0.00"
                         "       2.55\nTool Down \nGo To       5.00       2.55\n"
                         "Tool Up \n\n\n",
                    &picture);
        const std::vector<unsigned char> colours = net_colours(picture.nets);
        const auto ink = [&](std::size_t net) {
            return std::stoul(palette[colours[net]] + 1, nullptr, 16) << 8 | 0xff;
        };
        stream out(std::tmpfile());
        ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"i.xy", ""}, out.get()));
        const std::string svg = contents(out.get());
        EXPECT_EQ(svg.find("<title>NET 'A'</title>") == std::string::npos, image) << turns;
        double left, top, width, height;
        int x, y, across, down;
        ASSERT_EQ(std::sscanf(svg.c_str() + svg.find("<rect x=\"", svg.find("<title>i.xy")),
                              "<rect x=\"%lf\" y=\"%lf\" width=\"%lf\" height=\"%lf\"", &left, &top,
                              &width, &height),
                  4);
        const std::size_t at = svg.find("<image x=\"");
        ASSERT_EQ(count(svg, "<image x=\""), image ? 2 : 0) << turns;
        EXPECT_GT(svg.find("<image x=\"", at + 1), svg.find("<g id=\"arrows\">"));
        if (!image)
            continue;
        ASSERT_EQ(std::sscanf(svg.c_str() + at,
                              "<image x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"", &x, &y,
                              &across, &down),
                  4);
        EXPECT_TRUE(x / 10.0 <= left - 1 && (x + across) / 10.0 >= left + width + 1);
        EXPECT_TRUE(y / 10.0 <= top - 1 && (y + down) / 10.0 >= top + height + 1);
        std::uint32_t columns = 0;
        const std::vector<std::uint32_t> pixels = image_pixels(svg, columns);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(across / 10 * down / 10));
        const auto row = static_cast<std::uint32_t>(top + height / 2 - y / 10.0);
        for (auto column = static_cast<std::uint32_t>(left + 2 - x / 10.0);
             column < static_cast<std::uint32_t>(left + width - 2 - x / 10.0); ++column)
            ASSERT_EQ(pixels[row * columns + column], ink(1)) << column;
        EXPECT_GT(std::count(pixels.begin(), pixels.end(), ink(0)), 100);
        const std::vector<std::uint32_t> arrowheads =
            image_pixels(svg.substr(svg.find("<image x=\"", at + 1)), columns);
        EXPECT_GT(std::count(arrowheads.begin(), arrowheads.end(), ink(0)), 1000);
    }
}

// The walk that draws the layers as paths ends once each layer the job may have is an image:
// the travel and holes of a drilling job soon are, each an image under and over a stroke
// that comes after them and still shows; with no stroke between them they share one image,
// which shows both.
TEST(picture, a_stroke_after_the_layers_that_became_images_is_drawn)
{
    std::string trace;
    for (int k = 0; k < 20000; ++k)
        trace += "  NET 'H" + std::to_string(k) + "'\nSEG " + std::to_string(k * 37 % 8000 * 100) +
                 " " + std::to_string(k * 53 % 6000 * 100) + "\n";
    for (const bool stroke : {true, false}) {
        svg_picture picture;
        ASSERT_TRUE(start_picture(picture, {1100, 800, true, false, 1000}));
        const job_summary job = plotted(
            converted(trace + (stroke ? "  NET 'last'\nSEG 0 0\nSEG 800000 600000\n" : "")),
            &picture);
        stream out(std::tmpfile());
        ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"d.xy", ""}, out.get()));
        const std::string svg = contents(out.get());
        EXPECT_EQ(count(svg, "<image x=\""), stroke ? 2 : 1);
        EXPECT_EQ(count(svg, "<path stroke=\""), stroke ? 1 : 0);
        std::uint32_t columns = 0;
        const std::vector<std::uint32_t> pixels = image_pixels(svg, columns);
        // The first image shows idle travel, and the holes where it holds them too.
        for (const std::uint32_t ink : {stroke ? 0x8a8a8affu : 0x303030ffu, 0x8a8a8affu})
            EXPECT_GT(std::count(pixels.begin(), pixels.end(), ink), 100) << stroke << ink;
    }
}

// Jobs of the shapes that stress the picture, of nets nets, as trace data on a board of 8
// by 6: strokes between the ends of one line, zigzags between two corners, nets spanning
// the board, holes, and short winding turns.
std::string stress_trace(const std::string &shape, int nets)
{
    std::uint64_t state = 12345;
    const auto next = [&](int below) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(below));
    };
    std::string trace;
    for (int k = 0; k < nets; ++k) {
        trace += "  NET 'N" + std::to_string(k) + "'\n";
        int x = next(800000), y = next(600000);
        for (int j = 0; j < (shape == "holes" ? 1 : shape == "spanning" ? 2 : 10); ++j) {
            if (shape == "along-line" || shape == "zigzag") {
                x = j % 2 ? 800000 - next(80000) : next(80000);
                y = shape == "zigzag" ? (j % 2 ? 600000 - next(10000) : next(10000)) : x * 3 / 4;
            } else if (shape == "spanning") {
                x = j ? 800000 - next(10000) : next(10000);
                y = j ? 600000 - next(10000) : next(10000);
            } else if (shape == "winding") {
                (j % 2 ? x : y) += (next(21) - 10) * 1000;
            }
            trace += "SEG " + std::to_string(x) + " " + std::to_string(y) + "\n";
        }
    }
    return trace;
}

// Every size a picture may have draws every shape of job, as paths and as images, with its
// job and images inside the picture.
TEST(picture, every_size_draws_every_shape_within_the_picture)
{
    for (const std::string shape : {"along-line", "zigzag", "spanning", "holes", "winding"}) {
        const std::string xy = converted(stress_trace(shape, 300));
        for (const auto &[width, height] :
             {std::pair{100, 100}, {100, 10000}, {10000, 100}, {1100, 800}, {10000, 10000}})
            for (const std::int64_t path_bytes : {most_layer_bytes, std::int64_t{0}}) {
                const std::string label = shape + " " + std::to_string(width) + "x" +
                                          std::to_string(height) + " " + std::to_string(path_bytes);
                svg_picture picture;
                ASSERT_TRUE(start_picture(picture, {width, height, true, true, path_bytes}));
                const job_summary job = plotted(xy, &picture);
                stream out(std::tmpfile());
                ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"s.xy", ""}, out.get()))
                    << label;
                const std::string svg = contents(out.get());
                EXPECT_TRUE(svg.ends_with("</svg>\n")) << label;
                double left, top, across, down;
                ASSERT_EQ(std::sscanf(svg.c_str() + svg.find("<rect x=\"", svg.find("<title>s.xy")),
                                      "<rect x=\"%lf\" y=\"%lf\" width=\"%lf\" height=\"%lf\"",
                                      &left, &top, &across, &down),
                          4)
                    << label;
                EXPECT_TRUE(left >= 0 && top >= 0 && across > 0 && down > 0 &&
                            left + across <= width && top + down <= height)
                    << label;
                for (std::size_t at = svg.find("<image x=\""); at != std::string::npos;
                     at = svg.find("<image x=\"", at + 1)) {
                    int x, y, w, h;
                    ASSERT_EQ(std::sscanf(svg.c_str() + at,
                                          "<image x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"", &x,
                                          &y, &w, &h),
                              4);
                    EXPECT_TRUE(x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= 10 * width &&
                                y + h <= 10 * height)
                        << label;
                }
            }
    }
}

// A drilling job of 1,000 holes on a diagonal, 0.85 pixels apart each way and so 1.2
// pixels apart, and as many again on the same spots: a ring for each spot.
TEST(picture, shows_every_hole_more_than_a_pixel_from_another_once)
{
    svg_picture picture;
    ASSERT_TRUE(start_picture(picture, {1400, 1018, true, false, most_layer_bytes}));
    std::string trace;
    for (int k = 0; k < 2000; ++k)
        trace += "  NET 'H'\nSEG " + std::to_string(k % 1000 * 25000) + " " +
                 std::to_string(k % 1000 * 25000) + "\n";
    const job_summary job = plotted(converted(trace), &picture);
    EXPECT_EQ(job.holes, 2000);
    stream out(std::tmpfile());
    ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"h.xy", ""}, out.get()));
    const std::string holes = path_after(contents(out.get()), "id=\"holes\"");
    EXPECT_EQ(count(holes, "m") + count(holes, "M"), 1000);
}

// Characters in UTF-8 pass as they are; a byte that begins none, a sequence cut short, a
// surrogate and U+FFFF are taken as Latin-1.
TEST(picture, net_names_are_escaped_for_xml)
{
    svg_picture picture;
    ASSERT_TRUE(start_picture(picture, style));
    const job_summary job = plotted("\n   NET '<A&B>'\x01\xe9 \xc3\xa9\xe2\x82\xac\xf0\x9f\x96\x8a"
                                    "\xc3\xed\xa0\x80\xef\xbf\xbf \nGo To       0.00       0.00\n"
                                    "Tool Down \nGo To       1.00       0.00\nTool Up \n\n\n",
                                    &picture);
    stream out(std::tmpfile());
    ASSERT_TRUE(finish_picture(picture, job, picture_bed{}, {"n.xy", ""}, out.get()));
    EXPECT_NE(contents(out.get()).find("<title>NET '&lt;A&amp;B&gt;'?&#xE9; \xc3\xa9\xe2\x82\xac"
                                       "\xf0\x9f\x96\x8a&#xC3;&#xED;&#xA0;&#x80;&#xEF;&#xBF;&#xBF;"
                                       "</title>"),
              std::string::npos);
}

} // namespace

namespace {

// On a board, nets whose strokes come near each other take different colours.
TEST(picture, neighbouring_nets_on_a_board_differ_in_colour)
{
    svg_picture picture;
    ASSERT_TRUE(start_picture(picture, {1100, 800, false, false, most_layer_bytes}));
    std::vector<net_box> boxes;
    for_each_unit(converted(routed_board(300)), [&](const xy_unit &unit) {
        if (unit.kind == unit_kind::net)
            boxes.push_back({false, 0, 0, 0, 0});
        if (unit.kind != unit_kind::move || boxes.empty())
            return;
        net_box &box = boxes.back();
        box = box.drawn ? net_box{true, std::min(box.min_x, unit.x), std::min(box.min_y, unit.y),
                                  std::max(box.max_x, unit.x), std::max(box.max_y, unit.y)}
                        : net_box{true, unit.x, unit.y, unit.x, unit.y};
    });
    plotted(converted(routed_board(300)), &picture);
    const std::vector<unsigned char> colours = net_colours(picture.nets);
    discard_picture(picture);
    ASSERT_EQ(colours.size(), boxes.size());
    int same = 0, touching = 0;
    for (std::size_t a = 0; a < boxes.size(); ++a)
        for (std::size_t b = a + 1; b < boxes.size(); ++b)
            if (boxes[a].min_x <= boxes[b].max_x && boxes[b].min_x <= boxes[a].max_x &&
                boxes[a].min_y <= boxes[b].max_y && boxes[b].min_y <= boxes[a].max_y) {
                ++touching;
                same += colours[a] == colours[b];
            }
    EXPECT_GT(touching, 100);
    EXPECT_EQ(same, 0);
}

} // namespace
