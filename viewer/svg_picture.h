// Draws a plotter job as an SVG picture of a given size in pixels, in one pass over the job:
// the tool's path is kept in a temporary file until the job's extent is known, then drawn at
// the picture's own resolution, each layer of the job as paths or, where those would be too
// many for a browser to show at once, as an image; a title, the axes, the bed, the marks and
// a legend go around it.
#pragma once

#include "large_buffer.h"
#include "net_colours.h"
#include "picture_frame.h"
#include "picture_view.h"
#include "tool_path.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct job_summary;
struct plotter;
struct xy_unit;

// The most nets that are drawn each in a group of its own, with its record as a tooltip.
constexpr std::size_t most_named_nets = 1000;

struct svg_picture {
    tool_path path;
    picture_style style;
    large_vector<net_box> nets;     // one for each net, in order
    std::vector<std::string> names; // the nets' records, while there are few enough nets
    std::int64_t travel_moves;      // moves with the tool up that go somewhere
    resume_mark resume;             // the first point of the net style.done
    int temporary_error;            // errno of the first failed write to the temporary file
};

// Opens the temporary file of a picture in style. Returns false, with errno, when it cannot
// be made.
bool start_picture(svg_picture &p, const picture_style &style);

// Notes what unit will do to the plotter tool, which has not carried it out yet: a move
// from where the tool stands, drawn when the tool is down and as idle travel otherwise;
// a net, named by its record (any bytes, escaped for XML when written); the lowering or
// raising of the tool.
void picture_unit(svg_picture &p, const plotter &tool, const xy_unit &unit);

// Writes the whole picture to out, y pointing up, the job's box and the bed fitted to the
// picture's size. Returns false, having written nothing when p.temporary_error is set, if
// any write to the temporary file or to out failed. The temporary file is closed either way.
bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &bed,
                    const picture_caption &caption, std::FILE *out);

// Closes the temporary file of a picture that will not be finished.
void discard_picture(svg_picture &p);
