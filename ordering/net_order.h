// Orders the groups of net blocks of a plotter job to cut its idle travel: the tool
// travels up from the end of one net's strokes to the start of the next. The order is
// built by joining the shortest hops first, improved by a local search among the nearest
// ends of each net, then by small random changes that the local search repairs, each
// kept only when the whole is no longer.
#pragma once

#include "net_blocks.h"

#include <cstdint>
#include <vector>

struct ordering_problem {
    const job_blocks *job; // whose groups are ordered
    bool anchored;         // moves before the first net fix where the tool stands first
    point anchor;          // the last of those moves
    double leading_idle;   // output units travelled among them, summed as xyview sums
    bool reversible;       // a group may be drawn from its other end
};

// How much the search may do, counted in steps of work (a candidate move looked at, a
// node or segment of the tour list moved), so that the result is the same on any
// machine and under any load: the local search from the start may do up to local_work,
// the random changes after it kick_work, less what a local search much longer than
// usual did. A limit in seconds, far above what the work takes on any machine of today,
// stops a search that could otherwise run for hours.
struct search_budget {
    std::uint64_t local_work;
    std::uint64_t kick_work;
    double seconds;
};

// The largest effort that budget_for takes.
constexpr double effort_largest = 100;

// The budget xyorder gives a job of groups groups, effort (0 to effort_largest) times
// its default: some 4,400 steps of random changes a group for small jobs, about 44
// million from ten thousand groups on (about half a second on a machine of 2026),
// falling to 42 million at 100,000 groups and rising again as 88 a group take over, and
// a local search that a job of any shape finishes or is stopped in about that time.
search_budget budget_for(std::size_t groups, double effort);

// The groups, anchor and travel before the first net of job, which must outlive it.
ordering_problem problem_of(const job_blocks &job, bool reversible);

// Idle travel in output units of drawing the groups in order, as xyview sums it: the
// leading travel, then from the anchor (or the first group's start) every hop from the
// end of one group to the start of the next.
double idle_travel(const ordering_problem &problem, const std::vector<visit> &order);

// Where the tool first stands: the anchor, or else the first group's start.
point first_point(const ordering_problem &problem);

// Visits every group, starting from the point from and going each time to the nearest
// end of a group not yet visited (only starts, when groups may not be reversed).
std::vector<visit> greedy_order(const ordering_problem &problem, point from);

struct search_result {
    std::vector<visit> order;
    bool cut_short; // the limit in seconds stopped the search before its work was done
    double seconds; // the time the search took, when it was cut short
};

// xyorder's order. A group whose two ends coincide may be turned round for the search
// even when groups are not reversible, since that changes no hop; it is then written
// the way it was drawn. The same problem and budget give the same order, unless the
// limit in seconds cuts the search short, which result.cut_short tells.
search_result short_order(const ordering_problem &problem, const search_budget &budget);
