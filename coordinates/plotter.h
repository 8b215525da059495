// Follows the tool through the units of a coordinates file as the plotter moves it, and
// sums up the job: what it draws, how far it travels idle, where it reaches. Whatever
// else follows the job, such as a picture, looks at the plotter before each unit.
#pragma once

#include "coordinates_reader.h"

#include <cstdint>

struct point {
    std::int64_t x, y; // hundredths of an output unit
};

// The extent of a job's positions, in hundredths; empty before the first.
struct extent {
    bool empty;
    std::int64_t min_x, min_y, max_x, max_y;
};

// The extent of no positions.
constexpr extent no_extent{.empty = true, .min_x = 0, .min_y = 0, .max_x = 0, .max_y = 0};

// Widens e to hold at.
void take_in(extent &e, point at);

// The length of a straight move from one point to another, in output units, as every
// figure of idle travel and drawn length is summed.
double hop_length(point from, point to);

struct job_summary {
    long nets;
    long moves;
    long tool_downs;
    long holes;                    // times the tool was lowered and raised at one point
    double pen_down_length;        // output units drawn with the tool down
    double idle_length;            // output units travelled with the tool up, from the first point
    extent box;                    // of all points
    std::int64_t first_x, first_y; // where the first move goes, in hundredths
    std::int64_t last_x, last_y;   // and the last
};

struct plotter {
    bool tool_down;
    bool has_position; // a first "Go To" has placed the tool
    bool moved;        // the tool has moved since it was last lowered
    std::int64_t x, y; // the tool's position, in hundredths
    double hop;        // the hop_length of the last move, 0 for the first
    job_summary job;
};

// Puts p at the start of a job: tool up, nowhere yet, nothing summed.
void start_plotting(plotter &p);

// Carries out unit: moves, lowers or raises the tool, or starts a net; adds to p.job.
void plot(plotter &p, const xy_unit &unit);
