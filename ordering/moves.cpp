// Each move's gain is the links it takes out less the links it puts in, in the order the
// search has always summed them, so that the same job gives the same tour. Runs are at
// most three nodes long; a longer run moved is the reversal of the rest.
#include "moves.h"

hop_try hop_to(const search &s, std::uint32_t from, std::uint32_t reached, int dir)
{
    const std::uint32_t to = reached / 2;
    return {from,
            next_of(s, from, dir),
            reached,
            to,
            next_of(s, to, dir),
            prev_of(s, to, dir),
            link_after(s, from, dir) - gap(s.e, exit_of(s, from, dir), reached),
            dir};
}

bool reverse_run(search &s, hop_try h)
{
    if (!s.e.symmetric ||
        !accept(s, h.gain + link_after(s, h.to, h.dir) -
                       gap(s.e, entry_of(s, h.from_next, h.dir), entry_of(s, h.to_next, h.dir))))
        return false;
    flip(s, h.from_next, h.to, h.dir);
    wake_all(s, {h.from, h.from_next, h.to, h.to_next});
    return true;
}

namespace {

// Moves a run of up to three turnable nodes ending at one node of the hop, turned, between
// the other node and the one after it: the run ends at to, or at from when at_from.
bool move_turned_run(search &s, hop_try h, bool at_from)
{
    const node_ends &e = s.e;
    const std::uint32_t last = at_from ? h.from : h.to,
                        last_next = at_from ? h.from_next : h.to_next;
    const std::uint32_t other = at_from ? h.to : h.from,
                        other_next = at_from ? h.to_next : h.from_next;
    for (std::uint32_t first = last, length = 1; length <= 3; ++length) {
        ++s.looks;
        if (!e.turnable[first] || first == other || first == other_next)
            return false;
        const std::uint32_t before = prev_of(s, first, h.dir);
        if (accept(s, h.gain + link_after(s, before, h.dir) + link_after(s, h.to, h.dir) -
                          gap(e, exit_of(s, before, h.dir), entry_of(s, last_next, h.dir)) -
                          gap(e, entry_of(s, first, h.dir), entry_of(s, other_next, h.dir)))) {
            if (at_from) {
                flip(s, first, h.to, h.dir);
                flip(s, h.to, h.from_next, h.dir);
                wake_all(s, {before, first, h.from, h.from_next, h.to, h.to_next});
            } else {
                flip(s, h.from_next, h.to, h.dir);
                flip(s, before, h.from_next, h.dir);
                wake_all(s, {h.from, h.from_next, before, first, h.to, h.to_next});
            }
            return true;
        }
        first = before;
    }
    return false;
}

} // namespace

bool turn_run_from_to(search &s, hop_try h)
{
    return move_turned_run(s, h, false);
}

bool turn_run_from_from(search &s, hop_try h)
{
    return move_turned_run(s, h, true);
}

namespace {

// A near end that the second hop of a move reaches: as listed, its node, the end reached,
// and what the move gains up to there.
struct near_end {
    std::uint32_t listed, node, end;
    double gain;
};

// Hands try_one the near ends of end, nearest first, reached at their exits or entries as
// at_exit says, each with gain less the hop to it, while that is above rounding; returns
// whether try_one made a move.
template <typename Try>
bool each_near_end(search &s, std::uint32_t end, bool at_exit, int dir, double gain, Try try_one)
{
    const node_ends &e = s.e;
    for (std::size_t j = 0; j < listed_count(e); ++j) {
        ++s.looks;
        const std::uint32_t listed = s.neighbours[list_of(e, end) + j];
        if (listed == none)
            return false;
        const std::uint32_t reached_end = reached(s, listed, at_exit, dir);
        const double left = gain - gap(e, end, reached_end);
        if (left <= s.least_gain)
            return false;
        if (try_one(near_end{listed, listed / 2, reached_end, left}))
            return true;
    }
    return false;
}

// What a move gains when the link after the near end's node gives way to a hop between
// the entries of node and of the node after it.
double gain_turning(const search &s, const near_end &third, std::uint32_t node, int dir)
{
    return third.gain + link_after(s, third.node, dir) -
           gap(s.e, entry_of(s, node, dir), entry_of(s, next_of(s, third.node, dir), dir));
}

} // namespace

bool reverse_twice(search &s, hop_try h)
{
    const node_ends &e = s.e;
    if (!e.symmetric)
        return false;
    const double gain = h.gain + link_after(s, h.to, h.dir);
    const std::uint32_t next_entry = entry_of(s, h.from_next, h.dir);
    if (is_free(e, next_entry))
        return false;
    return each_near_end(s, next_entry, true, h.dir, gain, [&](const near_end &third) {
        if (third.end != exit_of(s, third.node, h.dir) || third.node == h.from ||
            !on_path(s, h.to_next, third.node, h.from, h.dir))
            return false;
        const std::uint32_t third_next = next_of(s, third.node, h.dir);
        if (!accept(s, gain_turning(s, third, h.to_next, h.dir)))
            return false;
        flip(s, h.from_next, h.to, h.dir);
        flip(s, h.to_next, third.node, h.dir);
        wake_all(s, {h.from, h.from_next, h.to, h.to_next, third.node, third_next});
        return true;
    });
}

bool move_run_after(search &s, hop_try h)
{
    const node_ends &e = s.e;
    const double to_prev_link = link_after(s, h.to_prev, h.dir);
    for (std::uint32_t last = h.to, length = 1; length <= 3 && last != h.from; ++length) {
        ++s.looks;
        const std::uint32_t after = next_of(s, last, h.dir);
        if (accept(s, h.gain + to_prev_link + link_after(s, last, h.dir) -
                          gap(e, exit_of(s, last, h.dir), entry_of(s, h.from_next, h.dir)) -
                          gap(e, exit_of(s, h.to_prev, h.dir), entry_of(s, after, h.dir)))) {
            swap_runs(s, h.from_next, h.to_prev, h.to, last, h.dir);
            wake_all(s, {h.from, h.from_next, h.to_prev, h.to, last, after});
            return true;
        }
        last = after;
    }
    return false;
}

bool move_run_before(search &s, hop_try h)
{
    const node_ends &e = s.e;
    const double to_prev_link = link_after(s, h.to_prev, h.dir);
    for (std::uint32_t first = h.from, length = 1; length <= 3; ++length) {
        ++s.looks;
        if (first == h.to || first == h.to_prev)
            return false;
        const std::uint32_t before = prev_of(s, first, h.dir);
        if (accept(s, h.gain + link_after(s, before, h.dir) + to_prev_link -
                          gap(e, exit_of(s, before, h.dir), entry_of(s, h.from_next, h.dir)) -
                          gap(e, exit_of(s, h.to_prev, h.dir), entry_of(s, first, h.dir)))) {
            swap_runs(s, first, h.from, h.from_next, h.to_prev, h.dir);
            wake_all(s, {before, first, h.from, h.from_next, h.to_prev, h.to});
            return true;
        }
        first = before;
    }
    return false;
}

bool exchange_near_runs(search &s, hop_try h)
{
    const node_ends &e = s.e;
    const std::uint32_t to_prev_exit = exit_of(s, h.to_prev, h.dir);
    if (is_free(e, to_prev_exit))
        return false;
    const double gain = h.gain + link_after(s, h.to_prev, h.dir);
    return each_near_end(s, to_prev_exit, false, h.dir, gain, [&](const near_end &third) {
        if (third.node != h.to && third.end == entry_of(s, third.node, h.dir) &&
            on_path(s, h.to_next, third.node, h.from, h.dir)) {
            const std::uint32_t run_last = prev_of(s, third.node, h.dir);
            if (accept(s,
                       third.gain + link_after(s, run_last, h.dir) -
                           gap(e, exit_of(s, run_last, h.dir), entry_of(s, h.from_next, h.dir)))) {
                swap_runs(s, h.from_next, h.to_prev, h.to, run_last, h.dir);
                wake_all(s, {h.from, h.from_next, h.to_prev, h.to, run_last, third.node});
                return true;
            }
        }
        // Reaching the third node's exit instead: to up to it follows from, then from_next
        // to to_prev turned round.
        const bool either_end = e.shift == 1 && third.listed > 1;
        if (!e.symmetric || third.node == h.from ||
            !(either_end || third.end == exit_of(s, third.node, h.dir)) ||
            !on_path(s, h.to, third.node, h.from, h.dir))
            return false;
        const std::uint32_t third_next = next_of(s, third.node, h.dir);
        if (!accept(s, gain_turning(s, third, h.from_next, h.dir)))
            return false;
        swap_runs(s, h.from_next, h.to_prev, h.to, third.node, h.dir);
        flip(s, h.from_next, h.to_prev, h.dir);
        wake_all(s, {h.from, h.from_next, h.to_prev, h.to, third.node, third_next});
        return true;
    });
}

bool send_to_end(search &s, std::uint32_t from, int dir, double removed)
{
    const node_ends &e = s.e;
    const std::uint32_t last = prev_of(s, 0, dir), from_next = next_of(s, from, dir);
    if (from == 0 || last == from || !is_free(e, entry_of(s, 0, dir)))
        return false;
    bool turnable = true;
    for (std::uint32_t first = from, length = 1; length <= 3; ++length) {
        ++s.looks;
        if (first == 0 || first == last)
            return false;
        turnable = turnable && e.turnable[first];
        const std::uint32_t before = prev_of(s, first, dir);
        const double kept = removed + link_after(s, before, dir) -
                            gap(e, exit_of(s, before, dir), entry_of(s, from_next, dir));
        if (accept(s, kept - gap(e, exit_of(s, last, dir), entry_of(s, first, dir)))) {
            swap_runs(s, first, from, from_next, last, dir);
            wake_all(s, {before, first, from, from_next, last});
            return true;
        }
        if (turnable && accept(s, kept - gap(e, exit_of(s, last, dir), exit_of(s, from, dir)))) {
            swap_runs(s, first, from, from_next, last, dir);
            flip(s, first, from, dir);
            wake_all(s, {before, first, from, from_next, last});
            return true;
        }
        first = before;
    }
    return false;
}
