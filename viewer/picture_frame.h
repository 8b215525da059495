// What a picture draws around the job: where output units land in pixels, the header,
// the axes with their ticks, the bed, the bounding box, the origin and the first and last
// points. The job itself is drawn in output units inside a transform that this view gives.
#pragma once

#include "plotter.h"
#include "svg_picture.h"

#include <cstdio>

// The picture's extent in output units and where it lies in pixels.
struct view {
    double left, bottom, width, height;   // output units
    double scale;                         // pixels per output unit
    double margin_left, margin_top;       // pixels
    double picture_width, picture_height; // pixels, the margins included
    double x(double units) const
    {
        return margin_left + (units - left) * scale;
    }
    double y(double units) const
    {
        return margin_top + (bottom + height - units) * scale;
    }
};

// A bed in output units.
struct bed_units {
    double x, y, width, height;
};

bed_units units_of(const bed &b);

// The view that shows the job's box and the bed together.
view view_of(const extent &box, const picture_bed &bed);

// The XML declaration, the svg element and a white ground.
void put_header(std::FILE *out, const view &v, const job_summary &job);

// The clip path and filter that draw what lies off the bed in red, for strokes stroke_px
// pixels wide.
void put_off_bed_clip(std::FILE *out, const view &v, const picture_bed &bed, double stroke_px);

// The bed as a light area (under the job) or its dashed frame (over it); nothing when no
// bed is given.
void put_bed(std::FILE *out, const view &v, const picture_bed &bed, bool frame);

// The job's bounding box as a light frame.
void put_bounding_box(std::FILE *out, const view &v, const extent &box);

// Ticks with labels along the bottom and the left edge, and the unit.
void put_axes(std::FILE *out, const view &v);

// The origin, the first and last points, or "no moves".
void put_marks(std::FILE *out, const view &v, const job_summary &job);
