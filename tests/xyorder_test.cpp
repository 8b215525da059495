// The built xyorder: what it writes and says, and every way it can fail, each of which
// leaves no file behind and the file read intact.
#include "programs.h"
#include "routed_board.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

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
    // Hops of 0.12 and 2.41 and two strokes of 0.5, each from rest to rest.
    EXPECT_EQ(xyorder_with("--speed 1 --accel=1 board.xy -").err,
              "xyorder: idle travel 4.98 before, 2.53 after: 49.3 % less; plotting time "
              "0:00:09.8 before, 0:00:06.9 after\n");
    // At constant speed, 2 s for each of the four tool changes; before, 2.24 and 2.74
    // travelled and 1.00 drawn; after, 0.12 and 2.41 travelled.
    EXPECT_EQ(xyorder_with("--speed 1 --tool-time 2 board.xy -").err,
              "xyorder: idle travel 4.98 before, 2.53 after: 49.3 % less; plotting time "
              "0:00:14.0 before, 0:00:11.5 after\n");
}

// The moves before the first net are travel that no order changes: 5.00 from (0, 0) to
// (3, 4), then 1.00 to the net.
TEST_F(xyorder, counts_the_travel_before_the_first_net)
{
    put("lead.xy", "Go To       0.00       0.00\nGo To       3.00       4.00\nTool Up \n"
                   "\n   NET 'A'\n \nGo To       3.00       5.00\nTool Down \n"
                   "Go To       3.00       6.00\n" +
                       trailer);
    EXPECT_EQ(xyorder_with("lead.xy -").err,
              "xyorder: idle travel 6.00 before, 6.00 after: no shorter order found, the "
              "file's order is kept\n");
}

// The order depends on the file's bytes and the options only: not on the clock, the
// load, or where the program's memory lies, which differs between runs and between a
// file read as named and one read through a pipe.
TEST_F(xyorder, orders_a_board_the_same_from_a_file_and_through_a_pipe)
{
    put("board3000.xy", converted(routed_board(3000)));
    for (const std::string mode : {"", "-k "}) {
        const run_result named = xyorder_with(mode + "board3000.xy -");
        const run_result piped = run("{ cat board3000.xy | '" XYORDER "' " + mode + "- -; }");
        EXPECT_EQ(named.status, 0);
        EXPECT_GT(named.out.size(), 400000U);
        EXPECT_TRUE(piped.out == named.out) << mode;
    }
}

// The second net is shorter to reach from its far end; only a router's direction keeps
// it as drawn, and then the file's order is best.
TEST_F(xyorder, keep_direction_draws_every_net_from_its_start)
{
    put("two.xy", converted("  NET 'A'\nSEG 0 0\nSEG 100000 0\n  NET 'B'\nSEG 300000 0\n"
                            "SEG 200000 0\n"));
    EXPECT_EQ(xyorder_with("-k two.xy -").out, get("two.xy"));
    EXPECT_EQ(xyorder_with("--keep two.xy -").out, get("two.xy"));
    EXPECT_NE(xyorder_with("two.xy -").out, get("two.xy"));
}

// A link is followed and its target replaced whole, as a file named directly is; a
// write that fails leaves the target as it was. Temporaries that earlier runs left
// behind are in nobody's way.
TEST_F(xyorder, writes_through_a_link_whole_or_not_at_all)
{
    namespace fs = std::filesystem;
    put("target.xy", "old");
    fs::create_symlink("target.xy", dir + "/link.xy");
    for (int k = 0; k < 100; ++k)
        put("link.xy.tmp" + (k ? std::to_string(k) : ""), "stale");
    put("long.xy", converted(routed_board(300)));
    const run_result cut = run("prlimit --fsize=20000 '" XYORDER "' long.xy link.xy");
    EXPECT_EQ(cut.status, 2);
    EXPECT_EQ(cut.err, "xyorder: link.xy: File too large\n");
    EXPECT_EQ(get("target.xy"), "old");
    EXPECT_EQ(xyorder_with("board.xy link.xy").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir + "/link.xy"));
    EXPECT_EQ(get("target.xy"), xyorder_with("board.xy -").out);
    EXPECT_EQ(names().size(), 104U);
    fs::create_symlink("back.xy", dir + "/loop.xy");
    fs::create_symlink("loop.xy", dir + "/back.xy");
    const run_result loop = xyorder_with("board.xy loop.xy");
    EXPECT_EQ(loop.status, 2);
    EXPECT_EQ(loop.err, "xyorder: loop.xy: Too many levels of symbolic links\n");
    // A relative link's target lies beside the link, not where xyorder runs.
    fs::create_directory(dir + "/sub");
    fs::create_symlink("../relative.xy", dir + "/sub/relative_link.xy");
    fs::create_symlink(dir + "/absolute.xy", dir + "/sub/absolute_link.xy");
    for (const std::string name : {"relative", "absolute"}) {
        EXPECT_EQ(xyorder_with("board.xy sub/" + name + "_link.xy").status, 0);
        EXPECT_TRUE(get(name + ".xy") == get("target.xy")) << name;
    }
}

// A standard stream named as a file is written through, where the shell opened it and
// as it opened it: appending to a log, or into a pipe; never replaced by a new file.
TEST_F(xyorder, writes_a_standard_stream_named_as_a_file_in_place)
{
    const std::string sorted = xyorder_with("board.xy -").out;
    put("log.txt", "earlier\n");
    put("same.txt", "earlier\n");
    EXPECT_EQ(xyorder_with("board.xy /dev/stdout >> log.txt").status, 0);
    EXPECT_EQ(xyorder_with("board.xy same.txt >> same.txt").status, 0);
    EXPECT_EQ(xyorder_with("board.xy /dev/fd/5 5>> log.txt").status, 0);
    EXPECT_EQ(get("log.txt"), "earlier\n" + sorted + sorted);
    EXPECT_EQ(get("same.txt"), "earlier\n" + sorted);
    const run_result piped = run("{ '" XYORDER "' board.xy /dev/stdout 2>/dev/null | cat; }");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, sorted);
    put("log2.txt", "earlier\n");
    EXPECT_EQ(run("{ '" XYVIEW "' -q -s /dev/stderr board.xy 2>> log2.txt; }").status, 0);
    EXPECT_TRUE(get("log2.txt").starts_with("earlier\n<?xml")) << get("log2.txt");
    EXPECT_EQ(names(), (std::set<std::string>{"board.xy", "log.txt", "log2.txt", "same.txt"}));
}

// Another user's link in a sticky folder that anyone may write is not followed, as the
// kernel guards such folders; the caller's own link there is.
TEST_F(xyorder, link_planted_in_a_shared_folder_is_not_followed)
{
    namespace fs = std::filesystem;
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a link to another user needs root";
    fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);
    put("victim.xy", "precious");
    fs::create_symlink("victim.xy", dir + "/planted.xy");
    ASSERT_EQ(lchown((dir + "/planted.xy").c_str(), 65534, 65534), 0);
    const run_result planted = xyorder_with("board.xy planted.xy");
    EXPECT_EQ(planted.status, 2);
    EXPECT_EQ(planted.err, "xyorder: planted.xy: a symbolic link in a shared folder that "
                           "neither you nor the folder's owner made; not followed\n");
    EXPECT_EQ(get("victim.xy"), "precious");
    fs::create_symlink("victim.xy", dir + "/mine.xy");
    EXPECT_EQ(xyorder_with("board.xy mine.xy").status, 0);
    EXPECT_EQ(get("victim.xy"), xyorder_with("board.xy -").out);
}

TEST_F(xyorder, keeps_an_order_that_cannot_be_shortened)
{
    const run_result empty = xyorder_with("- -", trailer);
    EXPECT_EQ(empty.out, trailer);
    EXPECT_EQ(empty.err, "xyorder: warning: the job draws nothing\n"
                         "xyorder: idle travel 0.00 before, 0.00 after: no shorter order found, "
                         "the file's order is kept\n");
    put("line.xy", "\n   NET 'A'\n \nGo To       0.00       0.00\nTool Down \n"
                   "Go To       1.00       0.00\nTool Up \n\n   NET 'B'\n \n"
                   "Go To       2.00       0.00\nTool Down \nGo To       3.00       0.00\n" +
                       trailer);
    const run_result result = xyorder_with("--keep-direction line.xy -");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, get("line.xy"));
    EXPECT_EQ(result.err, "xyorder: idle travel 1.00 before, 1.00 after: no shorter order "
                          "found, the file's order is kept\n");
    const run_result quiet = xyorder_with("-q --keep-direction line.xy -");
    EXPECT_EQ(quiet.out, result.out);
    EXPECT_EQ(quiet.err, "");
}

class order_fault : public xyorder, public testing::WithParamInterface<fault_case> {};

TEST_P(order_fault, is_reported_and_writes_nothing)
{
    expect_fault("'" XYORDER "'", GetParam());
}

const std::string sound = "Go To       1.00       2.00\n" + trailer;
const std::string odd_net = "\n   NET '\x1b\xc3\xa9'\n \n"; // its record holds controls
const std::string layout = ": xyorder reorders only files laid out as trace2xy writes them\n";

INSTANTIATE_TEST_SUITE_P(
    xyorder, order_fault,
    testing::Values(fault_case{"unknown_line", "in.xy out.xy", "Go Home\n" + trailer, 1,
                               "xyorder: in.xy:1: not a coordinates line: 'Go Home'\n"},
                    fault_case{"missing_trailer", "in.xy out.xy", sound.substr(0, 28), 1,
                               "xyorder: in.xy: the file ends after line 1, without its trailer\n"},
                    fault_case{"empty_file", "/dev/null out.xy", "", 1,
                               "xyorder: /dev/null: the file is empty; a coordinates file holds "
                               "its trailer at least\n"},
                    fault_case{
                        "two_jobs_joined", "in.xy out.xy", sound + sound, 1,
                        "xyorder: in.xy:5: text after the end of the job, which ends at "
                        "line 4: 'Go To       1.00       2.00'; xymerge joins jobs into one\n"},
                    fault_case{"missing_file", "none.xy out.xy", "", 2,
                               "xyorder: none.xy: No such file or directory\n"},
                    fault_case{"name_with_controls", "\"$(printf 'a\\033]\\007')\" out.xy", "", 2,
                               "xyorder: a\\x1b]\\x07: No such file or directory\n"},
                    fault_case{"output_in_a_missing_directory", "board.xy no/such.xy", "", 2,
                               "xyorder: no/such.xy: No such file or directory\n"},
                    fault_case{"output_over_the_file_being_read", "in.xy ./in.xy", sound, 2,
                               "xyorder: ./in.xy: is the coordinates file being read\n"},
                    fault_case{"profile_as_output", "--plotter in.xy board.xy in.xy", "#\n", 2,
                               "xyorder: in.xy: is the plotter's profile being read\n"},
                    fault_case{"output_on_a_full_disk", "board.xy /dev/full", "", 2,
                               "xyorder: /dev/full: No space left on device\n"},
                    fault_case{"standard_output_on_a_full_disk", "board.xy - > /dev/full", "", 2,
                               "xyorder: standard output: No space left on device\n"},
                    fault_case{"standard_output_is_the_file_read", "in.xy - >> in.xy", sound, 2,
                               "xyorder: standard output: is the coordinates file being read\n"},
                    fault_case{"moves_drawn_before_the_first_net", "in.xy out.xy",
                               "Go To       0.00       0.00\nTool Down \n" + sound, 1,
                               "xyorder: in.xy:2: 'Tool Down ' is out of place" + layout},
                    fault_case{"net_without_tool_down", "in.xy out.xy", "\n   NET 'A'\n \n" + sound,
                               1, "xyorder: in.xy:5: 'Tool Up ' is out of place" + layout},
                    fault_case{"tool_down_twice", "in.xy out.xy",
                               "\n   NET 'A'\n \nGo To       0.00       0.00\nTool Down \n"
                               "Tool Down \n" +
                                   trailer,
                               1, "xyorder: in.xy:6: 'Tool Down ' is out of place" + layout},
                    fault_case{"net_without_tool_up_before_it", "in.xy out.xy",
                               "Go To       0.00       0.00\n\n   NET 'A'\n \n" + trailer, 1,
                               "xyorder: in.xy:2: the net header block of NET 'A' is out of "
                               "place" +
                                   layout},
                    fault_case{"misplaced_net_with_controls", "in.xy out.xy",
                               "Go To       0.00       0.00\n" + odd_net + trailer, 1,
                               "xyorder: in.xy:2: the net header block of NET '\\x1b\\xc3\\xa9' is "
                               "out of place" +
                                   layout},
                    fault_case{"effort_below_zero", "--effort -1 board.xy out.xy", "", 2,
                               "xyorder: --effort wants a number from 0 to 100: '-1'\nTry "
                               "'xyorder --help'.\n"},
                    fault_case{"effort_with_more_after_it", "--effort 2x board.xy out.xy", "", 2,
                               "xyorder: --effort wants a number from 0 to 100: '2x'\nTry "
                               "'xyorder --help'.\n"},
                    fault_case{"effort_past_the_largest", "--effort 1e10 board.xy out.xy", "", 2,
                               "xyorder: --effort wants a number from 0 to 100: '1e10'\nTry "
                               "'xyorder --help'.\n"},
                    fault_case{"empty_output_name", "board.xy ''", "", 2,
                               "xyorder: IN.xy and OUT.xy want a file name, or - for standard "
                               "input or output: ''\nTry 'xyorder --help'.\n"}),
    [](const auto &info) { return info.param.name; });

TEST_F(xyorder, wrong_arguments_get_one_line_and_a_pointer_to_the_help)
{
    for (const char *arguments : {"", "board.xy", "board.xy a.xy b.xy", "--bogus board.xy a.xy"}) {
        const run_result result = xyorder_with(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_TRUE(result.err.starts_with("xyorder: ")) << arguments;
        EXPECT_TRUE(result.err.ends_with("\nTry 'xyorder --help'.\n")) << arguments;
    }
    EXPECT_EQ(xyorder_with("-V").out, "xyorder " XYVIEW_VERSION "\n");
    EXPECT_TRUE(
        xyorder_with("-h").out.starts_with("usage: xyorder [-q] [--json] [-k] [--effort E]"));
}

} // namespace
