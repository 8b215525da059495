// Every change to the tour goes through here, so that the journal holds it. A change that
// the list makes on the rest of the tour reads the tour the other way round, which the
// direction a move reads in follows.
#include "tour_view.h"

#include <algorithm>
#include <cmath>

// The longest run that a change moves as a run rather than by relinking segments.
constexpr std::uint32_t longest_moved_run = 8;

search search_over(const node_ends &e, const std::vector<std::uint32_t> &neighbours)
{
    double extent = 0;
    for (std::uint32_t end = 2; end < end_count(e); ++end)
        extent = std::max({extent, std::abs(place_of(e, end).x), std::abs(place_of(e, end).y)});
    const std::size_t nodes = e.turnable.size();
    return search{.e = e,
                  .neighbours = neighbours,
                  .least_gain = 1e-7 + 1e-12 * extent,
                  .t = {},
                  .queue = std::vector<std::uint32_t>(nodes),
                  .queue_head = 0,
                  .queue_size = 0,
                  .queued = std::vector<unsigned char>(nodes),
                  .journal = {},
                  .journaling = false,
                  .gained = 0,
                  .looks = 0};
}

namespace {

bool reverse_logged(search &s, std::uint32_t a, std::uint32_t b)
{
    if (s.journaling)
        s.journal.push_back({.kind = change::reversed,
                             .a = a,
                             .b = b,
                             .c = tour_prev(s.t, a),
                             .d = tour_next(s.t, b)});
    return reverse_path(s.t, a, b);
}

} // namespace

void flip(search &s, std::uint32_t a, std::uint32_t b, int &dir)
{
    if (dir ? reverse_logged(s, b, a) : reverse_logged(s, a, b))
        dir ^= 1;
}

namespace {

// Whether the run from first forward to last holds at most longest_moved_run nodes.
bool is_short(const search &s, std::uint32_t first, std::uint32_t last)
{
    std::uint32_t v = first;
    for (std::uint32_t k = 1; k < longest_moved_run && v != last; ++k)
        v = tour_next(s.t, v);
    return v == last;
}

// Moves the short run from first forward to last behind after, in the journal when it
// is kept.
bool move_logged(search &s, std::uint32_t first, std::uint32_t last, std::uint32_t after)
{
    const std::uint32_t before = tour_prev(s.t, first);
    if (before == after)
        return true;
    if (!move_run(s.t, first, last, after))
        return false;
    if (s.journaling)
        s.journal.push_back(
            {.kind = change::moved, .a = first, .b = last, .c = before, .d = after});
    return true;
}

// Exchanges the run x1 to x2 with the run y1 to y2 that follows it, in the list's own
// order, keeping every node's direction: a short run is moved, two long runs relinked,
// and on a small tour three reversals do it. Returns whether the tour then reads the
// other way round, as the reversals may leave it.
bool exchange(search &s, std::uint32_t x1, std::uint32_t x2, std::uint32_t y1, std::uint32_t y2)
{
    if (is_short(s, y1, y2) && move_logged(s, y1, y2, tour_prev(s.t, x1)))
        return false;
    if (is_short(s, x1, x2) && move_logged(s, x1, x2, y2))
        return false;
    if (exchange_runs(s.t, x1, x2, y1, y2)) {
        if (s.journaling)
            s.journal.push_back({.kind = change::exchanged, .a = x1, .b = x2, .c = y1, .d = y2});
        return false;
    }
    int dir = 0;
    flip(s, x1, y2, dir);
    flip(s, y2, y1, dir);
    flip(s, x2, x1, dir);
    return dir != 0;
}

} // namespace

void swap_runs(search &s, std::uint32_t a2, std::uint32_t b1, std::uint32_t b2, std::uint32_t c1,
               int &dir)
{
    // Read backwards, the runs stand the other way round in the list.
    const bool turned = dir ? exchange(s, c1, b2, b1, a2) : exchange(s, a2, b1, b2, c1);
    dir ^= static_cast<int>(turned);
}

// A reversal may have been made on the rest of the tour, which reads the tour the other
// way round, so each change is found as it stands, read either way.
void undo_journal(search &s)
{
    const bool journaling = s.journaling;
    s.journaling = false;
    for (std::size_t k = s.journal.size(); k-- > 0;) {
        const auto [kind, a, b, c, d] = s.journal[k];
        if (kind == change::reversed && tour_next(s.t, c) == b)
            reverse_path(s.t, b, a);
        else if (kind == change::reversed)
            reverse_path(s.t, a, b);
        // The run a to b stands behind d, or read the other way, b to a in front of it.
        else if (kind == change::moved && tour_next(s.t, d) == a)
            exchange(s, tour_next(s.t, c), tour_prev(s.t, a), a, b);
        else if (kind == change::moved)
            exchange(s, b, a, tour_next(s.t, a), tour_prev(s.t, c));
        // The run c to d stands in front of a to b, or read the other way, b to a in
        // front of d to c.
        else if (tour_next(s.t, d) == a)
            exchange(s, c, d, a, b);
        else
            exchange(s, b, a, d, c);
    }
    s.journal.clear();
    s.journaling = journaling;
}
