// How much the search may do, counted in steps of work (a candidate move looked at, a
// node or segment of the tour list moved), so that the result is the same on any
// machine and under any load.
#pragma once

#include <cstddef>
#include <cstdint>

// The local search from the start may do up to local_work, the random changes after it
// kick_work, less what a local search much longer than usual did. No clock is read: a
// slow or busy machine takes longer over the same order.
struct search_budget {
    std::uint64_t local_work;
    std::uint64_t kick_work;
};

// The largest effort that budget_for takes.
constexpr double effort_largest = 100;

// The budget xyorder gives a job of groups groups, effort (0 to effort_largest) times
// its default: some 4,400 steps of random changes a group for small jobs, about 44
// million from ten thousand groups on (about half a second on a machine of 2026),
// falling to 42 million at 100,000 groups and rising again as 88 a group take over, and
// a local search that a job of any shape finishes or is stopped in about that time.
search_budget budget_for(std::size_t groups, double effort);

// The random changes' work after a local search from the start that did local_done over
// groups groups: the budget's, less twice what the local search did beyond the usual,
// down to a quarter, so that a job of any shape takes about as long.
std::uint64_t kick_work_after(const search_budget &budget, std::uint64_t local_done,
                              std::size_t groups);
