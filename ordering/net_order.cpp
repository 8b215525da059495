// The ordering works on the ends of the groups' strokes: end 2g is the start of group g,
// end 2g + 1 its end. Nearest ends are found in a grid of square cells. The tour is an
// array of groups behind a fixed anchor; a reversal of a run of it is the one way it
// changes, which also turns every group in the run round.
#include "net_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <limits>

namespace {

constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

// Ends near each end that the local search looks at.
constexpr std::size_t neighbour_count = 8;

// Longest run the local search reverses, so that a few far moves cannot make it slow.
constexpr std::size_t longest_reversal = 50'000;

// Gains below this many hundredths are rounding, not gains.
constexpr double least_gain = 1e-7;

// A hop as xyview measures it, in output units.
double hop_length(point from, point to)
{
    return std::hypot(static_cast<double>(to.x - from.x), static_cast<double>(to.y - from.y)) / 100;
}

double distance(point a, point b)
{
    const double dx = static_cast<double>(a.x) - static_cast<double>(b.x);
    const double dy = static_cast<double>(a.y) - static_cast<double>(b.y);
    return std::sqrt(dx * dx + dy * dy);
}

point end_point(const ordering_problem &problem, std::size_t end)
{
    const stroke_ends &s = problem.strokes[end / 2];
    return end & 1 ? s.end : s.start;
}

std::int64_t floor_div(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && a < 0);
}

// Ends sorted by cell, each cell holding the ends from first[c] to first[c] + live[c].
struct end_grid {
    std::int64_t min_x, min_y, cell;
    std::int64_t columns, rows;
    std::vector<std::uint32_t> first, live, ends, place;
};

std::int64_t column_of(const end_grid &g, point p)
{
    return floor_div(p.x - g.min_x, g.cell);
}

std::int64_t row_of(const end_grid &g, point p)
{
    return floor_div(p.y - g.min_y, g.cell);
}

std::size_t cell_of(const end_grid &g, point p)
{
    const std::int64_t column = std::clamp<std::int64_t>(column_of(g, p), 0, g.columns - 1);
    const std::int64_t row = std::clamp<std::int64_t>(row_of(g, p), 0, g.rows - 1);
    return static_cast<std::size_t>(row * g.columns + column);
}

// A grid of about two of the given ends to a cell.
end_grid grid_of(const ordering_problem &problem, const std::vector<std::uint32_t> &ends)
{
    end_grid g{};
    point low = end_point(problem, ends[0]), high = low;
    for (const std::uint32_t end : ends) {
        const point p = end_point(problem, end);
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
    const double width = static_cast<double>(high.x - low.x) + 1;
    const double height = static_cast<double>(high.y - low.y) + 1;
    const double cells = std::max(1.0, static_cast<double>(ends.size()) / 2);
    // Square cells, unless the ends lie along a line, where the cells line up along it.
    const double side =
        std::max(std::sqrt(width * height / cells), std::max(width, height) / cells);
    g.min_x = low.x;
    g.min_y = low.y;
    g.cell = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(side)));
    g.columns = (high.x - low.x) / g.cell + 1;
    g.rows = (high.y - low.y) / g.cell + 1;
    const std::size_t count = static_cast<std::size_t>(g.columns * g.rows);
    g.first.assign(count + 1, 0);
    g.live.assign(count, 0);
    for (const std::uint32_t end : ends)
        ++g.live[cell_of(g, end_point(problem, end))];
    for (std::size_t c = 0; c < count; ++c)
        g.first[c + 1] = g.first[c] + g.live[c];
    g.ends.resize(ends.size());
    g.place.assign(2 * problem.strokes.size(), none);
    std::vector<std::uint32_t> filled(count, 0);
    for (const std::uint32_t end : ends) {
        const std::size_t c = cell_of(g, end_point(problem, end));
        const std::uint32_t at = g.first[c] + filled[c]++;
        g.ends[at] = end;
        g.place[end] = at;
    }
    return g;
}

void remove_end(end_grid &g, const ordering_problem &problem, std::uint32_t end)
{
    if (g.place[end] == none)
        return;
    const std::size_t c = cell_of(g, end_point(problem, end));
    const std::uint32_t last = g.first[c] + --g.live[c];
    const std::uint32_t moved = g.ends[last];
    g.ends[g.place[end]] = moved;
    g.place[moved] = g.place[end];
    g.ends[last] = end;
    g.place[end] = none;
}

// Calls look(end) for the live ends of the grid ring by ring around p, until done(r)
// says that nothing beyond ring r, whose ends are at least r cells away, can matter.
template <typename Look, typename Done>
void search_rings(const end_grid &g, point p, Look look, Done done)
{
    const std::int64_t cx = column_of(g, p), cy = row_of(g, p);
    const std::int64_t nearest_ring =
        std::max({std::int64_t{0}, -cx, cx - (g.columns - 1), -cy, cy - (g.rows - 1)});
    const std::int64_t farthest_ring = std::max(
        {std::abs(cx), std::abs(cx - (g.columns - 1)), std::abs(cy), std::abs(cy - (g.rows - 1))});
    const auto visit_cell = [&](std::int64_t column, std::int64_t row) {
        const std::size_t c = static_cast<std::size_t>(row * g.columns + column);
        for (std::uint32_t at = g.first[c]; at < g.first[c] + g.live[c]; ++at)
            look(g.ends[at]);
    };
    for (std::int64_t r = nearest_ring; r <= farthest_ring; ++r) {
        const std::int64_t left = std::max<std::int64_t>(cx - r, 0);
        const std::int64_t right = std::min(cx + r, g.columns - 1);
        for (const std::int64_t row : {cy - r, cy + r}) {
            if (row >= 0 && row < g.rows)
                for (std::int64_t column = left; column <= right; ++column)
                    visit_cell(column, row);
            if (r == 0)
                break;
        }
        const std::int64_t bottom = std::max<std::int64_t>(cy - r + 1, 0);
        const std::int64_t top = std::min(cy + r - 1, g.rows - 1);
        for (const std::int64_t column : {cx - r, cx + r}) {
            if (r > 0 && column >= 0 && column < g.columns)
                for (std::int64_t row = bottom; row <= top; ++row)
                    visit_cell(column, row);
        }
        if (done(static_cast<double>(r) * static_cast<double>(g.cell)))
            return;
    }
}

// The neighbour_count nearest ends of other groups for every end, nearest first; a
// list is cut short with none when there are fewer.
std::vector<std::uint32_t> neighbours_of(const ordering_problem &problem)
{
    const std::size_t ends = 2 * problem.strokes.size();
    std::vector<std::uint32_t> all(ends);
    for (std::uint32_t end = 0; end < ends; ++end)
        all[end] = end;
    const end_grid g = grid_of(problem, all);
    std::vector<std::uint32_t> lists(ends * neighbour_count, none);
    std::vector<std::pair<double, std::uint32_t>> best;
    for (std::uint32_t end = 0; end < ends; ++end) {
        const point p = end_point(problem, end);
        best.clear();
        search_rings(
            g, p,
            [&](std::uint32_t other) {
                if (other / 2 == end / 2)
                    return;
                const std::pair<double, std::uint32_t> found{distance(p, end_point(problem, other)),
                                                             other};
                if (best.size() == neighbour_count && found >= best.back())
                    return;
                if (best.size() == neighbour_count)
                    best.pop_back();
                best.insert(std::upper_bound(best.begin(), best.end(), found), found);
            },
            [&](double reach) {
                return best.size() == neighbour_count && best.back().first <= reach;
            });
        for (std::size_t i = 0; i < best.size(); ++i)
            lists[end * neighbour_count + i] = best[i].second;
    }
    return lists;
}

// The order as positions: at[0] is the anchor, at[1] to at[n] the groups.
struct tour {
    const ordering_problem *problem;
    std::size_t n;
    std::vector<std::uint32_t> at, place;
    std::vector<unsigned char> turned;
};

std::uint32_t entry_end(const tour &t, std::uint32_t group)
{
    return 2 * group + t.turned[group];
}

std::uint32_t exit_end(const tour &t, std::uint32_t group)
{
    return 2 * group + 1 - t.turned[group];
}

// Where the tool leaves position k, and where it enters position k; null where the
// travel is free: out of an anchor that is not fixed, and into the end of the tour.
const point *exit_of(const tour &t, std::size_t k, point &room)
{
    if (k == 0)
        return t.problem->anchored ? &t.problem->anchor : nullptr;
    room = end_point(*t.problem, exit_end(t, t.at[k]));
    return &room;
}

const point *entry_of(const tour &t, std::size_t k, point &room)
{
    if (k > t.n)
        return nullptr;
    room = end_point(*t.problem, entry_end(t, t.at[k]));
    return &room;
}

double gap(const point *from, const point *to)
{
    return from && to ? distance(*from, *to) : 0;
}

double link(const tour &t, std::size_t k)
{
    point a, b;
    return gap(exit_of(t, k, a), entry_of(t, k + 1, b));
}

// Reverses the groups at positions from to to, turning each round.
void reverse(tour &t, std::size_t from, std::size_t to)
{
    std::reverse(t.at.begin() + static_cast<std::ptrdiff_t>(from),
                 t.at.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    for (std::size_t k = from; k <= to; ++k) {
        t.turned[t.at[k]] ^= 1;
        t.place[t.at[k]] = static_cast<std::uint32_t>(k);
    }
}

// The gain of reversing positions i + 1 to j, 0 <= i < j <= n.
double two_opt_gain(const tour &t, std::size_t i, std::size_t j)
{
    point a, b, c, d;
    return link(t, i) + link(t, j) - gap(exit_of(t, i, a), exit_of(t, j, b)) -
           gap(entry_of(t, i + 1, c), entry_of(t, j + 1, d));
}

// The gain of moving positions s to e between positions k and k + 1 (k outside s - 1 to
// e), turned round when turned is true.
double or_opt_gain(const tour &t, std::size_t s, std::size_t e, std::size_t k, bool turned)
{
    point a, b, c, d, f, h;
    const double removed = link(t, s - 1) + link(t, e) + link(t, k);
    const double closed = gap(exit_of(t, s - 1, a), entry_of(t, e + 1, b));
    const point *first = turned ? exit_of(t, e, c) : entry_of(t, s, c);
    const point *last = turned ? entry_of(t, s, d) : exit_of(t, e, d);
    return removed - closed - gap(exit_of(t, k, f), first) - gap(last, entry_of(t, k + 1, h));
}

void or_opt(tour &t, std::size_t s, std::size_t e, std::size_t k, bool turned)
{
    const std::size_t length = e - s + 1;
    if (k > e) {
        reverse(t, s, k);
        reverse(t, s, k - length);
        if (!turned)
            reverse(t, k - length + 1, k);
    } else {
        reverse(t, k + 1, e);
        if (!turned)
            reverse(t, k + 1, k + length);
        reverse(t, k + length + 1, e);
    }
}

struct local_search {
    tour t;
    std::vector<std::uint32_t> neighbours;
    std::deque<std::uint32_t> queue;
    std::vector<unsigned char> queued;
};

void wake(local_search &s, std::uint32_t group)
{
    if (group != none && !s.queued[group]) {
        s.queued[group] = 1;
        s.queue.push_back(group);
    }
}

// The group at position k, or none for the anchor and past the end.
std::uint32_t group_at(const tour &t, std::size_t k)
{
    return k == 0 || k > t.n ? none : t.at[k];
}

// Queues the groups on both sides of the links after positions a, b and c, which a move
// is about to change.
void wake_links(local_search &s, std::initializer_list<std::size_t> links)
{
    std::uint32_t groups[6];
    std::size_t count = 0;
    for (const std::size_t k : links) {
        groups[count++] = group_at(s.t, k);
        groups[count++] = group_at(s.t, k + 1);
    }
    for (std::size_t i = 0; i < count; ++i)
        wake(s, groups[i]);
}

bool try_two_opt(local_search &s, std::size_t i, std::size_t j)
{
    if (j - i > longest_reversal || two_opt_gain(s.t, i, j) <= least_gain)
        return false;
    wake_links(s, {i, j});
    reverse(s.t, i + 1, j);
    return true;
}

bool try_or_opt(local_search &s, std::size_t first, std::size_t last, std::size_t k, bool turned)
{
    if ((k + 1 >= first && k <= last) ||
        std::max(k, last) - std::min(k, first) > longest_reversal ||
        or_opt_gain(s.t, first, last, k, turned) <= least_gain)
        return false;
    wake_links(s, {first - 1, last, k});
    or_opt(s.t, first, last, k, turned);
    return true;
}

// Looks for a move that gives the group at position p a link from its exit (or into its
// entry) to one of the ends near it, and makes the first that shortens the travel.
bool improve_at(local_search &s, std::uint32_t group, bool at_exit)
{
    tour &t = s.t;
    const std::size_t p = t.place[group];
    const std::uint32_t own = at_exit ? exit_end(t, group) : entry_end(t, group);
    const double current = link(t, at_exit ? p : p - 1);
    const point here = end_point(*t.problem, own);
    const bool reversible = t.problem->reversible;
    for (std::size_t i = 0; i < neighbour_count; ++i) {
        const std::uint32_t other = s.neighbours[own * neighbour_count + i];
        if (other == none || distance(here, end_point(*t.problem, other)) >= current)
            return false;
        const std::uint32_t near = other / 2;
        const std::size_t q = t.place[near];
        const bool near_exit = other == exit_end(t, near);
        if (at_exit && near_exit) {
            if (reversible && try_two_opt(s, std::min(p, q), std::max(p, q)))
                return true;
            for (std::size_t length = 1; reversible && length <= 3 && length <= p; ++length)
                if (try_or_opt(s, p - length + 1, p, q, true))
                    return true;
        } else if (at_exit) {
            for (std::size_t length = 1; length <= 3 && length <= p; ++length)
                if (try_or_opt(s, p - length + 1, p, q - 1, false))
                    return true;
        } else if (!near_exit) {
            if (reversible && try_two_opt(s, std::min(p, q) - 1, std::max(p, q) - 1))
                return true;
            for (std::size_t length = 1; reversible && length <= 3 && p + length - 1 <= t.n;
                 ++length)
                if (try_or_opt(s, p, p + length - 1, q - 1, true))
                    return true;
        } else {
            for (std::size_t length = 1; length <= 3 && p + length - 1 <= t.n; ++length)
                if (try_or_opt(s, p, p + length - 1, q, false))
                    return true;
        }
    }
    return false;
}

} // namespace

ordering_problem problem_of(const job_blocks &job, bool reversible)
{
    ordering_problem problem{};
    problem.reversible = reversible;
    for (const net_group &group : job.groups) {
        const net_block &net = job.nets[group.first_net];
        problem.strokes.push_back(
            {job.moves[net.first_move], job.moves[net.first_move + net.move_count - 1]});
    }
    problem.anchored = job.leading_moves > 0;
    for (std::size_t move = 1; move < job.leading_moves; ++move)
        problem.leading_idle += hop_length(job.moves[move - 1], job.moves[move]);
    if (problem.anchored)
        problem.anchor = job.moves[job.leading_moves - 1];
    return problem;
}

double idle_travel(const ordering_problem &problem, const std::vector<visit> &order)
{
    double travel = problem.leading_idle;
    bool placed = problem.anchored;
    point at = problem.anchor;
    for (const visit &v : order) {
        const stroke_ends &s = problem.strokes[v.group];
        if (placed)
            travel += hop_length(at, v.reversed ? s.end : s.start);
        at = v.reversed ? s.start : s.end;
        placed = true;
    }
    return travel;
}

point first_point(const ordering_problem &problem)
{
    return problem.anchored || problem.strokes.empty() ? problem.anchor : problem.strokes[0].start;
}

std::vector<visit> greedy_order(const ordering_problem &problem, point from)
{
    const std::size_t n = problem.strokes.size();
    std::vector<visit> order;
    if (n == 0)
        return order;
    std::vector<std::uint32_t> ends;
    for (std::uint32_t end = 0; end < 2 * n; ++end)
        if (problem.reversible || end % 2 == 0)
            ends.push_back(end);
    end_grid g = grid_of(problem, ends);
    point at = from;
    for (std::size_t step = 0; step < n; ++step) {
        std::pair<double, std::uint32_t> best{std::numeric_limits<double>::infinity(), none};
        search_rings(
            g, at,
            [&](std::uint32_t end) {
                best = std::min(best, {distance(at, end_point(problem, end)), end});
            },
            [&](double reach) { return best.first <= reach; });
        const std::uint32_t group = best.second / 2;
        remove_end(g, problem, 2 * group);
        remove_end(g, problem, 2 * group + 1);
        order.push_back({group, (best.second & 1) != 0});
        at = best.second & 1 ? problem.strokes[group].start : problem.strokes[group].end;
    }
    return order;
}

std::vector<visit> improved_order(const ordering_problem &problem, std::vector<visit> order)
{
    const std::size_t n = order.size();
    if (n < 2)
        return order;
    local_search s{};
    s.t = {&problem, n, std::vector<std::uint32_t>(n + 1, none), std::vector<std::uint32_t>(n),
           std::vector<unsigned char>(n)};
    for (std::size_t k = 1; k <= n; ++k) {
        s.t.at[k] = order[k - 1].group;
        s.t.place[order[k - 1].group] = static_cast<std::uint32_t>(k);
        s.t.turned[order[k - 1].group] = order[k - 1].reversed;
    }
    s.neighbours = neighbours_of(problem);
    s.queued.assign(n, 0);
    for (std::size_t k = 1; k <= n; ++k)
        wake(s, s.t.at[k]);
    while (!s.queue.empty()) {
        const std::uint32_t group = s.queue.front();
        s.queue.pop_front();
        s.queued[group] = 0;
        if (improve_at(s, group, true) || improve_at(s, group, false))
            wake(s, group);
    }
    for (std::size_t k = 1; k <= n; ++k)
        order[k - 1] = {s.t.at[k], s.t.turned[s.t.at[k]] != 0};
    return order;
}

std::vector<visit> short_order(const ordering_problem &problem)
{
    point from = first_point(problem);
    // A free start begins at a corner, from which the greedy order sweeps the board rather
    // than leaving its far side for last.
    for (const stroke_ends &s : problem.strokes)
        if (!problem.anchored && s.start.x + s.start.y < from.x + from.y)
            from = s.start;
    return improved_order(problem, greedy_order(problem, from));
}
