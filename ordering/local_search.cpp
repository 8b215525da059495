// A node is tried at the nearest ends first, and the search leaves a node at the first
// hop that is longer than the link it would replace: no move from there could gain.
#include "local_search.h"

#include "moves.h"

#include <span>

namespace {

// Makes the first move that gives node from, read in direction dir, a hop from its exit
// to a near end and shortens the tour. Returns whether it made one.
bool improve(search &s, std::uint32_t from, int dir)
{
    ++s.looks;
    const node_ends &e = s.e;
    const std::uint32_t from_exit = exit_of(s, from, dir);
    if (is_free(e, from_exit))
        return false;
    if (send_to_end(s, from, dir, link_after(s, from, dir)))
        return true;
    for (std::size_t k = 0; k < 2 * listed_count(e); ++k) {
        const std::uint32_t listed = s.neighbours[list_of(e, from_exit) + k / 2];
        if (listed == none)
            return false;
        // A node listed by its start is reached at either end, at its exit first.
        if (k % 2 == 1 && !(e.shift == 1 && listed > 1))
            continue;
        const std::uint32_t end = reached(s, listed, k % 2 == 0, dir);
        ++s.looks;
        const hop_try h = hop_to(s, from, end, dir);
        if (h.gain <= s.least_gain)
            return false;
        const bool at_exit = end == exit_of(s, h.to, dir);
        if (!at_exit && h.to == h.from_next)
            continue;
        for (const move m : at_exit ? std::span<const move>(exit_moves) : entry_moves)
            if (m(s, h))
                return true;
    }
    return false;
}

// Empties the queue, leaving the nodes in it unlooked at.
void drop_queue(search &s)
{
    for (; s.queue_size > 0; --s.queue_size, s.queue_head = (s.queue_head + 1) % s.queue.size())
        s.queued[s.queue[s.queue_head]] = 0;
}

} // namespace

bool local_search(search &s, std::uint64_t limit)
{
    while (s.queue_size > 0) {
        if (work_done(s) >= limit) {
            drop_queue(s);
            return false;
        }
        const std::uint32_t v = s.queue[s.queue_head];
        s.queue_head = (s.queue_head + 1) % s.queue.size();
        --s.queue_size;
        s.queued[v] = 0;
        if (improve(s, v, 0) || improve(s, v, 1))
            wake(s, v);
    }
    return true;
}
