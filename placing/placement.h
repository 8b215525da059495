// Puts a plotter job on its bed: every position mirrored, turned by quarter turns and
// shifted in whole hundredths of an output unit, so that nothing is rounded and nothing
// drifts, and the shift that puts a job's bounding box on a bed.
#pragma once

#include "bed.h"
#include "plotter.h"

#include <cstdint>

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

// How the job of extent e fits on area (a bed less its margins): the shift that puts its lower-left
// corner on the bed's, or its middle on the bed's middle when centred (halves of a hundredth
// rounded down); and how far its width and height pass the bed's, 0 each when it fits.
struct fit {
    point shift;
    std::int64_t too_wide, too_high;
};
fit fit_on(const extent &e, const bed &area, bool centred);
