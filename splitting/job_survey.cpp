// Every pass walks the job's units once, checked against trace2xy's layout, and learns of a
// net's end at the boundary before the next net's header (or the trailer): there the Tool Up
// that ends the net has been read, so a part that ends there is summed up exactly as its own
// file, whose trailer raises the tool instead, and the head is at rest.
#include "job_survey.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Calls each(unit, net) for every unit, net the number of the net it belongs to (0 for the
// moves before the first), and before each net's header and before the trailer
// boundary(next, end, start): next the number of the net that begins (nets + 1 at the
// trailer), end where the net before ends in the file (before the Tool Up that raises the
// tool for the next), start where the header or the trailer begins.
template <typename Each, typename Boundary>
pass_end walk_nets(std::FILE *in, coordinates_reader &r, xy_unit &unit, Each each,
                   Boundary boundary)
{
    std::int64_t net = 0, tool_up_at = -1;
    return walk(in, r, unit, [&](const xy_unit &u, bool) {
        if (u.kind == unit_kind::net || u.kind == unit_kind::trailer)
            boundary(net + 1, tool_up_at >= 0 ? tool_up_at : r.unit_offset, r.unit_offset);
        net += u.kind == unit_kind::net;
        tool_up_at = u.kind == unit_kind::tool_up ? r.unit_offset : -1;
        each(u, net);
        return true;
    });
}

void start_tally(tally &t, const motion_model &m)
{
    start_plotting(t.pen);
    start_timing(t.timer, m);
    t.timing = m.speed > 0;
}

void tally_unit(tally &t, const xy_unit &unit)
{
    plot(t.pen, unit);
    if (t.timing)
        time_plotted(t.timer, t.pen, unit);
}

// Writes into f what t sums to were its part's file to end here.
void take_figures(figures &f, const tally &t)
{
    f.job = t.pen.job;
    // Between nets the head is at rest, with nothing left to time.
    if (!t.timing || t.timer.run.empty()) {
        f.time = t.timer.time;
        return;
    }
    motion_timer done = t.timer;
    f.time = finish_timing(done);
}

figures figures_of(const tally &t)
{
    figures f;
    take_figures(f, t);
    return f;
}

// Sums up the net in the bytes [from, to) of in, counted from origin, as t, as the file of
// a part that begins with it would sum up. The pass has read past the net by then, so it
// reads the net again and puts in back where it stood; false when in could not be moved.
bool tally_alone(std::FILE *in, std::int64_t origin, std::int64_t from, std::int64_t to,
                 const motion_model &m, tally &t)
{
    const off_t here = ftello(in);
    if (here < 0 || fseeko(in, origin + from, SEEK_SET) != 0)
        return false;
    coordinates_reader again;
    xy_unit unit;
    start_reading(again, in);
    start_tally(t, m);
    read_result result;
    while ((result = read_unit(again, unit)) == read_result::unit && again.unit_offset < to - from)
        tally_unit(t, unit);
    return fseeko(in, here, SEEK_SET) == 0 && result == read_result::unit;
}

// Whether a part's time or length passes a limit that an operator gave. A sum that meets the
// limit but for its last bits, as 0.1 + 0.1 + 0.1 meets 0.3, does not pass it.
bool passes(double sum, double limit)
{
    return sum > limit * (1 + 1e-12);
}

// How far at lies from the segment from a to b, in hundredths.
double distance_to(point at, point a, point b)
{
    const double dx = static_cast<double>(b.x - a.x), dy = static_cast<double>(b.y - a.y);
    const double px = static_cast<double>(at.x - a.x), py = static_cast<double>(at.y - a.y);
    const double squared = dx * dx + dy * dy;
    const double t = squared > 0 ? std::clamp((px * dx + py * dy) / squared, 0.0, 1.0) : 0;
    return std::hypot(px - t * dx, py - t * dy);
}

// A part opened at net first, from byte from of the file.
void open_part(std::vector<part_span> &parts, std::int64_t first, std::int64_t from)
{
    parts.push_back(part_span{.first_net = first,
                              .last_net = first - 1,
                              .first_name = {},
                              .last_name = {},
                              .from = from,
                              .to = from,
                              .of = {},
                              .lone = false});
}

// Ends the last part with the net before next, at byte end, summed up as of.
void close_part(std::vector<part_span> &parts, std::int64_t next, std::int64_t end,
                const figures &of, const std::string &last_name)
{
    part_span &p = parts.back();
    p.last_net = next - 1;
    p.to = end;
    p.of = of;
    if (p.last_net >= p.first_net)
        p.last_name = last_name;
}

} // namespace

double measure(const figures &f, bool timed)
{
    return timed ? f.time.drawing + f.time.travel + f.time.tool : f.job.pen_down_length;
}

pass_end locate_nets(std::FILE *in, where *wheres, std::size_t count, double near,
                     const motion_model &m, job_facts &facts, coordinates_reader &r, xy_unit &unit)
{
    tally job;
    start_tally(job, m);
    const double far = std::numeric_limits<double>::infinity();
    double best[2] = {far, far}, here[2] = {far, far};
    const auto boundary = [&](std::int64_t next, std::int64_t, std::int64_t) {
        const figures now = figures_of(job);
        for (std::size_t k = 0; k < count; ++k) {
            where &w = wheres[k];
            const bool timed = w.kind == where_kind::time;
            if (next > 1 && (timed || w.kind == where_kind::length) &&
                passes(measure(now, timed), w.value))
                w = where{.kind = where_kind::net, .net = next - 1, .value = 0, .at = {}};
            if (w.kind == where_kind::point && next > 1 && here[k] < best[k]) {
                best[k] = here[k];
                w.net = next - 1;
            }
            here[k] = far;
        }
    };
    const auto each = [&](const xy_unit &u, std::int64_t) {
        const point from{job.pen.x, job.pen.y};
        for (std::size_t k = 0; k < count; ++k)
            if (wheres[k].kind == where_kind::point &&
                ((u.kind == unit_kind::move && job.pen.tool_down) ||
                 u.kind == unit_kind::tool_down))
                here[k] = std::min(here[k],
                                   distance_to(wheres[k].at, from,
                                               u.kind == unit_kind::move ? point{u.x, u.y} : from));
        tally_unit(job, u);
    };
    for (std::size_t k = 0; k < count; ++k)
        if (wheres[k].kind == where_kind::point)
            wheres[k].net = 0;
    const pass_end end = walk_nets(in, r, unit, each, boundary);
    facts.nets = job.pen.job.nets;
    facts.whole = figures_of(job);
    facts.nearest = -1;
    for (std::size_t k = 0; k < count; ++k) {
        where &w = wheres[k];
        if (w.kind == where_kind::point) {
            facts.nearest = best[k] < far ? best[k] / 100 : -1;
            w = where{.kind = where_kind::net,
                      .net =
                          w.net > 0 && best[k] <= near * 100 * (1 + 1e-12) ? w.net : facts.nets + 1,
                      .value = 0,
                      .at = w.at};
        } else if (w.kind == where_kind::time || w.kind == where_kind::length) {
            w = where{.kind = where_kind::net, .net = facts.nets + 1, .value = 0, .at = {}};
        }
    }
    return end;
}

pass_end survey_parts(std::FILE *in, const std::vector<std::int64_t> &starts, std::int64_t end_net,
                      const motion_model &m, std::vector<part_span> &parts, job_facts &facts,
                      coordinates_reader &r, xy_unit &unit)
{
    parts.clear();
    tally part;
    start_tally(part, m);
    std::size_t next_start = 0;
    bool open = false;
    std::string name;
    if (!starts.empty() && starts[0] == 1) {
        open_part(parts, 1, 0);
        open = true;
        next_start = 1;
    }
    const auto boundary = [&](std::int64_t next, std::int64_t end, std::int64_t start) {
        const bool starts_here = next_start < starts.size() && starts[next_start] == next;
        const bool trailer = unit.kind == unit_kind::trailer;
        if (open && (starts_here || next == end_net || trailer)) {
            close_part(parts, next, end, figures_of(part), name);
            open = false;
        }
        if (starts_here && next < end_net && !trailer) {
            open_part(parts, next, start);
            start_tally(part, m);
            open = true;
            ++next_start;
        }
    };
    std::int64_t nets = 0;
    const auto each = [&](const xy_unit &u, std::int64_t net) {
        nets = net;
        if (u.kind == unit_kind::net) {
            name = u.net;
            if (open && net == parts.back().first_net)
                parts.back().first_name = name;
        }
        if (open)
            tally_unit(part, u);
    };
    const pass_end end = walk_nets(in, r, unit, each, boundary);
    facts.nets = nets;
    return end;
}

pass_end survey_sittings(std::FILE *in, double limit, bool timed, const motion_model &m,
                         std::vector<part_span> &parts, job_facts &facts, coordinates_reader &r,
                         xy_unit &unit)
{
    // The part so far, and the part as it stood before its last net, which it goes back to
    // when the net would take it past the limit; the net then opens a part of its own.
    tally part;
    start_tally(part, m);
    // The figures at this boundary and the one before, written in turn rather than copied:
    // a copy at every net waits on the stores that have just written them.
    figures at[2]{};
    int before = 0;
    std::int64_t end_before = 0, net_start = 0, nets = 0;
    const std::int64_t origin = ftello(in);
    bool read_again = origin >= 0;
    std::string name, name_before;
    parts.clear();
    open_part(parts, 1, 0);
    const auto boundary = [&](std::int64_t next, std::int64_t end, std::int64_t start) {
        figures &now = at[1 - before];
        take_figures(now, part);
        if (next > 1 && next - 1 > parts.back().first_net && passes(measure(now, timed), limit)) {
            close_part(parts, next - 1, end_before, at[before], name_before);
            open_part(parts, next - 1, net_start);
            parts.back().first_name = name;
            read_again = read_again && tally_alone(in, origin, net_start, start, m, part);
            take_figures(now, part);
        }
        parts.back().lone =
            next > 1 && next - 1 == parts.back().first_net && passes(measure(now, timed), limit);
        before = 1 - before;
        end_before = end;
        name_before.swap(name); // name is the next net's once its header is read
        net_start = start;
    };
    const auto each = [&](const xy_unit &u, std::int64_t net) {
        nets = net;
        if (u.kind == unit_kind::net) {
            name = u.net;
            if (net == parts.back().first_net)
                parts.back().first_name = name;
        }
        tally_unit(part, u);
    };
    const pass_end end = walk_nets(in, r, unit, each, boundary);
    close_part(parts, nets + 1, end_before, at[before], name_before);
    facts.nets = nets;
    if (!read_again && end.result == read_result::finished)
        return {read_result::failed, false, false};
    return end;
}

pass_end survey_costs(std::FILE *in, bool timed, const motion_model &m,
                      std::vector<net_cost> &costs, job_facts &facts, coordinates_reader &r,
                      xy_unit &unit)
{
    tally job;
    start_tally(job, m);
    costs.clear();
    figures before{};
    const auto boundary = [&](std::int64_t next, std::int64_t, std::int64_t) {
        // The moves before the first net go with it, as the first part takes them; that
        // part leaves no travel out, since the job's own first move only places the tool.
        if (next == 1)
            return;
        const figures now = figures_of(job);
        costs.push_back({.total = measure(now, timed) - measure(before, timed),
                         .travel = timed && next > 2 ? now.time.travel - before.time.travel : 0});
        before = now;
    };
    const auto each = [&](const xy_unit &u, std::int64_t) { tally_unit(job, u); };
    const pass_end end = walk_nets(in, r, unit, each, boundary);
    facts.nets = static_cast<std::int64_t>(costs.size());
    facts.whole = figures_of(job);
    return end;
}
