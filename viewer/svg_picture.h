// Draws a plotter job as an SVG picture in one pass: pen-down strokes grouped by net,
// idle travel apart, both kept in temporary files until the job's extent is known; then
// axes, the origin, the first point and the bed around them.
#pragma once

#include "bed.h"
#include "net_colours.h"

#include <cstdint>
#include <cstdio>
#include <vector>

struct job_summary;
struct plotter;
struct xy_unit;

// The plotter's bed; given is false when none was named.
struct picture_bed {
    bool given;
    bed area;
};

struct svg_picture {
    std::FILE *strokes; // net groups with their strokes, written as they come
    std::FILE *idle;    // idle travel
    bool travel;        // idle travel is drawn
    bool direction;     // each stroke ends in an arrowhead
    bool group_open;
    bool stroke_open;                // a pen-down polyline is open in strokes
    bool idle_open;                  // an idle polyline is open in idle
    std::int64_t stroke_x, stroke_y; // last point of the open pen-down polyline
    std::int64_t idle_x, idle_y;     // last point of the open idle polyline
    long stroke_count;               // pen-down polylines drawn
    int temporary_error;             // errno of the first failed write to strokes or idle
    std::vector<net_box> nets;       // one for each net group opened, in order
};

// Opens the two temporary files; idle travel is drawn only when travel is true, and the
// strokes end in arrowheads that show which way they are drawn when direction is true.
// Returns false when they cannot be made.
bool start_picture(svg_picture &p, bool travel, bool direction);

// Draws what unit will do to the plotter tool, which has not carried it out yet: a move
// from where the tool stands, as part of a stroke when the tool is down and as idle
// travel otherwise (a move that continues the last one of its kind extends its
// polyline); a net's group, named by its record (any bytes, escaped for XML); or the end
// of the current stroke, when the tool is raised or lowered.
void picture_unit(svg_picture &p, const plotter &tool, const xy_unit &unit);

// Writes the whole picture to out, y pointing up, fitted to job's bounding box and the
// bed together. Returns false, having written nothing when p.temporary_error is set, if
// any write to the temporary files or to out failed. The temporary files are closed
// either way.
bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &bed, std::FILE *out);

// Closes the temporary files of a picture that will not be finished.
void discard_picture(svg_picture &p);
