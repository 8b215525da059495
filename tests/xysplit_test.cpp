// The built xysplit: parts that merge back into their job byte for byte, cuts that no other
// cut beats, a time that agrees with xyview, the check of parts, and the faults.
#include "json_value.h"
#include "plotter.h"
#include "programs.h"
#include "routed_board.h"
#include "units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class xysplit : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        put("board.trc", file_contents(TEST_DATA "/../../examples/board.trc"));
        ASSERT_EQ(run("'" TRACE2XY "' > /dev/null", "board.trc\nboard.xy\n").status, 0);
    }

    run_result tool(const char *program, const std::string &arguments)
    {
        return run("{ '" + std::string(program) + "' " + arguments + "; }");
    }

    // Whether xymerge of the files named gives back the job in name.
    bool merges_back(const std::string &parts, const std::string &name)
    {
        return tool(XYMERGE, "-q -o merged.xy " + parts).status == 0 &&
               get("merged.xy") == get(name);
    }

    // xyview's plotting time, in seconds, of the job and motion that arguments give.
    double plotting_seconds(const std::string &arguments)
    {
        bool sound = false;
        return parsed(tool(XYVIEW, "--json " + arguments).out, sound)["plotting_time"]["seconds"]
            .number;
    }

    json_value report(const std::string &arguments)
    {
        const run_result result = tool(XYSPLIT, "--json " + arguments);
        bool sound = false;
        const json_value v = parsed(result.out, sound);
        EXPECT_TRUE(sound && result.status == 0) << arguments << result.err;
        return v;
    }
};

// Every net of the sample board, and a cut before the first and after the last.
TEST_F(xysplit, cut_at_any_net_merges_back_byte_for_byte)
{
    for (int net = 1; net <= 300; ++net) {
        const std::string n = std::to_string(net);
        ASSERT_EQ(tool(XYSPLIT, "-q --to " + n + " board.xy a.xy").status, 0) << net;
        ASSERT_EQ(tool(XYSPLIT, "-q --from " + n + " board.xy b.xy").status, 0) << net;
        ASSERT_TRUE(merges_back("a.xy b.xy", "board.xy")) << net;
    }
    EXPECT_EQ(get("b.xy"), get("board.xy").substr(get("board.xy").rfind("\n\n   NET") + 1));
}

// The pen-down length of each net of a job, in hundredths' units, in file order.
std::vector<double> net_lengths(const std::string &xy)
{
    std::vector<double> lengths;
    bool down = false;
    point at{0, 0};
    for_each_unit(xy, [&](const xy_unit &u) {
        if (u.kind == unit_kind::net)
            lengths.push_back(0);
        if (u.kind == unit_kind::move && down)
            lengths.back() += hop_length(at, {u.x, u.y});
        down = u.kind == unit_kind::tool_down || (down && u.kind != unit_kind::tool_up);
        at = u.kind == unit_kind::move ? point{u.x, u.y} : at;
    });
    return lengths;
}

// For each count of parts, the least that the longest of them can take, by trying every
// cut: cost(i, j) for the part of the nets after the first i up to net j, best[k][n] for the
// first n nets in k parts.
template <typename Cost> std::vector<double> least_longest(std::size_t n, Cost cost)
{
    std::vector<double> best(n + 1, 0), answer(n + 1, 0);
    for (std::size_t i = 0; i <= n; ++i)
        best[i] = cost(0, i);
    answer[1] = best[n];
    for (std::size_t k = 2; k <= n; ++k) {
        std::vector<double> next(n + 1, 1e300);
        for (std::size_t i = k; i <= n; ++i)
            for (std::size_t j = k - 1; j < i; ++j)
                next[i] = std::min(next[i], std::max(best[j], cost(j, i)));
        best = next;
        answer[k] = best[n];
    }
    return answer;
}

TEST_F(xysplit, parts_merge_back_and_no_cut_makes_the_longest_shorter)
{
    const std::vector<double> lengths = net_lengths(get("board.xy"));
    std::vector<double> sums(lengths.size() + 1, 0);
    for (std::size_t i = 0; i < lengths.size(); ++i)
        sums[i + 1] = sums[i] + lengths[i];
    const std::vector<double> least = least_longest(
        lengths.size(), [&](std::size_t i, std::size_t j) { return sums[j] - sums[i]; });
    for (std::size_t k = 1; k <= 300; k += k < 40 || k >= 298 ? 1 : 13) {
        const json_value said = report("--parts " + std::to_string(k) + " -o p board.xy");
        ASSERT_EQ(said["parts"].items.size(), k);
        double longest = 0;
        for (const json_value &part : said["parts"].items)
            longest = std::max(longest, part["pen_down_length"].number);
        EXPECT_NEAR(longest, least[k], 0.005) << k;
        EXPECT_TRUE(merges_back("p-*.xy", "board.xy")) << k;
        if (k % 50 == 1) {
            EXPECT_EQ(tool(XYSPLIT, "-q --check p-*.xy board.xy").status, 0) << k;
        }
        run("rm p-*.xy");
    }
    const run_result more = tool(XYSPLIT, "--parts 301 -o p board.xy");
    EXPECT_TRUE(more.err.starts_with("xysplit: 300 nets make at most 300 parts: one a net\n"))
        << more.err;
    EXPECT_TRUE(merges_back("p-*.xy", "board.xy"));
    put("one.xy", converted("  NET 'ONE'\nSEG 0 0\nSEG 10000 0\n"));
    EXPECT_TRUE(
        tool(XYSPLIT, "--parts 2 -o q one.xy").err.starts_with("xysplit: 1 net makes 1 part\n"));
    put("none.xy", converted(""));
    EXPECT_NE(tool(XYSPLIT, "--parts 2 -o n none.xy").err.find("xysplit: 0 nets make 1 part\n"),
              std::string::npos);
}

// By time, on a job with moves before its first net, nets without a move, holes and long
// hops: every part as xyview times it as a job of its own, and the least longest of any cut.
TEST_F(xysplit, parts_by_time_are_as_short_as_any_cut_allows)
{
    put("odd.xy", converted("SEG 100000 0\nSEG 900000 900000\n  NET 'A'\n  NET 'B'\n"
                            "SEG 900000 0\nSEG 900000 50000\n  NET 'C'\nSEG 0 0\n  NET 'D'\n"
                            "  NET 'E'\nSEG 300000 200000\nSEG 300000 600000\nSEG 310000 600000\n"
                            "  NET 'F'\nSEG 20000 20000\n  NET 'G'\nSEG 800000 800000\n"
                            "SEG 0 800000\n  NET 'H'\n"));
    const std::string motion = "--speed 2 --travel-speed 5 --accel 4 --corner 0.05 "
                               "--tool-time 0.3,0.2 ";
    constexpr std::size_t nets = 8;
    std::vector<std::vector<double>> cost(nets + 1, std::vector<double>(nets + 1, 0));
    for (std::size_t i = 0; i < nets; ++i)
        for (std::size_t j = i + 1; j <= nets; ++j) {
            std::string cut = i > 0 ? " --from " + std::to_string(i + 1) : "";
            cut += j < nets ? " --to " + std::to_string(j + 1) : "";
            if (!cut.empty()) {
                ASSERT_EQ(tool(XYSPLIT, "-q" + cut + " odd.xy part.xy").status, 0) << cut;
            }
            cost[i][j] = plotting_seconds(motion + (cut.empty() ? "odd.xy" : "part.xy"));
        }
    const std::vector<double> least =
        least_longest(nets, [&](std::size_t i, std::size_t j) { return cost[i][j]; });
    for (std::size_t k = 1; k <= nets; ++k) {
        double longest = 0;
        const json_value said = report(motion + "--parts " + std::to_string(k) + " -o p odd.xy");
        for (const json_value &part : said["parts"].items)
            longest = std::max(longest, part["plotting_time"]["seconds"].number);
        EXPECT_NEAR(longest, least[k], 1e-9 * least[k]) << k << " parts";
        EXPECT_TRUE(merges_back("p-*.xy", "odd.xy")) << k;
        run("rm p-*.xy");
    }
}

// A panel's sittings and a drilling job's each merge back, and every part is a
// sitting of at most the time asked, but for a net that alone takes longer.
TEST_F(xysplit, sittings_of_a_panel_and_a_drilling_job_merge_back)
{
    ASSERT_EQ(tool(XYPLACE, "-q --repeat 3x2 --gap 0.5 board.xy panel.xy").status, 0);
    std::string holes;
    for (int k = 0; k < 40; ++k)
        holes += "  NET 'H" + std::to_string(k) + "'\nSEG " + std::to_string(k % 7 * 90000) + " " +
                 std::to_string(k * 30000) + "\n";
    put("holes.xy", converted(holes));
    const std::string motion = "--speed 20 --accel 200 --corner 0.02 --tool-time 0.1 ";
    for (const std::string job : {"panel.xy", "holes.xy"}) {
        const json_value said = report(motion + "--each 0:00:04 -o s " + job);
        EXPECT_GT(said["parts"].items.size(), 1U) << job;
        for (const json_value &part : said["parts"].items) {
            EXPECT_TRUE(part["plotting_time"]["seconds"].number <= 4.0 ||
                        part["alone_past_the_limit"].boolean)
                << job;
            bool sound = false;
            const json_value own =
                parsed(tool(XYVIEW, "--json " + motion + part["file"].text).out, sound);
            for (const char *figure : {"moves", "pen_down_length", "idle_travel"})
                EXPECT_EQ(part[figure].number, own[figure].number) << part["file"].text << figure;
            EXPECT_EQ(part["plotting_time"]["seconds"].number,
                      own["plotting_time"]["seconds"].number)
                << part["file"].text;
        }
        EXPECT_TRUE(merges_back("s-*.xy", job)) << job;
        run("rm s-*.xy");
    }
}

// Three strokes of 0.1 sum to a double above 0.3, yet draw 0.30 as every report shows it:
// a limit met to its last bits is not passed. And a length in millimetres on a plotter of
// inches is the length it says, not refused for lying off the hundredths.
TEST_F(xysplit, a_length_limit_is_met_as_given)
{
    put("tenths.xy",
        converted("  NET 'A'\nSEG 0 0\nSEG 10000 0\n  NET 'B'\nSEG 0 0\nSEG 10000 0\n"
                  "  NET 'C'\nSEG 0 0\nSEG 10000 0\n  NET 'D'\nSEG 0 0\nSEG 0 10000\n"));
    const json_value sittings = report("--each-length 0.3 -o e tenths.xy");
    ASSERT_EQ(sittings["parts"].items.size(), 2U);
    EXPECT_EQ(sittings["parts"].items[0]["last_net"].number, 3);
    EXPECT_EQ(report("--from-length 0.3 tenths.xy f.xy")["parts"].items[0]["first_net"].number, 4);
    const json_value in_mm = report("--unit 1in --each-length 20mm -o m board.xy");
    const json_value plain = report("--each-length 0.7874015748 -o p board.xy");
    ASSERT_EQ(in_mm["parts"].items.size(), plain["parts"].items.size());
    for (std::size_t k = 0; k < plain["parts"].items.size(); ++k)
        EXPECT_EQ(in_mm["parts"].items[k]["first_net"].number,
                  plain["parts"].items[k]["first_net"].number);
}

// The net that --from TIME picks is the first whose end comes after the time, by xyview's
// plotting time of the nets before it.
TEST_F(xysplit, from_a_time_agrees_with_xyview)
{
    const std::string motion = "--speed 20 --accel 200 --tool-time 0.1 ";
    const auto seconds_to = [&](int net) {
        tool(XYSPLIT, "-q --to " + std::to_string(net) + " board.xy before.xy");
        return plotting_seconds(motion + "before.xy");
    };
    for (const int net : {2, 57, 150, 299}) {
        const double time = (seconds_to(net) + seconds_to(net + 1)) / 2;
        const json_value said =
            report(motion + "--from " + std::to_string(time) + "s board.xy r.xy");
        EXPECT_EQ(said["parts"].items[0]["first_net"].number, net) << time;
    }
}

// What xyview --done N says is left is what the part from net N holds, from the first net
// the whole job, with any moves before that net.
TEST_F(xysplit, what_xyview_leaves_to_plot_is_the_part_from_the_net)
{
    const std::string motion = "--speed 20 --accel 200 --tool-time 0.1 ";
    put("lead.xy", converted("SEG 0 0\nSEG 500000 0\n  NET 'A'\nSEG 0 100000\nSEG 0 200000\n"
                             "  NET 'B'\nSEG 100000 100000\n"));
    const std::pair<const char *, int> cases[] = {{"board.xy", 1},   {"board.xy", 2},
                                                  {"board.xy", 150}, {"board.xy", 300},
                                                  {"lead.xy", 1},    {"lead.xy", 2}};
    for (const auto &[file, net] : cases) {
        const std::string n = std::to_string(net) + " " + file;
        const json_value part = report(motion + "--from " + n + " rest.xy")["parts"].items[0];
        bool sound = false;
        const json_value left =
            parsed(tool(XYVIEW, "--json --done " + n + " " + motion).out, sound)["left"];
        EXPECT_EQ(left["from_net"].number, net);
        EXPECT_EQ(left["nets"].number, part["last_net"].number - net + 1);
        for (const char *key : {"moves", "pen_down_length", "idle_travel"})
            EXPECT_EQ(left[key].text, part[key].text) << key << n;
        EXPECT_EQ(left["plotting_time"]["seconds"].text, part["plotting_time"]["seconds"].text)
            << n;
    }
    EXPECT_NE(tool(XYVIEW, "--done 300 board.xy").out.find("left to plot      net 300: 1 net, "),
              std::string::npos);
}

TEST_F(xysplit, check_names_the_first_stroke_drawn_otherwise)
{
    ASSERT_EQ(tool(XYSPLIT, "-q --parts 2 -o p board.xy").status, 0);
    EXPECT_EQ(tool(XYSPLIT, "--check board.xy board.xy").err,
              "xysplit: the part draws the 837 strokes of board.xy, each once, in order\n");
    EXPECT_EQ(run(std::string(XYSPLIT) + " --json --check board.xy -", get("board.xy")).out,
              "{\"format\":1,\"program\":\"xysplit\",\"original\":\"(standard input)\","
              "\"parts\":1,\"same\":true,\"strokes\":837,\"difference\":null}\n");
    std::string second = get("p-2.xy");
    second.replace(second.find("Go To", second.find("Tool Down")), 27,
                   "Go To       9.99       9.99");
    put("p-2.xy", second);
    const run_result result = tool(XYSPLIT, "--check p-1.xy p-2.xy board.xy");
    EXPECT_EQ(result.status, 3);
    EXPECT_TRUE(result.err.starts_with("xysplit: p-2.xy:6: NET '/BOARD/N$")) << result.err;
    EXPECT_EQ(tool(XYSPLIT, "--check p-1.xy board.xy").err.substr(0, 32),
              "xysplit: the parts end before bo");
}

// A net's record may hold any bytes; the report must not hand a terminal its controls.
TEST_F(xysplit, net_records_are_reported_with_their_controls_escaped)
{
    const std::string net =
        "\n   NET 'A\x1b]0;x\x07\\' \n \nGo To       1.00       1.00\nTool Down \n";
    put("one.xy", net + "Go To       2.00       1.00\nTool Up \n\n\n");
    put("other.xy", net + "Go To       3.00       1.00\nTool Up \n\n\n");
    EXPECT_EQ(tool(XYSPLIT, "--from 1 one.xy out.xy").err,
              "xysplit: out.xy: net 1 (NET 'A\\x1b]0;x\\x07\\\\'), 2 moves, pen-down length 1.00, "
              "idle travel 0.00\n");
    EXPECT_EQ(tool(XYSPLIT, "--check one.xy other.xy").err,
              "xysplit: one.xy:6: NET 'A\\x1b]0;x\\x07\\\\' draws 1.00,1.00 to 2.00,1.00, where "
              "other.xy:6: NET 'A\\x1b]0;x\\x07\\\\' draws 1.00,1.00 to 3.00,1.00\n");
}

// Past a file-size limit, a split leaves no part of its own and the old ones as they were.
TEST_F(xysplit, a_part_that_cannot_be_written_leaves_every_part_as_it_was)
{
    // A first part of one long net, which fits the limit, and a second that does not.
    put("long.xy", converted("  NET 'LONG'\nSEG 0 0\nSEG 20000000 0\n"));
    ASSERT_EQ(tool(XYMERGE, "-q -o job.xy long.xy board.xy").status, 0);
    put("p-1.xy", "an old part\n");
    const run_result result =
        run("timeout -s KILL 60 prlimit --fsize=15000 '" XYSPLIT "' --each-length 150 -o p job.xy");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "xysplit: p-2.xy: File too large\n");
    EXPECT_TRUE(get("p-1.xy") == "an old part\n");
    EXPECT_EQ(names(),
              (std::set<std::string>{"board.trc", "board.xy", "long.xy", "job.xy", "p-1.xy"}));
}

// A run stopped while its parts are being written puts none of them in place, rather than
// all of them after the signal.
TEST_F(xysplit, interrupted_while_parts_are_written_leaves_none)
{
    put("big.xy", converted(routed_board(20000)));
    const std::string out = dir + "/out";
    std::filesystem::create_directory(out);
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) == 0)
            execl(XYSPLIT, "xysplit", "-q", "--parts", "20000", "-o", "out/p", "big.xy",
                  static_cast<char *>(nullptr));
        _exit(127);
    }
    // The first part written takes a name beside the prefix; the signal comes then.
    std::error_code error;
    for (int waited = 0; waited < 30000 && running(child) && std::filesystem::is_empty(out, error);
         ++waited)
        usleep(1000);
    const int status = end_child(child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_TRUE(std::filesystem::is_empty(out, error));
}

// Another program writes the job over, in place and with a job of its size, once a first
// block of it is read: each companion says so, and none writes what it read.
TEST_F(xysplit, job_written_over_while_read_is_refused)
{
    ASSERT_EQ(tool(XYORDER, "-q board.xy other.xy").status, 0);
    const std::string job = get("board.xy");
    ASSERT_TRUE(get("other.xy") != job && get("other.xy").size() == job.size());
    const std::string over = "WRITE_OVER=board.xy WRITE_WITH=other.xy LD_PRELOAD='" WRITE_OVER
                             "' ASAN_OPTIONS=verify_asan_link_order=0 '";
    const struct {
        const char *program, *arguments;
    } cases[] = {
        {XYSPLIT, "--from 5 board.xy out.xy"},
        {XYSPLIT, "--parts 3 -o part board.xy"},
        {XYSPLIT, "--speed 20 --each 0:00:10 -o part board.xy"},
        {XYSPLIT, "--check board.xy board.xy"},
        {XYORDER, "board.xy out.xy"},
        {XYPLACE, "--shift 1,1 board.xy out.xy"},
        {XYPLACE, "--fit 8x6 board.xy out.xy"},
        {XYMERGE, "-o out.xy board.xy"},
        {XYVIEW, "-q --svg out.svg board.xy"},
    };
    for (const auto &c : cases) {
        put("board.xy", job);
        const std::string name = std::filesystem::path(c.program).filename();
        SCOPED_TRACE(name + " " + c.arguments);
        expect_fault(over + c.program + "'",
                     {name.c_str(), c.arguments, "", 2,
                      name + ": board.xy: changed while it was being read; run again when "
                             "nothing is writing it\n"});
    }
}

class split_fault : public xysplit, public testing::WithParamInterface<fault_case> {
  protected:
    void SetUp() override
    {
        xysplit::SetUp();
        put("old-7.xy", "left from a split into more parts");
        put("job-1.xy", get("board.xy"));
        put("conf-1.xy", "# a plotter's profile\n");
    }
};

TEST_P(split_fault, is_reported_and_writes_nothing)
{
    expect_fault("'" XYSPLIT "'", GetParam());
}

const std::string try_help = "Try 'xysplit --help'.\n";

INSTANTIATE_TEST_SUITE_P(
    xysplit, split_fault,
    testing::Values(
        fault_case{"net_zero", "--from 0 board.xy out.xy", "", 2,
                   "xysplit: --from wants a net number from 1, or a time above zero and under a "
                   "million hours such as 0:41:10 or 2470s: '0'\n" +
                       try_help},
        fault_case{"sitting_of_no_time", "--each 0s -o part board.xy", "", 2,
                   "xysplit: --each wants a time above zero and under a million hours such as "
                   "0:05:00 or 300s: '0s'\n" +
                       try_help},
        fault_case{"sitting_of_a_million_hours", "--speed 5 --each 1000000:00:00 -o part board.xy",
                   "", 2,
                   "xysplit: --each wants a time above zero and under a million hours such as "
                   "0:05:00 or 300s: '1000000:00:00'\n" +
                       try_help},
        fault_case{"net_past_the_last", "--to 301 board.xy out.xy", "", 2,
                   "xysplit: --to 301: the job has 300 nets\n"},
        fault_case{"net_past_any_job", "--from 99999999999999999999 board.xy out.xy", "", 2,
                   "xysplit: --from 99999999999999999999: the job has 300 nets\n"},
        fault_case{"time_without_a_speed", "--from 0:41:10 board.xy out.xy", "", 2,
                   "xysplit: --from 0:41:10: a plotting time needs --speed\n" + try_help},
        fault_case{"time_past_the_end", "--speed 20 --from 1:00:00 board.xy out.xy", "", 2,
                   "xysplit: --from 1:00:00: the job is finished by then, in 0:00:44.9\n"},
        fault_case{"point_far_from_every_net", "--from-point 20,20 board.xy out.xy", "", 2,
                   "xysplit: --from-point 20,20: no net's strokes pass within 0.10 of it; the "
                   "nearest passes 21.22 away\n"},
        fault_case{"near_finer_than_a_hundredth", "--from-point 3,2 --near 0.001 board.xy out.xy",
                   "", 2,
                   "xysplit: --near wants a plain decimal at or above zero with at most two "
                   "places: '0.001'\n" +
                       try_help},
        fault_case{"point_in_a_job_that_draws_nothing", "--from-point 0,0 in.xy out.xy",
                   "\n   NET 'A'\n \nTool Up \n\n\n", 2,
                   "xysplit: --from-point 0,0: the job draws nothing\n"},
        fault_case{"to_before_from", "--from 9 --to 9 board.xy out.xy", "", 2,
                   "xysplit: --to 9 comes at or before --from 9: no net between\n"},
        fault_case{"stale_part_beside_the_prefix", "--parts 3 -o old board.xy", "", 2,
                   "xysplit: old: beside parts that this split would not write, which a glob of "
                   "the parts would take in: old-7.xy; remove them first\n"},
        fault_case{"part_is_the_input", "--parts 1 -o job job-1.xy", "", 2,
                   "xysplit: job-1.xy: is the input; the part would replace it\n"},
        fault_case{"part_is_standard_output", "--parts 2 -o job board.xy >> job-1.xy", "", 2,
                   "xysplit: job-1.xy: is open as standard input, output or error, where a part "
                   "cannot be put whole; choose another PREFIX\n"},
        fault_case{"part_is_the_profile", "--plotter conf-1.xy --parts 1 -o conf board.xy", "", 2,
                   "xysplit: conf-1.xy: is the plotter's profile being read\n"},
        fault_case{"malformed_job", "--parts 2 -o p in.xy", "Go Home\nTool Up \n\n\n", 1,
                   "xysplit: in.xy:1: not a coordinates line: 'Go Home'\n"}),
    [](const auto &info) { return info.param.name; });

} // namespace
