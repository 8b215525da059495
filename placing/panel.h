// A panel: columns by rows of copies of one job, each the job moved by a whole number of
// steps in hundredths, copy (0, 0) at the lower left and the copies counted row by row; and
// the pass that measures a job for its panel.
#pragma once

#include "bed.h"
#include "job_writer.h"
#include "plotter.h"

#include <cstdint>
#include <cstdio>

// The most columns, and the most rows, of a panel.
constexpr std::int64_t most_copies = 1000000;

struct panel {
    std::int64_t columns, rows; // 1 to most_copies each
    point step;                 // from a copy to the next, along a row and up a column
};

// The step of copies of a job of extent e set gap apart, from box to box; along a side
// where the job has no extent, gap itself.
point step_with_gap(const extent &e, std::int64_t gap);

// The extent of the panel of the job of extent e; false, leaving it undefined, when it
// would reach beyond the range of a coordinates file. An empty job makes an empty panel.
bool panel_extent(const extent &e, const panel &p, extent &whole);

// Where copy k (from 0, row by row from the lower left) stands: the steps it is moved by.
point copy_shift(const panel &p, std::int64_t k);

// The panel of the most copies of the job of extent e, a step apart, that lie on room (a
// bed less its margins): none along a side where even one does not fit, and along a side
// where the step is not above zero, one.
panel most_on(const extent &e, const bed &room, point step);

// What a job holds that each copy of it writes again, as a pass over the job counts it:
// the moves before its first net, which only the first copy keeps, and the rest.
struct job_content {
    std::int64_t leading_moves, moves, tool_downs, nets, record_bytes;
};

// The job's extent as a placement's mirror and turns place it, and turned a quarter more,
// for a choice of turn; and what it holds.
struct measured {
    extent as_placed, turned;
    job_content content;
};

// Measures the job in in, read from its start, as how places it but for its shift. A move
// that cannot be placed stops the pass there, unmeasured, for the caller to report.
pass_end measure_job(std::FILE *in, const placement &how, measured &m, coordinates_reader &r,
                     xy_unit &unit);

// Whether the panel p of a job holding c, whose copies lie within whole once placed, makes
// a file of at most 2^63 - 1 bytes, counting every number as wide as the widest in whole.
bool panel_fits_a_file(const job_content &c, const extent &whole, const panel &p);

// Whether neighbouring copies of a job of extent e overlap in p: by how much across a
// row and up a column, in hundredths (0 where they do not).
point copies_overlap(const extent &e, const panel &p);
