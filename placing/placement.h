// Puts a plotter job on its bed: every position mirrored, turned by quarter turns and
// shifted in whole hundredths of an output unit, so that nothing is rounded and nothing
// drifts, and the shift that puts a job's bounding box on a bed.
#pragma once

#include "plotter.h"

#include <cstdint>

// The largest magnitude of a position that a coordinates file holds, in hundredths:
// what trace2xy writes for the largest raw coordinates.
constexpr std::int64_t largest_hundredths = 9223372036854776;

// What is done to every position, in this order: a mirror (x or y negated), then quarter
// turns counter-clockwise about the origin, y pointing up, then a shift.
struct placement {
    bool mirror_x, mirror_y;
    int quarter_turns; // 0 to 3
    point shift;       // hundredths
};

// Places at as how says. Returns false, leaving at as it was, when the result would lie
// beyond largest_hundredths.
bool place(const placement &how, point &at);

// The extent of a job's positions, in hundredths; empty before the first.
struct extent {
    bool empty;
    std::int64_t min_x, min_y, max_x, max_y;
};

// Widens e to hold at.
void take_in(extent &e, point at);

// A bed in hundredths: its lower-left corner and size, less any margin.
struct bed_box {
    std::int64_t x, y, width, height;
};

// How the job of extent e fits on bed: the shift that puts its lower-left corner on the
// bed's, or its middle on the bed's middle when centred (halves of a hundredth rounded
// down); and how far its width and height pass the bed's, 0 each when it fits.
struct fit {
    point shift;
    std::int64_t too_wide, too_high;
};
fit fit_on(const extent &e, const bed_box &bed, bool centred);
