// The local search's moves, one a function. Each starts from a hop that the search tries,
// from the exit of a node to an end near it in place of the link to the node after it,
// and makes the first change of its kind around that hop that shortens the tour: it
// adds what it gains to s.gained, wakes the nodes whose links changed, and returns true.
// Otherwise it changes nothing but s.looks and returns false.
#pragma once

#include "tour_view.h"

#include <cstdint>

// A hop tried from the exit of from, read in direction dir, to the end reached of node to.
struct hop_try {
    std::uint32_t from, from_next; // the node the hop leaves and the one after it
    std::uint32_t reached;         // the end the hop reaches
    std::uint32_t to, to_next, to_prev;
    double gain; // the link after from less the hop
    int dir;
};

// The hop from the exit of from to the end reached (of another node), read in direction
// dir.
hop_try hop_to(const search &s, std::uint32_t from, std::uint32_t reached, int dir);

// For a hop to the exit of to, which turns to round: reverses from_next to to. For
// problems whose every node turns.
bool reverse_run(search &s, hop_try h);

// For a hop to the exit of to: moves a run of up to three turnable nodes ending at to,
// turned, between from and from_next.
bool turn_run_from_to(search &s, hop_try h);

// For a hop to the exit of to: moves a run of up to three turnable nodes ending at from,
// turned, between to and to_next.
bool turn_run_from_from(search &s, hop_try h);

// For a hop to the exit of to, which reverses from_next to to: reverses, instead of the
// hop from from_next to to_next, the path from to_next to some third node whose exit lies
// near from_next's entry. For problems whose every node turns.
bool reverse_twice(search &s, hop_try h);

// For a hop to the entry of to: moves a run of up to three nodes starting at to between
// from and from_next.
bool move_run_after(search &s, hop_try h);

// For a hop to the entry of to: moves a run of up to three nodes ending at from between
// to_prev and to.
bool move_run_before(search &s, hop_try h);

// For a hop to the entry of to: exchanges the run from_next to to_prev with a run from to
// whose end lies near to_prev's exit; or, where nodes turn, puts the run from to to a
// node near to_prev's exit after from and turns from_next to to_prev round.
bool exchange_near_runs(search &s, hop_try h);

// Moves a run of up to three nodes ending at from (read in direction dir), turned or not,
// to the end of the tour, where the tool stops (its start, read backwards, when that is
// free): the place for a net far from all others. removed is the link after from.
bool send_to_end(search &s, std::uint32_t from, int dir, double removed);

using move = bool (*)(search &, hop_try);

// The moves for a hop to a node's exit, and to its entry, in the order the local search
// tries them.
constexpr move exit_moves[] = {reverse_run, turn_run_from_to, turn_run_from_from, reverse_twice};
constexpr move entry_moves[] = {move_run_after, move_run_before, exchange_near_runs};
