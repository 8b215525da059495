// The strokes of one colour in a run of nets, kept as path data in a temporary file and
// written as one path element, in an order that keeps the moves between strokes short:
// strokes of one colour in one element look the same in any order.
#pragma once

#include "path_writer.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// Where one stroke's path data lies in the run's file, and where the stroke begins and ends.
struct stroke_span {
    std::uint64_t key; // the place of its first point along a curve that fills the plane
    long offset, length;
    std::int64_t from_x, from_y, to_x, to_y;
};

struct stroke_run {
    std::FILE *data;                // the strokes' path data, each after its own move
    path_writer path;               // writes to data; draws the stroke under way
    std::vector<stroke_span> spans; // one for each stroke, while the run has few enough
    bool in_order;                  // the strokes are written in the order drawn
};

// Makes r keep its strokes in data, which must be empty.
void start_run(stroke_run &r, std::FILE *data);

// Begins a stroke at (x, y), on the strokes' grid; r.path draws it on.
void begin_stroke(stroke_run &r, std::int64_t x, std::int64_t y);

// Ends the stroke under way at (x, y), where r.path left it.
void finish_stroke(stroke_run &r, std::int64_t x, std::int64_t y);

// Writes the run's strokes to out as a path element with attributes, nothing when it has
// none, and empties the run for the next. The strokes go in the order of their first points
// along the curve, their path data read back through buffer; in the order drawn when they
// are too many or their data too large for it. Returns false when reading the file,
// writing out or emptying the file failed.
bool put_run(std::FILE *out, stroke_run &r, const char *attributes, std::vector<char> &buffer);
