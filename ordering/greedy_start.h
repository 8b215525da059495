// Where the search starts: the shortest hops between nets joined first, as long as no
// end takes two hops and no hop closes a loop, then the pieces joined from where the tool
// stands, each time to the nearest piece left. And the plain greedy order that the bench
// measures against, each step to the nearest free end.
#pragma once

#include "near_ends.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The most ends that the queue of hops numbers: an end's number times the list's length
// still fits in the low half of a word.
constexpr std::size_t most_queued_ends = std::size_t{1} << 29;

// The start from the shortest hops over the lists neighbours (as neighbours_of gives
// them): the nodes from node 0 on into order, and into turned whether each is passed
// turned round.
void greedy_start(const node_ends &e, const std::vector<std::uint32_t> &neighbours,
                  std::vector<std::uint32_t> &order, std::vector<unsigned char> &turned);

// Visits every group, starting from the point from and going each time to the nearest
// end of a group not yet visited (only starts, when groups may not be reversed).
std::vector<visit> greedy_order(const ordering_problem &problem, point from);
