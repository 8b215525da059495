// Copies are moved by whole steps, so every copy lands exactly; a panel's extent is worked
// out in 128 bits, since a count of copies times a step may pass 64.
#include "panel.h"

#include "xy_layout.h"

#include <algorithm>
#include <limits>

namespace {

__extension__ using wide = __int128;

bool in_range(wide at)
{
    return at >= -largest_hundredths && at <= largest_hundredths;
}

// How many copies of size, a step apart, lie within room: at most most_copies.
std::int64_t copies_along(std::int64_t room, std::int64_t size, std::int64_t step)
{
    if (room < size)
        return 0;
    if (step <= 0)
        return 1;
    return std::min<std::int64_t>((room - size) / step + 1, most_copies);
}

// The most characters a number of a move line within [low, high] takes: a sign, the
// digits, the point and two places, or the field's width.
wide widest_number(std::int64_t low, std::int64_t high)
{
    wide most = std::max<wide>(low < 0 ? -wide{low} : low, high < 0 ? -wide{high} : high) / 100;
    int digits = 1;
    for (; most >= 10; most /= 10)
        ++digits;
    return std::max<wide>(field_width, 1 + digits + 3);
}

} // namespace

bool panel_fits_a_file(const job_content &c, const extent &whole, const panel &p)
{
    const wide line = whole.empty ? 0
                                  : move_start.size() + widest_number(whole.min_x, whole.max_x) +
                                        1 + widest_number(whole.min_y, whole.max_y) + 1;
    // A net's header block adds four bytes to its record, and the "Tool Up" before it nine.
    const wide copy = c.moves * line + c.tool_downs * wide{tool_down_line.size()} +
                      c.nets * wide{tool_up_line.size() + 4} + c.record_bytes;
    const wide bytes = c.leading_moves * line + wide{p.columns} * p.rows * copy + xy_trailer.size();
    return bytes <= std::numeric_limits<std::int64_t>::max();
}

point step_with_gap(const extent &e, std::int64_t gap)
{
    if (e.empty)
        return {gap, gap};
    return {e.max_x - e.min_x + gap, e.max_y - e.min_y + gap};
}

bool panel_extent(const extent &e, const panel &p, extent &whole)
{
    if (e.empty) {
        whole = e;
        return true;
    }
    const wide x_span = wide{p.step.x} * (p.columns - 1), y_span = wide{p.step.y} * (p.rows - 1);
    const wide low_x = e.min_x + std::min<wide>(x_span, 0),
               high_x = e.max_x + std::max<wide>(x_span, 0);
    const wide low_y = e.min_y + std::min<wide>(y_span, 0),
               high_y = e.max_y + std::max<wide>(y_span, 0);
    if (!in_range(low_x) || !in_range(high_x) || !in_range(low_y) || !in_range(high_y))
        return false;
    whole = {false, static_cast<std::int64_t>(low_x), static_cast<std::int64_t>(low_y),
             static_cast<std::int64_t>(high_x), static_cast<std::int64_t>(high_y)};
    return true;
}

point copy_shift(const panel &p, std::int64_t k)
{
    return {p.step.x * (k % p.columns), p.step.y * (k / p.columns)};
}

panel most_on(const extent &e, const bed &room, point step)
{
    const std::int64_t width = e.empty ? 0 : e.max_x - e.min_x;
    const std::int64_t height = e.empty ? 0 : e.max_y - e.min_y;
    return {copies_along(room.width, width, step.x), copies_along(room.height, height, step.y),
            step};
}

point copies_overlap(const extent &e, const panel &p)
{
    if (e.empty)
        return {0, 0};
    const std::int64_t width = e.max_x - e.min_x, height = e.max_y - e.min_y;
    return {p.columns > 1 ? std::max<std::int64_t>(width - p.step.x, 0) : 0,
            p.rows > 1 ? std::max<std::int64_t>(height - p.step.y, 0) : 0};
}

pass_end measure_job(std::FILE *in, const placement &how, measured &m, coordinates_reader &r,
                     xy_unit &unit)
{
    placement turn_only = how, turned = how;
    turn_only.shift = turned.shift = {0, 0};
    turned.quarter_turns = (how.quarter_turns + 1) % 4;
    m = measured{no_extent, no_extent, {}};
    job_content &c = m.content;
    return walk(in, r, unit, [&](const xy_unit &u, bool before_nets) {
        point a{u.x, u.y}, b{u.x, u.y};
        c.leading_moves += u.kind == unit_kind::move && before_nets;
        c.moves += u.kind == unit_kind::move && !before_nets;
        c.tool_downs += u.kind == unit_kind::tool_down;
        c.nets += u.kind == unit_kind::net;
        if (u.kind == unit_kind::net)
            c.record_bytes += static_cast<std::int64_t>(u.record_length);
        if (u.kind == unit_kind::move && !(place(turn_only, a) && place(turned, b)))
            return false;
        if (u.kind == unit_kind::move) {
            take_in(m.as_placed, a);
            take_in(m.turned, b);
        }
        return true;
    });
}
