// A closed tour of nodes, each passed one way or turned round, held as a two-level doubly
// linked list: a ring of segments of about the square root of the count, each with a
// reversal bit. Stepping along, telling the order of three nodes and reversing a path
// cost O(1), O(1) and about O(sqrt n), whatever the path's length, and moving a short
// run elsewhere costs about the size of a segment.
#pragma once

#include <cstdint>
#include <vector>

struct tour_segment {
    std::uint32_t first, last; // end nodes in the order of next
    std::uint32_t next, prev;  // neighbouring segments along the tour
    std::uint32_t rank;        // place along the tour, counted from any segment
    std::uint32_t size;
    bool reversed; // the tour runs through the segment from last to first
};

struct tour_list {
    std::vector<std::uint32_t> next, prev; // neighbours within a node's segment
    std::vector<std::int64_t> rank;        // rises along next within a segment
    std::vector<std::uint32_t> segment;
    std::vector<unsigned char> turned; // with the segment's bit, how the node is passed
    std::vector<tour_segment> segments;
    std::uint32_t segment_size;           // aimed at when built
    std::vector<std::uint32_t> overgrown; // segments grown to four times that
    std::vector<std::uint32_t> scratch;
    std::vector<unsigned char> scratch_turned;
    std::uint64_t work; // nodes and segments moved since built, to measure a search by
};

// Builds t over order (at least two nodes, each once, ids below the count), node
// order[k] turned round when turned[k] is 1.
void build_tour(tour_list &t, const std::vector<std::uint32_t> &order,
                const std::vector<unsigned char> &turned);

// The node after v along the tour, and the one before it.
std::uint32_t tour_next(const tour_list &t, std::uint32_t v);
std::uint32_t tour_prev(const tour_list &t, std::uint32_t v);

// Whether v is passed turned round.
inline bool is_turned(const tour_list &t, std::uint32_t v)
{
    return t.turned[v] != t.segments[t.segment[v]].reversed;
}

// Whether b lies on the path from a forward to c, both ends included.
bool between(const tour_list &t, std::uint32_t a, std::uint32_t b, std::uint32_t c);

// Reverses the path from a forward to b, turning every node on it round. The list may
// instead reverse the rest of the tour, which gives the same tour read backwards: every
// node turned, and next and prev exchanged; it then returns true.
bool reverse_path(tour_list &t, std::uint32_t a, std::uint32_t b);

// Moves the run from first forward to last, a few nodes that do not include after, to
// follow after, every node passed as before, at a cost that grows with the run and a
// segment's size, not with how far it moves. Returns false, changing nothing, when
// that would leave a segment empty; reversals can make any move.
bool move_run(tour_list &t, std::uint32_t first, std::uint32_t last, std::uint32_t after);

// Exchanges the run from x1 forward to x2 with the run from y1 to y2 that follows it,
// every node passed as before, by relinking the ring of segments: about as costly as
// one reversal of the shorter two of the runs and the rest of the tour. Returns false,
// changing nothing in the tour, on a tour too small for the relinking.
bool exchange_runs(tour_list &t, std::uint32_t x1, std::uint32_t x2, std::uint32_t y1,
                   std::uint32_t y2);

// The nodes from start forward (backward when backward is true), with whether each is
// turned round as read that way.
void read_tour(const tour_list &t, std::uint32_t start, bool backward,
               std::vector<std::uint32_t> &order, std::vector<unsigned char> &turned);
