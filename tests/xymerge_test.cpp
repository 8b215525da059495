// The built xymerge, and xyplace's panels: merged jobs draw exactly the strokes of their
// inputs, as they lie or side by side; a panel is the merge of its copies; and the faults.
#include "programs.h"
#include "routed_board.h"
#include "units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using stroke = std::vector<std::pair<std::int64_t, std::int64_t>>;

// The pen-down polylines of a coordinates file, each as drawn, moved by (dx, dy), sorted.
std::vector<stroke> strokes_of(const std::string &xy, std::int64_t dx = 0, std::int64_t dy = 0)
{
    std::vector<stroke> strokes;
    bool down = false;
    std::pair<std::int64_t, std::int64_t> at{};
    for_each_unit(xy, [&](const xy_unit &u) {
        if (u.kind == unit_kind::tool_down)
            strokes.push_back({at});
        down = u.kind == unit_kind::tool_down || (down && u.kind == unit_kind::move);
        if (u.kind == unit_kind::move)
            at = {u.x + dx, u.y + dy};
        if (u.kind == unit_kind::move && down)
            strokes.back().push_back(at);
    });
    std::sort(strokes.begin(), strokes.end());
    return strokes;
}

std::vector<stroke> joined(std::vector<stroke> a, const std::vector<stroke> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    std::sort(a.begin(), a.end());
    return a;
}

class xymerge : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        put("board.xy", converted(routed_board(300)));
        // Another job, with moves before its first net, which a merge leaves out.
        std::filesystem::create_symlink("in.xy", dir + "/link.xy");
        put("other.xy", converted("SEG 900000 0\n  NET 'A'\nSEG 100000 200000\nSEG 300000 "
                                  "200000\n  NET 'B'\nSEG 0 0\n"));
    }

    run_result tool(const char *program, const std::string &arguments)
    {
        return run("{ '" + std::string(program) + "' " + arguments + "; }");
    }

    // The lines of xyview's summary of name, from nets to the idle travel.
    std::string summed(const std::string &name)
    {
        return run("{ '" XYVIEW "' " + name + " | sed -n 2,7p; }").out;
    }
};

// Nets, tool downs and lengths add up; the later job's move before its first net is gone.
TEST_F(xymerge, draws_each_inputs_strokes_job_after_job)
{
    const run_result merged = tool(XYMERGE, "-o merged.xy board.xy other.xy");
    EXPECT_EQ(merged.status, 0);
    EXPECT_EQ(merged.err, "xymerge: board.xy: x -0.35 to 6.38, y -0.70 to 4.30\n"
                          "xymerge: other.xy: x 0.00 to 3.00, y 0.00 to 2.00\n"
                          "xymerge: board.xy and other.xy overlap by 3.00 x 2.00\n");
    EXPECT_EQ(strokes_of(get("merged.xy")),
              joined(strokes_of(get("board.xy")), strokes_of(get("other.xy"))));
    EXPECT_TRUE(summed("merged.xy")
                    .starts_with("nets              302\n"
                                 "moves             1164\n"
                                 "tool downs        302\n"
                                 "holes             1\n"
                                 "pen-down length   159.01\n"));
    EXPECT_EQ(tool(XYORDER, "-q merged.xy ordered.xy").status, 0);
    EXPECT_EQ(tool(XYVIEW, "-q ordered.xy").status, 0);
    EXPECT_TRUE(tool(XYMERGE, "-q -o - board.xy").out == get("board.xy"));
}

// The second job's box starts 0.5 to the right of the first's, on the same lower edge.
TEST_F(xymerge, puts_jobs_side_by_side_in_a_row)
{
    const run_result row = tool(XYMERGE, "--row 0.5 -o row.xy board.xy other.xy");
    EXPECT_EQ(row.status, 0);
    EXPECT_NE(row.err.find("other.xy: x 6.88 to 9.88, y -0.70 to 1.30, moved by 6.88, -0.70\n"),
              std::string::npos)
        << row.err;
    EXPECT_EQ(strokes_of(get("row.xy")),
              joined(strokes_of(get("board.xy")), strokes_of(get("other.xy"), 688, -70)));
    EXPECT_NE(run("'" XYVIEW "' row.xy").out.find("size              10.23 x 5.00\n"),
              std::string::npos);
}

// Six copies 0.1 apart are the six jobs placed one by one and merged; one copy is the job.
TEST_F(xymerge, panel_of_copies_is_the_merge_of_the_copies_placed)
{
    std::string copies;
    for (int k = 0; k < 6; ++k) {
        // The board is 6.73 by 5.00: a step of 6.83 along a row and 5.10 up a column.
        char arguments[64];
        std::snprintf(arguments, sizeof arguments, "--shift %d.%02d,%d.%02d board.xy copy%d.xy",
                      k % 3 * 683 / 100, k % 3 * 683 % 100, k / 3 * 510 / 100, k / 3 * 510 % 100,
                      k);
        ASSERT_EQ(tool(XYPLACE, arguments).status, 0);
        copies += " copy" + std::to_string(k) + ".xy";
    }
    EXPECT_EQ(tool(XYPLACE, "--repeat 3x2 --gap 0.1 board.xy panel.xy").status, 0);
    EXPECT_EQ(tool(XYMERGE, "-q -o merged.xy" + copies).status, 0);
    EXPECT_TRUE(get("panel.xy") == get("merged.xy"));
    EXPECT_EQ(tool(XYPLACE, "--repeat 1x1 board.xy one.xy").status, 0);
    EXPECT_TRUE(get("one.xy") == get("board.xy"));
}

// As many copies as fit, and one more column or row would not: 6.73 and 5.00 with 0.2
// between them on 20 by 16 less 0.5 all round, 2 by 2; turned, 5.00 by 6.73, 3 by 2.
TEST_F(xymerge, most_copies_fill_the_bed_and_no_more)
{
    const run_result most =
        tool(XYPLACE, "--repeat max --gap 0.2 --fit 20x16 --margin 0.5 -r auto board.xy p.xy");
    EXPECT_EQ(most.status, 0);
    EXPECT_EQ(most.err, "xyplace: 3 x 2 copies fit the bed 20 x 16 at (0, 0), turned a quarter\n");
    EXPECT_EQ(tool(XYVIEW, "-q --area 20x16 p.xy").status, 0);
    EXPECT_EQ(tool(XYPLACE, "--repeat 4x2 --gap 0.2 --fit 20x16 --margin 0.5 -r 90 board.xy "
                            "q.xy")
                  .status,
              3);
    EXPECT_EQ(tool(XYPLACE, "--repeat 3x3 --gap 0.2 --fit 20x16 --margin 0.5 -r 90 board.xy "
                            "q.xy")
                  .status,
              3);
}

class merge_fault : public xymerge, public testing::WithParamInterface<fault_case> {
  protected:
    void SetUp() override
    {
        xymerge::SetUp();
        // More than a block of output, so that a merge that writes as it goes shows.
        put("big.xy", converted(routed_board(1000)));
    }
};

TEST_P(merge_fault, is_reported_and_writes_nothing)
{
    expect_fault("'" XYMERGE "'", GetParam());
}

const std::string try_help = "Try 'xymerge --help'.\n";
const std::string small_job = converted("  NET 'A'\nSEG 0 0\nSEG 100000 0\n");

INSTANTIATE_TEST_SUITE_P(
    xymerge, merge_fault,
    testing::Values(
        fault_case{"output_not_named", "board.xy other.xy", "", 2,
                   "xymerge: name the merged job with -o OUT.xy: it is never taken from among "
                   "the inputs\n" +
                       try_help},
        // Each way an input can be the output, after a large input that must not be
        // written out first.
        fault_case{"output_is_an_input", "-o ./in.xy big.xy in.xy", small_job, 2,
                   "xymerge: ./in.xy: is the input in.xy; the merge would replace it\n"},
        fault_case{"output_is_a_link_to_an_input", "-o link.xy big.xy in.xy", small_job, 2,
                   "xymerge: link.xy: is the input in.xy; the merge would replace it\n"},
        fault_case{"output_is_the_profile", "--plotter in.xy -o in.xy big.xy", "unit = 1in\n", 2,
                   "xymerge: in.xy: is the plotter's profile being read\n"},
        fault_case{"standard_output_appends_to_an_input", "-o - big.xy in.xy >> in.xy", small_job,
                   2, "xymerge: standard output: is the input in.xy; the merge would replace it\n"},
        fault_case{"descriptor_appends_to_an_input", "-o /dev/fd/3 big.xy in.xy 3>> in.xy",
                   small_job, 2,
                   "xymerge: /dev/fd/3: is the input in.xy; the merge would replace it\n"},
        fault_case{"descriptor_reads_and_writes_an_input", "-o /dev/fd/3 big.xy in.xy 3<> in.xy",
                   small_job, 2,
                   "xymerge: /dev/fd/3: is the input in.xy; the merge would replace it\n"},
        fault_case{"report_appends_to_an_input", "--json -o m.xy big.xy in.xy >> in.xy", small_job,
                   2,
                   "xymerge: standard output: is the input in.xy; the object would be written "
                   "into it\n"},
        fault_case{"two_standard_inputs", "-o m.xy - -", "", 2,
                   "xymerge: standard input can be read only once: one - only\n" + try_help},
        fault_case{"malformed_input", "-o m.xy board.xy in.xy", "Go Home\nTool Up \n\n\n", 1,
                   "xymerge: in.xy:1: not a coordinates line: 'Go Home'\n"},
        fault_case{"row_below_zero", "--row -1 -o m.xy board.xy", "", 2,
                   "xymerge: --row wants a plain decimal at or above zero with at most two "
                   "places: '-1'\n" +
                       try_help}),
    [](const auto &info) { return info.param.name; });

} // namespace
