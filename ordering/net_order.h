// Orders the groups of net blocks of a plotter job to cut its idle travel: the tool
// travels up from the end of one net's strokes to the start of the next. A greedy
// nearest-neighbour order is improved by 2-opt and Or-opt moves over neighbour lists.
#pragma once

#include "net_blocks.h"

#include <vector>

struct stroke_ends {
    point start, end; // the first and last move of a group, in file order
};

struct ordering_problem {
    std::vector<stroke_ends> strokes; // one for each group
    bool anchored;                    // moves before the first net fix where the tool stands first
    point anchor;                     // the last of those moves
    double leading_idle;              // output units travelled among them, summed as xyview sums
    bool reversible;                  // a group may be drawn from its other end
};

// The strokes, anchor and travel before the first net of job.
ordering_problem problem_of(const job_blocks &job, bool reversible);

// Idle travel in output units of drawing the groups in order, as xyview sums it: the
// leading travel, then from the anchor (or the first group's start) every hop from the
// end of one group to the start of the next.
double idle_travel(const ordering_problem &problem, const std::vector<visit> &order);

// Where the tool first stands: the anchor, or else the first group's start.
point first_point(const ordering_problem &problem);

// Visits every group, starting from the point from and going each time to the nearest
// end of a group not yet visited (only starts, when groups may not be reversed). Ties go
// to the group that comes first in the file.
std::vector<visit> greedy_order(const ordering_problem &problem, point from);

// Improves order by 2-opt moves (which reverse a run of groups, so only when groups may
// be reversed) and Or-opt moves of up to three groups, until no move among the nearest
// neighbours of each group's ends shortens the travel. Deterministic.
std::vector<visit> improved_order(const ordering_problem &problem, std::vector<visit> order);

// xyorder's order: greedy from the anchor or, when the start is free, from the group
// start nearest the lower left, then improved.
std::vector<visit> short_order(const ordering_problem &problem);
