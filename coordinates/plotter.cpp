// The plotter's own view of a job: the tool starts up and only "Go To" moves it.
#include "plotter.h"

#include <algorithm>
#include <cmath>

double hop_length(point from, point to)
{
    const double dx = static_cast<double>(to.x - from.x), dy = static_cast<double>(to.y - from.y);
    // Below 2^26 hundredths a side the sum of the squares is exact, so its square root is the
    // length correctly rounded, found in a fraction of hypot's time.
    if (std::abs(dx) < 0x1p26 && std::abs(dy) < 0x1p26)
        return std::sqrt(dx * dx + dy * dy) / 100;
    return std::hypot(dx, dy) / 100;
}

void take_in(extent &e, point at)
{
    if (e.empty) {
        e = {.empty = false, .min_x = at.x, .min_y = at.y, .max_x = at.x, .max_y = at.y};
        return;
    }
    e.min_x = std::min(e.min_x, at.x);
    e.min_y = std::min(e.min_y, at.y);
    e.max_x = std::max(e.max_x, at.x);
    e.max_y = std::max(e.max_y, at.y);
}

void start_plotting(plotter &p)
{
    p.tool_down = false;
    p.has_position = false;
    p.moved = false;
    p.x = 0;
    p.y = 0;
    p.hop = 0;
    p.job = job_summary{};
    p.job.box.empty = true;
}

static void move_to(plotter &p, std::int64_t x, std::int64_t y)
{
    job_summary &job = p.job;
    ++job.moves;
    p.moved = p.moved || (p.has_position && (x != p.x || y != p.y));
    p.hop = p.has_position ? hop_length({p.x, p.y}, {x, y}) : 0;
    (p.tool_down ? job.pen_down_length : job.idle_length) += p.hop;
    if (job.box.empty) {
        job.first_x = x;
        job.first_y = y;
    }
    take_in(job.box, {x, y});
    job.last_x = x;
    job.last_y = y;
    p.has_position = true;
    p.x = x;
    p.y = y;
}

void plot(plotter &p, const xy_unit &unit)
{
    switch (unit.kind) {
    case unit_kind::move: move_to(p, unit.x, unit.y); break;
    case unit_kind::tool_down:
        p.job.tool_downs += 1;
        p.moved = p.moved && p.tool_down;
        p.tool_down = true;
        break;
    case unit_kind::tool_up:
        // A hole: lowered and raised at one point without moving.
        p.job.holes += p.tool_down && p.has_position && !p.moved;
        p.tool_down = false;
        break;
    case unit_kind::net: ++p.job.nets; break;
    case unit_kind::trailer: break;
    }
}
