// The tour as the search sees it: read either way round (dir 0 along the list, dir 1
// against it), each node entered and left at the ends its turn gives it, every change
// kept in a journal while one is asked for, so that a random change that did not pay can
// be taken back; with the queue of nodes to look at again and the count of work done.
#pragma once

#include "near_ends.h"
#include "tour_list.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

// A change to the tour since the journal was last emptied, in the list's order when it
// was made: the path a to b reversed, with c before it and d after it; the run a to b
// moved from behind c to behind d; or the runs a to b and c to d exchanged.
enum class change { reversed, moved, exchanged };
struct journal_entry {
    change kind;
    std::uint32_t a, b, c, d;
};

struct search {
    const node_ends &e;
    const std::vector<std::uint32_t> &neighbours; // as neighbours_of gives them
    double least_gain;                            // gains below this are rounding
    tour_list t;
    std::vector<std::uint32_t> queue; // a ring of nodes to look at again
    std::size_t queue_head, queue_size;
    std::vector<unsigned char> queued;
    std::vector<journal_entry> journal;
    bool journaling;
    double gained;       // what the moves accepted since it was set gained
    std::uint64_t looks; // candidate moves looked at, to measure the search by
};

// A search over the ends e and their lists, with an empty tour and queue, stopping at
// deadline; its least gain grows with the farthest end from the origin, where a hop's
// rounding does.
search search_over(const node_ends &e, const std::vector<std::uint32_t> &neighbours);

// The work the search has done: what it looked at, and what the tour list moved.
inline std::uint64_t work_done(const search &s)
{
    return s.looks + s.t.work;
}

inline std::uint32_t next_of(const search &s, std::uint32_t v, int dir)
{
    return dir ? tour_prev(s.t, v) : tour_next(s.t, v);
}

inline std::uint32_t prev_of(const search &s, std::uint32_t v, int dir)
{
    return dir ? tour_next(s.t, v) : tour_prev(s.t, v);
}

// The end at which the tour read in direction dir enters node v, and the one it leaves.
inline std::uint32_t entry_of(const search &s, std::uint32_t v, int dir)
{
    return 2 * v + (is_turned(s.t, v) != (dir != 0));
}

inline std::uint32_t exit_of(const search &s, std::uint32_t v, int dir)
{
    return entry_of(s, v, dir) ^ 1;
}

// The end that a hop to the listed end reaches: that end, or for a node listed by its
// start, its exit or its entry as at_exit asks.
inline std::uint32_t reached(const search &s, std::uint32_t listed, bool at_exit, int dir)
{
    if (s.e.shift == 0 || listed < 2)
        return listed;
    return at_exit ? exit_of(s, listed / 2, dir) : entry_of(s, listed / 2, dir);
}

// The hop from v to the node after it.
inline double link_after(const search &s, std::uint32_t v, int dir)
{
    return gap(s.e, exit_of(s, v, dir), entry_of(s, next_of(s, v, dir), dir));
}

// Whether b lies on the path from a to c as read in direction dir.
inline bool on_path(const search &s, std::uint32_t a, std::uint32_t b, std::uint32_t c, int dir)
{
    return dir ? between(s.t, c, b, a) : between(s.t, a, b, c);
}

// Puts v in the queue unless it waits there already.
inline void wake(search &s, std::uint32_t v)
{
    if (s.queued[v])
        return;
    s.queued[v] = 1;
    s.queue[(s.queue_head + s.queue_size++) % s.queue.size()] = v;
}

inline void wake_all(search &s, std::initializer_list<std::uint32_t> nodes)
{
    for (const std::uint32_t v : nodes)
        wake(s, v);
}

// Whether a move that gains gain is worth making; adds it to s.gained when it is.
inline bool accept(search &s, double gain)
{
    if (gain <= s.least_gain)
        return false;
    s.gained += gain;
    return true;
}

// Reverses the path from a to b as read in direction dir. When the list reversed the
// rest of the tour instead, the same paths now read the other way, and so does dir.
void flip(search &s, std::uint32_t a, std::uint32_t b, int &dir);

// Moves the run b2 to c1 in front of the run a2 to b1, which it follows (read in
// direction dir), keeping every node's direction; dir turns when the tour then reads the
// other way round.
void swap_runs(search &s, std::uint32_t a2, std::uint32_t b1, std::uint32_t b2, std::uint32_t c1,
               int &dir);

// Takes back the changes in the journal, latest first, and empties it.
void undo_journal(search &s);
