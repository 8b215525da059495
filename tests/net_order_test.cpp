// The order xyorder chooses: small jobs worked out by hand, and what must hold of every
// order on generated boards.
#include "coordinates_reader.h"
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
                    order_case{"net_that_must_be_reversed", one_drawn_backwards, true, 1,
                               "NET 'A': 0 1; NET 'B': 2 3"},
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
    EXPECT_EQ(for_each_unit(xy, [&](const xy_unit &unit) { plot(p, unit, nullptr); }),
              read_result::finished);
    return p.job;
}

class board : public testing::TestWithParam<bool> {};

// The ordered file is sound, draws the same strokes the same length, travels less than
// the file's order and far less than the greedy order, and comes out the same each time.
TEST_P(board, keeps_the_strokes_and_travels_less)
{
    const bool reversible = GetParam();
    const std::string xy = converted(routed_board(2000));
    const job_blocks job = job_of(xy);
    const ordering_problem problem = problem_of(job, reversible);
    const std::vector<visit> order = short_order(problem, budget_for(job.groups.size(), 1)).order;
    const std::string ordered = written(job, order);

    const job_summary before = summary_of(xy), after = summary_of(ordered);
    EXPECT_EQ(strokes_of(job_of(ordered), reversible), strokes_of(job, reversible));
    EXPECT_NEAR(after.pen_down_length, before.pen_down_length, 1e-6);
    EXPECT_DOUBLE_EQ(after.idle_length, idle_travel(problem, order));
    EXPECT_LT(after.idle_length, before.idle_length);
    EXPECT_LT(after.idle_length,
              0.9 * idle_travel(problem, greedy_order(problem, first_point(problem))));
    EXPECT_EQ(written(job, short_order(problem, budget_for(job.groups.size(), 1)).order), ordered);
}

INSTANTIATE_TEST_SUITE_P(order, board, testing::Bool(), [](const auto &info) {
    return info.param ? "nets_drawn_from_either_end" : "direction_kept";
});

} // namespace
