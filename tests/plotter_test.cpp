// The job as the plotter carries it out: the worked example summed up by hand, and the
// picture's strokes and groups.
#include "coordinates_reader.h"
#include "ordering_helpers.h"
#include "plotter.h"
#include "streams.h"
#include "svg_picture.h"
#include "units.h"

#include <gtest/gtest.h>

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

const picture_style style{1100, 800, true, false};

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

// A drilling job of 1,000 holes on a diagonal, 0.85 pixels apart each way and so 1.2
// pixels apart, and as many again on the same spots: a ring for each spot.
TEST(picture, shows_every_hole_more_than_a_pixel_from_another_once)
{
    svg_picture picture;
    ASSERT_TRUE(start_picture(picture, {1400, 1018, true, false}));
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
    ASSERT_TRUE(start_picture(picture, {1100, 800, false, false}));
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
