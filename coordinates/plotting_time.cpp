// The plan of a run goes backwards from its end (the head able to stop in time) and then
// forwards from its start (the head able to speed up in time). A run that grows long is
// planned as if it stopped after its last move; a vertex from which more than the
// stopping distance of the fastest speed lies ahead cannot be slowed by what comes later,
// so the moves up to it are timed then and let go.
#include "plotting_time.h"

#include "plotter.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace {

// Cosines of the angle between two moves beyond which the head goes straight on, or
// turns back.
constexpr double straight_on = 0.999999;

// The time of a move of length made at the speed of t's run, entered at speed entry and left
// at exit; their squares too, which the plan works in. It multiplies by t's reciprocals
// rather than divide, since the divider is what timing a move waits on.
double segment_time(const motion_timer &t, double length, double entry, double entry_squared,
                    double exit, double exit_squared)
{
    const double v = t.tool_down ? t.model.speed : t.model.travel_speed, half = t.per_accel / 2;
    const double rising = (v * v - entry_squared) * half;
    const double falling = (v * v - exit_squared) * half;
    if (rising + falling <= length)
        return (2 * v - entry - exit) * t.per_accel +
               (length - rising - falling) * t.per_speed[t.tool_down];
    const double peak = std::sqrt((2 * t.model.accel * length + entry_squared + exit_squared) / 2);
    return (2 * peak - entry - exit) * t.per_accel;
}

// The square of the fastest the head may pass the corner of the cosine c between two moves.
double corner_limit(const motion_model &m, double c)
{
    const double s = std::sqrt((1 - c) / 2);
    return m.accel * m.corner * s / (1 - s);
}

// The square of the fastest the head may pass from move a into move b, at most speed. Most
// corners of a routed board are square, whose limit t holds rather than find it again.
double junction_limit(const motion_timer &t, const motion_segment &a, const motion_segment &b,
                      double speed)
{
    const double c = -(a.ux * b.ux + a.uy * b.uy);
    if (c < -straight_on)
        return speed * speed;
    if (c > straight_on)
        return 0;
    return std::min(speed * speed, c == 0 ? t.square_corner : corner_limit(t.model, c));
}

// Times the moves of the run that nothing later can change, all of them when the head
// stops after the last. Speeds are planned as their squares, which a move at constant
// acceleration raises or lowers by a sum, so that no square root stands between one move's
// plan and the next.
void plan(motion_timer &t, bool stop)
{
    std::vector<motion_segment> &run = t.run;
    const motion_model &m = t.model;
    const std::size_t n = run.size();
    double &sum = t.tool_down ? t.time.drawing : t.time.travel;
    // A move alone between two stops, as the travel to each net is, starts and ends at
    // rest: no corner, nothing ahead to plan.
    if (stop && n == 1 && t.entry_squared == 0) {
        sum += segment_time(t, run[0].length, 0, 0, 0, 0);
        run.clear();
        t.directed = 0;
        t.plan_at = 64;
        return;
    }
    // The moves' directions and corners are found here, for many moves at once, rather than
    // as each is read, where their square roots and divisions would hold up the reading.
    const double speed_limit = t.tool_down ? m.speed : m.travel_speed;
    for (std::size_t i = t.directed; i < n; ++i) {
        const double per_length = 1 / (run[i].length * 100);
        run[i].ux *= per_length;
        run[i].uy *= per_length;
        if (i > 0)
            run[i].entry_limit = junction_limit(t, run[i - 1], run[i], speed_limit);
    }
    double after = 0;
    for (std::size_t i = n; i-- > 0;) {
        const double limit = i == 0 ? t.entry_squared : run[i].entry_limit;
        after = std::min(limit, after + 2 * m.accel * run[i].length);
        run[i].entry_ahead = after;
    }
    std::size_t done = n;
    if (!stop) {
        const double fastest = std::max(m.speed, m.travel_speed);
        const double stopping = fastest * fastest / (2 * m.accel);
        for (double ahead = 0; done > 0 && ahead < stopping;)
            ahead += run[--done].length;
    }
    double squared = t.entry_squared, speed = std::sqrt(squared);
    for (std::size_t i = 0; i < done; ++i) {
        const double limit = i + 1 < n ? run[i + 1].entry_ahead : 0;
        const double exit_squared = std::min(limit, squared + 2 * m.accel * run[i].length);
        const double exit = std::sqrt(exit_squared);
        sum += segment_time(t, run[i].length, speed, squared, exit, exit_squared);
        speed = exit;
        squared = exit_squared;
    }
    t.entry_squared = squared;
    run.erase(run.begin(), run.begin() + static_cast<std::ptrdiff_t>(done));
    t.directed = run.size();
    t.plan_at = std::max<std::size_t>(64, 2 * run.size());
}

// Moves the head to (x, y), length from where it stands.
void move_head(motion_timer &t, std::int64_t x, std::int64_t y, double length)
{
    if (!t.placed) {
        t.placed = true;
        t.x = x;
        t.y = y;
        return;
    }
    if (x == t.x && y == t.y)
        return;
    const double dx = static_cast<double>(x - t.x), dy = static_cast<double>(y - t.y);
    t.x = x;
    t.y = y;
    if (t.model.accel == 0) {
        (t.tool_down ? t.time.drawing : t.time.travel) += length * t.per_speed[t.tool_down];
        return;
    }
    t.run.push_back({.length = length, .ux = dx, .uy = dy, .entry_limit = 0, .entry_ahead = 0});
    if (t.run.size() >= t.plan_at)
        plan(t, false);
}

} // namespace

void start_timing(motion_timer &t, const motion_model &m)
{
    t.model = m;
    t.placed = false;
    t.tool_down = false;
    t.x = t.y = 0;
    t.run.clear();
    t.entry_squared = 0;
    t.plan_at = 64;
    t.directed = 0;
    t.time = {};
    t.per_accel = m.accel > 0 ? 1 / m.accel : 0;
    t.per_speed[0] = m.travel_speed > 0 ? 1 / m.travel_speed : 0;
    t.per_speed[1] = m.speed > 0 ? 1 / m.speed : 0;
    t.square_corner = corner_limit(m, 0);
}

void time_move(motion_timer &t, std::int64_t x, std::int64_t y)
{
    move_head(t, x, y, t.placed ? hop_length({t.x, t.y}, {x, y}) : 0);
}

void time_tool(motion_timer &t, bool down)
{
    if (down == t.tool_down)
        return;
    plan(t, true);
    t.entry_squared = 0;
    t.tool_down = down;
    t.time.tool += down ? t.model.tool_down_time : t.model.tool_up_time;
}

void time_unit(motion_timer &t, const xy_unit &unit)
{
    if (unit.kind == unit_kind::move)
        time_move(t, unit.x, unit.y);
    else if (unit.kind == unit_kind::tool_down || unit.kind == unit_kind::tool_up)
        time_tool(t, unit.kind == unit_kind::tool_down);
}

void time_plotted(motion_timer &t, const plotter &p, const xy_unit &unit)
{
    if (unit.kind == unit_kind::move)
        move_head(t, unit.x, unit.y, p.hop);
    else
        time_unit(t, unit);
}

plotting_time finish_timing(motion_timer &t)
{
    plan(t, true);
    t.entry_squared = 0;
    return t.time;
}

void format_duration(double seconds, char *text)
{
    if (!(seconds < longest_duration)) {
        std::snprintf(text, 32, "over %.0f:00:00", longest_duration / 3600);
        return;
    }
    const auto tenths = static_cast<std::int64_t>(std::llround(seconds * 10));
    std::snprintf(text, 32, "%" PRId64 ":%02" PRId64 ":%02" PRId64 ".%" PRId64, tenths / 36000,
                  tenths / 600 % 60, tenths / 10 % 60, tenths % 10);
}
