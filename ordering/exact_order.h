// The order that travels least, worked out over every set of groups, for jobs small
// enough: xyorder orders a job of up to most_exact_groups groups so.
#pragma once

#include "net_order.h"

#include <cstddef>
#include <vector>

// The most groups that xyorder orders exactly: a table of 2^12 sets of groups.
constexpr std::size_t most_exact_groups = 12;

// The order of problem's groups that travels least, by dynamic programming: for each set
// of groups and each group drawn last, either way round where the problem lets groups
// turn, the shortest way to draw the set. Time and memory grow as 2^n n^2 and 2^n n for n
// groups.
std::vector<visit> exact_order(const ordering_problem &problem);
