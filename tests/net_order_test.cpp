// The order xyorder chooses: small jobs worked out by hand, and what must hold of every
// order on generated boards.
#include "coordinates_reader.h"
#include "exact_order.h"
#include "greedy_start.h"
#include "net_order.h"
#include "ordering_helpers.h"
#include "plotter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct order_case {
    const char *name;
    std::string trace;
    bool reversible;
    double travel;     // after ordering, in output units
    std::string order; // the nets' moves in order, x values in output units
};

class hand_checked : public testing::TestWithParam<order_case> {};

// The moves of the ordered file, as "net: x x; net: x x".
std::string moves_of(const std::string &xy)
{
    std::string shown;
    for_each_unit(xy, [&](const xy_unit &unit) {
        if (unit.kind == unit_kind::net)
            shown.append(shown.empty() ? "" : "; ").append(unit.net).append(":");
        if (unit.kind == unit_kind::move)
            shown.append(" ").append(std::to_string(unit.x / 100));
    });
    return shown;
}

TEST_P(hand_checked, travels_least)
{
    const job_blocks job = job_of(converted(GetParam().trace));
    const ordering_problem problem = problem_of(job, GetParam().reversible);
    const std::vector<visit> order = short_order(problem, budget_for(job.groups.size(), 1)).order;
    EXPECT_DOUBLE_EQ(idle_travel(problem, order), GetParam().travel);
    EXPECT_EQ(moves_of(written(job, order)), GetParam().order);
}

const std::string on_a_line_reversed = "  NET 'C'\nSEG 400000 0\nSEG 500000 0\n"
                                       "  NET 'B'\nSEG 200000 0\nSEG 300000 0\n"
                                       "  NET 'A'\nSEG 0 0\nSEG 100000 0\n";
const std::string one_drawn_backwards = "  NET 'A'\nSEG 0 0\nSEG 100000 0\n"
                                        "  NET 'B'\nSEG 300000 0\nSEG 200000 0\n";

INSTANTIATE_TEST_SUITE_P(
    order, hand_checked,
    testing::Values(order_case{"three_nets_on_a_line_in_reverse_order", on_a_line_reversed, true, 2,
                               "NET 'A': 0 1; NET 'B': 2 3; NET 'C': 4 5"},
                    order_case{"kept_direction_on_a_line", on_a_line_reversed, false, 2,
                               "NET 'A': 0 1; NET 'B': 2 3; NET 'C': 4 5"},
                    // From the origin, A and then B turned round is the one way to travel 1.
                    order_case{"net_that_must_be_reversed", "SEG 0 0\n" + one_drawn_backwards, true,
                               1, " 0; NET 'A': 0 1; NET 'B': 2 3"},
                    // Turned round, B would be 1.5 away; as drawn, A then B travels 2 and
                    // B then A 2.5.
                    order_case{"keep_direction_forbids_reversing",
                               "  NET 'A'\nSEG 0 0\nSEG 100000 0\n"
                               "  NET 'B'\nSEG 300000 0\nSEG 250000 0\n",
                               false, 2, "NET 'A': 0 1; NET 'B': 3 2"},
                    order_case{"moves_before_the_first_net_fix_the_start",
                               "SEG 500000 0\n" + on_a_line_reversed, true, 2,
                               " 5; NET 'C': 5 4; NET 'B': 3 2; NET 'A': 1 0"}),
    [](const auto &info) { return info.param.name; });

// The strokes of a job as point sequences, each turned to read from its lower end when
// direction does not count, sorted.
std::vector<std::vector<std::pair<long, long>>> strokes_of(const job_blocks &job, bool reversible)
{
    std::vector<std::vector<std::pair<long, long>>> strokes;
    for (const std::size_t n : job.groups) {
        const std::size_t end =
            n + 1 < job.nets.size() ? job.nets[n + 1].first_move : job.moves.size();
        std::vector<std::pair<long, long>> stroke;
        for (std::size_t m = job.nets[n].first_move; m < end; ++m)
            stroke.emplace_back(job.moves[m].x, job.moves[m].y);
        if (reversible && stroke.back() < stroke.front())
            std::reverse(stroke.begin(), stroke.end());
        strokes.push_back(stroke);
    }
    std::sort(strokes.begin(), strokes.end());
    return strokes;
}

job_summary summary_of(const std::string &xy)
{
    plotter p;
    start_plotting(p);
    EXPECT_EQ(for_each_unit(xy, [&](const xy_unit &unit) { plot(p, unit); }),
              read_result::finished);
    return p.job;
}

struct board_case {
    const char *name;
    std::string trace;
    bool reversible;
    double travel; // after ordering, as this search finds it
};

class board : public testing::TestWithParam<board_case> {};

// The ordered file is sound, draws the same strokes the same length, travels less than
// the file's order and as far as this search's figure, and comes out the same each time.
TEST_P(board, keeps_the_strokes_and_travels_less)
{
    const bool reversible = GetParam().reversible;
    const std::string xy = converted(GetParam().trace);
    const job_blocks job = job_of(xy);
    const ordering_problem problem = problem_of(job, reversible);
    const std::vector<visit> order = short_order(problem, budget_for(job.groups.size(), 1)).order;
    const std::string ordered = written(job, order);

    const job_summary before = summary_of(xy), after = summary_of(ordered);
    EXPECT_EQ(strokes_of(job_of(ordered), reversible), strokes_of(job, reversible));
    EXPECT_NEAR(after.pen_down_length, before.pen_down_length, 1e-6);
    EXPECT_DOUBLE_EQ(after.idle_length, idle_travel(problem, order));
    EXPECT_LT(after.idle_length, before.idle_length);
    EXPECT_NEAR(after.idle_length, GetParam().travel, 0.005);
    EXPECT_EQ(written(job, short_order(problem, budget_for(job.groups.size(), 1)).order), ordered);
}

// Nets on one line, each from a random point to another, far apart.
std::string on_a_line(int nets)
{
    std::string trace;
    std::uint64_t state = 5;
    for (int net = 0; net < nets; ++net)
        trace += "  NET 'L" + std::to_string(net) + "'\nSEG " +
                 std::to_string(on_grid(state, 4000)) + " 0\nSEG " +
                 std::to_string(on_grid(state, 4000)) + " 0\n";
    return trace;
}

// Holes to drill: nets of one point each, spread over a square of the given side.
std::string holes(int nets, std::int64_t side)
{
    std::string trace;
    std::uint64_t state = 11;
    for (int net = 0; net < nets; ++net)
        trace += "  NET 'H" + std::to_string(net) + "'\nSEG " +
                 std::to_string(on_grid(state, side)) + " " + std::to_string(on_grid(state, side)) +
                 "\n";
    return trace;
}

const std::string far_net =
    "  NET 'FAR'\nSEG 100000000000 100000000000\nSEG 100000100000 100000000000\n";

INSTANTIATE_TEST_SUITE_P(
    order, board,
    testing::Values(board_case{"nets_drawn_from_either_end", routed_board(2000), true, 275.43},
                    board_case{"direction_kept", routed_board(2000), false, 418.08},
                    // Sent last, the far net costs one hop, not one there and one back.
                    board_case{"far_net_with_direction_kept", routed_board(300) + far_net, false,
                               1414271.06},
                    board_case{"nets_on_a_line_with_direction_kept", on_a_line(300), false, 730.68},
                    board_case{"holes_of_one_point", holes(2000, 400), false, 329.29}),
    [](const auto &info) { return info.param.name; });

// A job's every order, each net turned either way where it may be: the least idle travel.
double least_travel(const job_blocks &job, const ordering_problem &problem)
{
    std::vector<visit> order = file_order(job);
    double least = idle_travel(problem, order);
    const std::size_t n = order.size();
    std::vector<std::uint32_t> groups(n);
    for (std::uint32_t g = 0; g < n; ++g)
        groups[g] = g;
    do {
        for (std::uint32_t turns = 0; turns < (problem.reversible ? 1U << n : 1U); ++turns) {
            for (std::size_t k = 0; k < n; ++k)
                order[k] = {groups[k], (turns >> k & 1) != 0};
            least = std::min(least, idle_travel(problem, order));
        }
    } while (std::next_permutation(groups.begin(), groups.end()));
    return least;
}

// A job of nets random nets of one to three points on a grid of steps by steps, with a
// move before the first when anchored.
std::string random_job(std::uint64_t &state, int nets, std::int64_t steps, bool anchored)
{
    std::string trace = anchored ? "SEG " + std::to_string(on_grid(state, steps)) + " 0\n" : "";
    for (int net = 0; net < nets; ++net) {
        trace += "  NET 'N" + std::to_string(net) + "'\n";
        for (int point = 0; point < 1 + (net + nets) % 3; ++point)
            trace += "SEG " + std::to_string(on_grid(state, steps)) + " " +
                     std::to_string(on_grid(state, steps)) + "\n";
    }
    return trace;
}

// Orders the job of trace in both modes and expects as little travel as least finds.
void expect_least_travel(const std::string &trace, int job_number,
                         double (*least)(const job_blocks &, const ordering_problem &))
{
    const job_blocks job = job_of(converted(trace));
    for (const bool reversible : {true, false}) {
        const ordering_problem problem = problem_of(job, reversible);
        const double found =
            idle_travel(problem, short_order(problem, budget_for(job.groups.size(), 1)).order);
        EXPECT_NEAR(found, least(job, problem), 1e-9) << job_number << " " << reversible;
    }
}

// On jobs of up to six nets, with and without moves before the first net, the exact
// order is as short as any order tried one by one.
TEST(order, small_jobs_travel_as_little_as_any_order)
{
    std::uint64_t state = 77;
    for (int job_number = 0; job_number < 120; ++job_number)
        expect_least_travel(random_job(state, 2 + job_number % 5, 40, job_number % 3 == 0),
                            job_number, least_travel);
}

// The least idle travel of any order, as the exact order finds it.
double least_travel_over_sets(const job_blocks &, const ordering_problem &problem)
{
    return idle_travel(problem, exact_order(problem));
}

// On jobs of thirteen nets, one more than is ordered exactly, the search with its random
// changes finds an order as short as any, in either mode.
TEST(order, thirteen_nets_travel_as_little_as_any_order)
{
    std::uint64_t state = 31;
    for (int job_number = 0; job_number < 16; ++job_number)
        expect_least_travel(random_job(state, 13, 60, job_number % 4 == 0), job_number,
                            least_travel_over_sets);
}

// The search stops where its work budget says, and leaves a sound order that travels no
// farther than where it started.
TEST(order, search_stops_at_its_budget_with_a_sound_order)
{
    const job_blocks job = job_of(converted(routed_board(3000)));
    const ordering_problem problem = problem_of(job, true);
    const search_budget full = budget_for(job.groups.size(), 1);
    for (const search_budget budget :
         {search_budget{1000, 0}, search_budget{full.local_work, 1000}}) {
        const search_result result = short_order(problem, budget);
        std::vector<int> seen(job.groups.size());
        for (const visit &v : result.order)
            ++seen[v.group];
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(seen.size()));
        EXPECT_LT(idle_travel(problem, result.order),
                  idle_travel(problem, greedy_order(problem, first_point(problem))));
    }
}

} // namespace
