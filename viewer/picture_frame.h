// What a picture draws around the job: the title, the axes with their ticks, the bed, the
// bounding box, the origin, the first and last points, the legend, and the shape of an
// arrowhead. The frame is drawn in pixels, the job in tenths of a pixel, its strokes on a
// grid of their own.
#pragma once

#include "path_writer.h"
#include "picture_view.h"
#include "plotter.h"

#include <cstdint>
#include <cstdio>
#include <string>

// The text as XML character data. Characters in UTF-8 pass as they are; other bytes
// above ASCII are taken as Latin-1 characters, and control characters, which XML does
// not allow, become question marks.
std::string xml_text(const char *text);

// Opens a group for strokes stroke_px pixels wide, drawn on g, within the job's group in
// tenths of a pixel.
void open_stroke_group(std::FILE *out, const stroke_grid &g, const view &v, double stroke_px);

// The XML declaration, the svg element with its title, a white ground and the title.
void put_header(std::FILE *out, const view &v, const picture_caption &caption);

// The clip path, in tenths of a pixel, and the filter that draw what lies off the bed in
// red, for strokes stroke_px pixels wide.
void put_off_bed_clip(std::FILE *out, const view &v, const picture_bed &bed, double stroke_px);

// Draws the group of id again in red where it lies off the bed, through the clip that
// put_off_bed_clip wrote.
void put_in_red(std::FILE *out, const char *id);

// The bed as a light area (under the job) or its dashed frame (over it); nothing when no
// bed is given.
void put_bed(std::FILE *out, const view &v, const picture_bed &bed, bool frame);

// A point in whole tenths of a pixel.
struct tenths_point {
    std::int64_t x, y;
};

// The corners of the arrowhead of a stroke that ends at tip after passing before, in
// tenths: its tip on the end, turned along the last move, kept inside the bed (or the
// plotting area) where the tip lies in it. Returns false where the two points are one.
bool arrowhead_of(const view &v, const picture_bed &bed, tenths_point tip, tenths_point before,
                  tenths_point (&corners)[3]);

// Adds to w the arrowhead that arrowhead_of makes; nothing where the two points are one.
void put_arrowhead(path_writer &w, const view &v, const picture_bed &bed, tenths_point tip,
                   tenths_point before);

// The holes, rings at the points of the path data, in tenths of a pixel.
void put_holes(std::FILE *out, const std::string &data);

// The rings of holes: their radius and width in pixels, drawn white inside.
constexpr double hole_radius = 2.5, hole_ring = 1.5;

// The job's bounding box as a light frame.
void put_bounding_box(std::FILE *out, const view &v, const extent &box);

// Ticks with labels along the bottom and the left edge, and the unit: output units, or with
// the unit's length known, millimetres or inches as its system is.
void put_axes(std::FILE *out, const view &v, const picture_style &style);

// Where the part from a net begins: its first point, in hundredths.
struct resume_mark {
    bool shown;
    std::int64_t net, x, y;
};

// The origin, the first and last points with labels that never print over each other
// ("start, end" where both are one point), or "no moves"; and where the part from a net
// resumes, when shown.
void put_marks(std::FILE *out, const view &v, const job_summary &job, const resume_mark &resume);

// What the legend shows: each item the picture has.
struct legend_items {
    bool strokes, travel, dashed_travel, bed, off_bed, holes, direction, done;
};

// The legend, in a row along the bottom.
void put_legend(std::FILE *out, const view &v, const legend_items &items);

// The colours of the marks, of what lies off the bed and of holes.
constexpr const char *mark_colour = "#00a000";
constexpr const char *resume_colour = "#2f5fb0";
constexpr const char *off_bed_colour = "#e00000";
constexpr const char *hole_colour = "#303030";
constexpr const char *travel_colour = "#8a8a8a";

// The width of idle travel, in tenths of a pixel.
constexpr double travel_width = 7.5;
