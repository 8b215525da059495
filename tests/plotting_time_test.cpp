// The plotting time: moves and tool changes worked out by hand, and a generated board
// against a plain implementation of the same model that plans each run whole.
#include "ordering_helpers.h"
#include "plotting_time.h"
#include "units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct step {
    char kind; // 'M'ove to x, y (output units), tool 'D'own or 'U'p
    double x, y;
};

struct time_case {
    const char *name;
    motion_model model;
    std::vector<step> steps;
    plotting_time expected;
};

class timed : public testing::TestWithParam<time_case> {};

TEST_P(timed, takes_the_time_worked_out_by_hand)
{
    motion_timer t;
    start_timing(t, GetParam().model);
    for (const step &s : GetParam().steps)
        if (s.kind == 'M')
            time_move(t, std::llround(s.x * 100), std::llround(s.y * 100));
        else
            time_tool(t, s.kind == 'D');
    const plotting_time got = finish_timing(t);
    EXPECT_NEAR(got.drawing, GetParam().expected.drawing, 1e-9);
    EXPECT_NEAR(got.travel, GetParam().expected.travel, 1e-9);
    EXPECT_NEAR(got.tool, GetParam().expected.tool, 1e-9);
}

constexpr motion_model unit_motion{1, 1, 1, 0, 0, 0};
constexpr motion_model with_corner{1, 1, 1, 0.1, 0, 0};
// At a right angle with a deviation of 0.1: sqrt(0.1 s / (1 - s)), s = sqrt(1/2).
const double corner_speed = std::sqrt(0.1 * std::sqrt(0.5) / (1 - std::sqrt(0.5)));
// A unit move from rest to corner_speed: up to 1 in 1 s over 0.5, down in 1 - v s over
// (1 - v^2) / 2, the rest at 1.
const double into_corner =
    1 + (1 - corner_speed) + (1 - 0.5 - (1 - corner_speed * corner_speed) / 2);

INSTANTIATE_TEST_SUITE_P(
    plotting, timed,
    testing::Values(time_case{"move_that_reaches_its_speed",
                              unit_motion,
                              {{'M', 0, 0}, {'M', 3, 0}},
                              {0, 4, 0}},
                    time_case{"move_too_short_to_reach_it",
                              unit_motion,
                              {{'M', 0, 0}, {'M', 0.5, 0}},
                              {0, 2 * std::sqrt(0.5), 0}},
                    time_case{"right_angle_stops_the_head_without_a_deviation",
                              unit_motion,
                              {{'M', 0, 0}, {'M', 1, 0}, {'M', 1, 1}},
                              {0, 4, 0}},
                    time_case{"right_angle_with_a_deviation",
                              with_corner,
                              {{'M', 0, 0}, {'M', 1, 0}, {'M', 1, 1}},
                              {0, 2 * into_corner, 0}},
                    time_case{"straight_on_puts_no_limit",
                              unit_motion,
                              {{'M', 0, 0}, {'M', 1, 0}, {'M', 2, 0}},
                              {0, 3, 0}},
                    time_case{"reversal_stops_the_head_whatever_the_deviation",
                              with_corner,
                              {{'M', 0, 0}, {'M', 1, 0}, {'M', 0, 0}},
                              {0, 4, 0}},
                    time_case{"tool_change_stops_the_head_and_takes_its_time",
                              {1, 1, 1, 0, 0.5, 0.25},
                              {{'M', 0, 0}, {'M', 1, 0}, {'D', 0, 0}, {'M', 2, 0}, {'U', 0, 0}},
                              {2, 2, 0.75}},
                    time_case{"repeated_tool_up_costs_nothing",
                              {1, 1, 1, 0, 0.5, 0.5},
                              {{'M', 0, 0}, {'M', 1, 0}, {'U', 0, 0}, {'M', 2, 0}, {'U', 0, 0}},
                              {0, 3, 0}},
                    time_case{"travel_and_drawing_speeds_apart",
                              {0.5, 2, 0, 0, 0.25, 0.75},
                              {{'M', 0, 0}, {'M', 2, 0}, {'D', 0, 0}, {'M', 2, 1}, {'U', 0, 0}},
                              {2, 1, 1}}),
    [](const auto &info) { return info.param.name; });

// "--speed 1 --accel 1": hops of 2.24 and 2.74 and two strokes of 0.5, from rest to rest.
TEST(plotting, worked_example_takes_its_time)
{
    motion_timer t;
    start_timing(t, unit_motion);
    for_each_unit(file_contents(TEST_DATA "/worked_example.xy"),
                  [&](const xy_unit &unit) { time_unit(t, unit); });
    const plotting_time got = finish_timing(t);
    EXPECT_NEAR(got.drawing, 4 * std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(got.travel, std::sqrt(5.0) + 1 + std::hypot(2.0, 1.88) + 1, 1e-9);
}

// The model planned plainly: each run between two stops whole, backward then forward.
plotting_time planned_whole(const std::string &xy, const motion_model &m)
{
    struct move {
        double length, ux, uy;
        bool drawing;
    };
    std::vector<move> run;
    plotting_time total{};
    const auto flush = [&] {
        std::vector<double> limit(run.size() + 1, 0), speed(run.size() + 1, 0);
        for (std::size_t i = 1; i < run.size(); ++i) {
            const double c = -(run[i - 1].ux * run[i].ux + run[i - 1].uy * run[i].uy);
            const double s = std::sqrt((1 - c) / 2);
            limit[i] = c < -0.999999  ? 1e300
                       : c > 0.999999 ? 0
                                      : std::sqrt(m.accel * m.corner * s / (1 - s));
            limit[i] = std::min(limit[i], run[i].drawing ? m.speed : m.travel_speed);
        }
        for (std::size_t i = run.size(); i-- > 0;)
            limit[i] = std::min(
                limit[i], std::sqrt(limit[i + 1] * limit[i + 1] + 2 * m.accel * run[i].length));
        for (std::size_t i = 0; i < run.size(); ++i) {
            const double v = run[i].drawing ? m.speed : m.travel_speed, a = m.accel;
            const double u = speed[i];
            const double w = std::min(limit[i + 1], std::sqrt(u * u + 2 * a * run[i].length));
            speed[i + 1] = w;
            const double peak = std::min(v, std::sqrt((2 * a * run[i].length + u * u + w * w) / 2));
            const double level = run[i].length - (2 * peak * peak - u * u - w * w) / (2 * a);
            (run[i].drawing ? total.drawing : total.travel) +=
                (peak - u) / a + (peak - w) / a + level / v;
        }
        run.clear();
    };
    bool down = false, placed = false;
    std::int64_t x = 0, y = 0;
    for_each_unit(xy, [&](const xy_unit &unit) {
        if (unit.kind == unit_kind::move) {
            const double dx = (unit.x - x) / 100.0, dy = (unit.y - y) / 100.0;
            const double length = std::hypot(dx, dy);
            if (placed && length > 0)
                run.push_back({length, dx / length, dy / length, down});
            placed = true;
            x = unit.x;
            y = unit.y;
        } else if ((unit.kind == unit_kind::tool_down) != down && unit.kind != unit_kind::net &&
                   unit.kind != unit_kind::trailer) {
            flush();
            down = !down;
            total.tool += down ? m.tool_down_time : m.tool_up_time;
        }
    });
    flush();
    return total;
}

// Long runs of short moves are timed in parts as they come: travel before the first net
// bending at every angle, then one long stroke of straight stretches; a board's short
// runs follow. A timer beside a plotter takes the same time.
TEST(plotting, long_runs_and_a_board_match_a_plain_plan_of_each_run)
{
    std::string trace;
    for (long k = 0; k < 6000; ++k) {
        if (k == 3000)
            trace += "  NET 'LONG'\n";
        const long y = k < 3000 ? k * k % 17 * 1000 - k % 5 * 1500 : k / 500 % 2 * 50000;
        trace += "SEG " + std::to_string(k * 3000 + k % 3 * 2000 * (k < 3000)) + " " +
                 std::to_string(y) + "\n";
    }
    const std::string xy = converted(trace + routed_board(300));
    for (const motion_model m :
         {motion_model{2, 5, 30, 0.01, 0.2, 0.1}, motion_model{3, 3, 0.5, 0, 0, 0},
          motion_model{4, 4, 2, 0.5, 0, 0}}) {
        motion_timer t, beside;
        start_timing(t, m);
        start_timing(beside, m);
        plotter p;
        start_plotting(p);
        for_each_unit(xy, [&](const xy_unit &unit) {
            time_unit(t, unit);
            plot(p, unit);
            time_plotted(beside, p, unit);
        });
        const plotting_time got = finish_timing(t), expected = planned_whole(xy, m);
        EXPECT_NEAR(got.drawing, expected.drawing, 1e-9 * expected.drawing);
        EXPECT_NEAR(got.travel, expected.travel, 1e-9 * expected.travel);
        EXPECT_NEAR(got.tool, expected.tool, 1e-9);
        // Beside a plotter, the timer takes each move's length from it, to the last bit.
        const plotting_time plotted = finish_timing(beside);
        EXPECT_EQ(plotted.drawing, got.drawing);
        EXPECT_EQ(plotted.travel, got.travel);
    }
}

} // namespace
