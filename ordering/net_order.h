// Orders the groups of net blocks of a plotter job to cut its idle travel: the tool
// travels up from the end of one net's strokes to the start of the next. A small job is
// ordered exactly; a larger one from the shortest hops, improved by a local search among
// the nearest ends of each net, then by small random changes that the local search
// repairs, each kept only when the whole is no longer.
#pragma once

#include "net_blocks.h"
#include "search_budget.h"

#include <cstdint>
#include <vector>

struct ordering_problem {
    const job_blocks *job; // whose groups are ordered
    bool anchored;         // moves before the first net fix where the tool stands first
    point anchor;          // the last of those moves
    double leading_idle;   // output units travelled among them, summed as xyview sums
    bool reversible;       // a group may be drawn from its other end
};

// The groups, anchor and travel before the first net of job, which must outlive it.
ordering_problem problem_of(const job_blocks &job, bool reversible);

// Idle travel in output units of drawing the groups in order, as xyview sums it: the
// leading travel, then from the anchor (or the first group's start) every hop from the
// end of one group to the start of the next.
double idle_travel(const ordering_problem &problem, const std::vector<visit> &order);

// Where the tool first stands: the anchor, or else the first group's start.
point first_point(const ordering_problem &problem);

struct search_result {
    std::vector<visit> order;
};

// xyorder's order: the exact order for a job of up to most_exact_groups groups, the
// file's order for one too large for the search to number, else the search's. A group
// whose two ends coincide may be turned round for the search even when groups are not
// reversible, since that changes no hop; it is then written the way it was drawn. The
// same problem and budget give the same order, on any machine and under any load.
search_result short_order(const ordering_problem &problem, const search_budget &budget);
