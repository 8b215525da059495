// Orders the groups of net blocks of a plotter job to cut its idle travel: the tool
// travels up from the end of one net's strokes to the start of the next. The order is
// built by joining the shortest hops first, improved by a local search among the nearest
// ends of each net, then by small random changes that the local search repairs, each
// kept only when the whole is no longer.
#pragma once

#include "net_blocks.h"

#include <vector>

struct ordering_problem {
    const job_blocks *job; // whose groups are ordered
    bool anchored;         // moves before the first net fix where the tool stands first
    point anchor;          // the last of those moves
    double leading_idle;   // output units travelled among them, summed as xyview sums
    bool reversible;       // a group may be drawn from its other end
};

// How much the search may spend on random changes after the local search: steps of the
// search (each a look for a move around one group), per group, which keeps the result
// the same on any machine; and a limit in seconds, past which it stops sooner.
struct search_budget {
    double steps_per_group;
    double seconds;
};

// The budget xyorder gives a job of groups groups, effort times its default: a hundred
// steps a group for small jobs, about a million and two a group beyond ten thousand
// groups (about a second on a machine of 2026), with a time limit somewhat above that.
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

// xyorder's order. A group whose two ends coincide may be turned round for the search
// even when groups are not reversible, since that changes no hop; it is then written
// the way it was drawn. The same problem and budget give the same order, unless the
// time limit stops the search.
std::vector<visit> short_order(const ordering_problem &problem, const search_budget &budget);
