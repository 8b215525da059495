// A run's strokes of one colour come out whole, each after a move from where the one before
// ended, along the curve when they fit the buffer and as drawn when not.
#include "streams.h"
#include "stroke_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct run_case {
    const char *name;
    std::size_t buffer; // bytes
    std::string element;
};

class kept_strokes : public testing::TestWithParam<run_case> {};

TEST_P(kept_strokes, come_out_whole_after_moves_between_them)
{
    stroke_run r;
    start_run(r, std::tmpfile());
    begin_stroke(r, 1000, 1000);
    path_line(r.path, 1010, 1000);
    finish_stroke(r, 1010, 1000);
    begin_stroke(r, 0, 0);
    path_line(r.path, 0, 5);
    path_line(r.path, 3, 5);
    finish_stroke(r, 3, 5);
    begin_stroke(r, 1002, 1003);
    finish_stroke(r, 1002, 1003);
    stream out(std::tmpfile());
    std::vector<char> buffer(GetParam().buffer);
    ASSERT_TRUE(put_run(out.get(), r, "stroke=\"red\"", buffer));
    // The run is emptied: the next begins afresh, its first move taken as absolute.
    begin_stroke(r, 7, 7);
    finish_stroke(r, 7, 7);
    ASSERT_TRUE(put_run(out.get(), r, "stroke=\"red\"", buffer));
    EXPECT_EQ(contents(out.get()), GetParam().element + "<path stroke=\"red\" d=\"m7 7h0\"/>\n");
    std::fclose(r.data);
}

INSTANTIATE_TEST_SUITE_P(
    run, kept_strokes,
    testing::Values(run_case{"along_the_curve", 64,
                             "<path stroke=\"red\" d=\"m0 0v5h3m997 995h10m-8 3h0\"/>\n"},
                    run_case{
                        "as_drawn_past_the_buffer", 8,
                        "<path stroke=\"red\" d=\"m1000 1000h10m-1010-1000v5h3m999 998h0\"/>\n"}),
    [](const testing::TestParamInfo<run_case> &info) { return std::string(info.param.name); });

} // namespace
