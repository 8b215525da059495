// The built xyorder: what it writes and says, and every way it can fail, each of which
// leaves no file behind and the file read intact.
#include "programs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string trailer = "Tool Up \n\n\n";

class xyorder : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        put("board.xy", file_contents(TEST_DATA "/worked_example.xy"));
    }

    // Runs xyorder in a group of its own, so that arguments may redirect its output.
    run_result xyorder_with(const std::string &arguments, std::string_view input = {})
    {
        return run("{ '" XYORDER "' " + arguments + "; }", input);
    }
};

// The worked example travels from (0, 0) to (1, 2) and on from (1.5, 2) to (-0.5, 0.12);
// drawn the other way round, its last net comes first and travel falls to 2.53.
TEST_F(xyorder, writes_the_shorter_order_and_says_by_how_much)
{
    const run_result result = xyorder_with("board.xy sorted.xy");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "xyorder: idle travel 4.98 before, 2.53 after: 49.3 % less\n");
    const std::string summary = run("'" XYVIEW "' sorted.xy").out;
    EXPECT_NE(summary.find("pen-down length   1.00\nidle travel       2.53\n"), std::string::npos);
    EXPECT_EQ(xyorder_with("- -", get("board.xy")).out, get("sorted.xy"));
}

TEST_F(xyorder, keeps_an_order_that_cannot_be_shortened)
{
    put("line.xy", "\n   NET 'A'\n \nGo To       0.00       0.00\nTool Down \n"
                   "Go To       1.00       0.00\nTool Up \n\n   NET 'B'\n \n"
                   "Go To       2.00       0.00\nTool Down \nGo To       3.00       0.00\n" +
                       trailer);
    const run_result result = xyorder_with("--keep-direction line.xy -");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, get("line.xy"));
    EXPECT_EQ(result.err, "xyorder: idle travel 1.00 before, 1.00 after: no shorter order "
                          "found, the file's order is kept\n");
}

class order_fault : public xyorder, public testing::WithParamInterface<fault_case> {};

TEST_P(order_fault, is_reported_and_writes_nothing)
{
    expect_fault("'" XYORDER "'", GetParam());
}

const std::string sound = "Go To       1.00       2.00\n" + trailer;

INSTANTIATE_TEST_SUITE_P(
    xyorder, order_fault,
    testing::Values(fault_case{"unknown_line", "in.xy out.xy", "Go Home\n" + trailer, 1,
                               "xyorder: in.xy:1: not a coordinates line: 'Go Home'\n"},
                    fault_case{"missing_trailer", "in.xy out.xy", sound.substr(0, 28), 1,
                               "xyorder: in.xy: the file ends after line 1, without its trailer\n"},
                    fault_case{"missing_file", "none.xy out.xy", "", 2,
                               "xyorder: none.xy: No such file or directory\n"},
                    fault_case{"output_in_a_missing_directory", "board.xy no/such.xy", "", 2,
                               "xyorder: no/such.xy: No such file or directory\n"},
                    fault_case{"output_over_the_file_being_read", "in.xy ./in.xy", sound, 2,
                               "xyorder: ./in.xy: is the coordinates file being read\n"},
                    fault_case{"output_on_a_full_disk", "board.xy /dev/full", "", 2,
                               "xyorder: /dev/full: No space left on device\n"},
                    fault_case{"standard_output_on_a_full_disk", "board.xy - > /dev/full", "", 2,
                               "xyorder: standard output: No space left on device\n"}),
    [](const auto &info) { return info.param.name; });

TEST_F(xyorder, wrong_arguments_get_the_usage)
{
    for (const char *arguments : {"", "board.xy", "board.xy a.xy b.xy", "--bogus board.xy a.xy"}) {
        const run_result result = xyorder_with(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_TRUE(result.err.starts_with("xyorder: ")) << arguments;
        EXPECT_NE(result.err.find("usage: xyorder [--keep-direction] IN.xy OUT.xy"),
                  std::string::npos);
    }
    EXPECT_EQ(xyorder_with("--version").out, "xyorder " XYVIEW_VERSION "\n");
}

} // namespace
