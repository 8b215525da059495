// Draws a plotter job as an SVG picture of a given size in pixels, in one pass over the
// job: the tool's path is kept in a temporary file until the job's extent is known, then
// drawn at the picture's own resolution, so that its size follows the picture's pixels
// rather than the job's moves. Strokes of one colour share few path elements, or, where
// paths would still be too large, make an image of the picture's pixels; holes are drawn
// as rings; a legend, a title and the axes, bed and marks go around the job.
#pragma once

#include "bed.h"
#include "net_colours.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct job_summary;
struct plotter;
struct xy_unit;

// The plotter's bed; given is false when none was named.
struct picture_bed {
    bool given;
    bed area;
};

// The picture's size in pixels when none is given, and the most either side may have.
constexpr int default_picture_width = 1100, default_picture_height = 800;
constexpr int largest_picture_side = 10000;

// The most nets that are drawn each in a group of its own, with its record as a tooltip;
// a job of more is drawn in one path element a colour.
constexpr std::size_t most_named_nets = 1000;

// The most bytes of paths a picture draws: past them, strokes are drawn as an image of
// the picture's pixels, where that is smaller, so that any job's picture stays small.
constexpr std::int64_t most_path_bytes = 2500000;

// What the picture draws and how.
struct picture_style {
    int width, height;            // pixels
    bool travel;                  // idle travel is drawn
    bool direction;               // each stroke ends in an arrowhead
    std::int64_t most_path_bytes; // past this, the strokes may be drawn as an image
};

struct svg_picture {
    std::FILE *path;  // the tool's path, as records
    std::FILE *names; // the nets' records, while there are few enough nets
    picture_style style;
    std::vector<net_box> nets; // one for each net, in order
    std::int64_t travel_moves; // moves with the tool up that go somewhere
    double travel_length;      // their length, in hundredths
    int temporary_error;       // errno of the first failed write to a temporary file
};

// Opens the temporary files for a picture in style. Returns false when they cannot be
// made.
bool start_picture(svg_picture &p, const picture_style &style);

// Notes what unit will do to the plotter tool, which has not carried it out yet: a move
// from where the tool stands, drawn when the tool is down and as idle travel otherwise;
// a net, named by its record (any bytes, escaped for XML when written); the lowering or
// raising of the tool.
void picture_unit(svg_picture &p, const plotter &tool, const xy_unit &unit);

// What the picture's title says: the file's name and its figures, one line each.
struct picture_caption {
    std::string name;
    std::string figures;
};

// Writes the whole picture to out, y pointing up, the job's box and the bed fitted to
// the picture's size. Returns false, having written nothing when p.temporary_error is
// set, if any write to the temporary files or to out failed. The temporary files are
// closed either way.
bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &bed,
                    const picture_caption &caption, std::FILE *out);

// Closes the temporary files of a picture that will not be finished.
void discard_picture(svg_picture &p);
