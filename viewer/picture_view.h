// What a picture shows and where: its size and style, the plotter's bed, and the view that
// puts the job's output units on the picture's pixels. Positions of the job are drawn in
// whole tenths of a pixel, strokes where they can exactly in hundredths.
#pragma once

#include "bed.h"

#include <cmath>
#include <cstdint>
#include <string>

// The picture's size in pixels when none is given, and the most either side may have.
constexpr int default_picture_width = 1100, default_picture_height = 800;
constexpr int largest_picture_side = 10000;

// The most bytes of path data a layer of the job (its strokes, its idle travel, its holes,
// its arrowheads) is drawn with: a larger layer is drawn as an image of the picture's own
// pixels, which a browser shows at once however much it holds.
constexpr std::int64_t most_layer_bytes = 250000;

// What the picture draws and how.
struct picture_style {
    int width, height;             // pixels
    bool travel;                   // idle travel is drawn
    bool direction;                // each stroke ends in an arrowhead
    std::int64_t most_layer_bytes; // past this, a layer is an image
    std::int64_t done = 0;         // nets before this number are drawn as done; 0 for none
    double unit_mm = 0;            // an output unit's length, for the axes; 0 when unknown
    bool unit_inches = false;      // the axes then speak inches, else millimetres
};

// The plotter's bed; given is false when none was named.
struct picture_bed {
    bool given;
    bed area;
};

// What the picture's title says: the file's name and its figures, one line each.
struct picture_caption {
    std::string name;
    std::string figures;
};

// The picture's extent in output units and where it lies in pixels.
struct view {
    double left, bottom, width, height;   // output units
    double scale;                         // pixels per output unit
    double plot_left, plot_top;           // pixels, where (left, bottom + height) lands
    double picture_width, picture_height; // pixels
    double x(double units) const
    {
        return plot_left + (units - left) * scale;
    }
    double y(double units) const
    {
        return plot_top + (bottom + height - units) * scale;
    }
};

// The view that shows the job's box and the bed together in a picture of style's size,
// with room above for the title and below for the axes and the legend; a small picture
// gives that room at most half of each side.
view view_of(const extent &box, const picture_bed &bed, const picture_style &style);

// The integer nearest v, halves away from zero, as std::llround gives it, without its library
// call where v is within the range of the result: v less its truncation is exact.
inline std::int64_t nearest(double v)
{
    if (!(v > -9e18 && v < 9e18))
        return std::llround(v);
    const auto whole = static_cast<std::int64_t>(v);
    const double part = v - static_cast<double>(whole);
    return whole + (part >= 0.5) - (part <= -0.5);
}

// Where a position in hundredths lands, in whole tenths of a pixel.
inline std::int64_t tenths_x(const view &v, std::int64_t hundredths)
{
    return nearest(v.x(static_cast<double>(hundredths) / 100) * 10);
}

inline std::int64_t tenths_y(const view &v, std::int64_t hundredths)
{
    return nearest(v.y(static_cast<double>(hundredths) / 100) * 10);
}

// Where the strokes are drawn: exactly, in hundredths right of and below the job's top left
// corner, where a hundredth spans a tenth of a pixel or more, which writes no longer numbers
// than tenths would; in tenths of a pixel otherwise.
struct stroke_grid {
    bool exact;
    std::int64_t left, top; // hundredths
};

// The grid for strokes of the job within box, seen in v.
stroke_grid grid_of(const view &v, const extent &box);

// Where a position in hundredths lands on g, given where it lands in tenths of a pixel.
std::int64_t grid_x(const stroke_grid &g, std::int64_t hundredths, std::int64_t tenths);
std::int64_t grid_y(const stroke_grid &g, std::int64_t hundredths, std::int64_t tenths);

// Room around the plotting area, in pixels: the title above, the axes' labels to the left
// and below, the legend below them.
constexpr double room_left = 70, room_right = 20, room_top = 46, room_bottom = 72;
