// A job's strokes drawn as pixels, for a picture whose strokes would take more bytes as
// paths than as an image: each pixel is sampled on a grid of 8 by 8, each sample showing
// the last net drawn over it, as the plotter leaves the sheet, and the image is written in
// at most 256 colours.
#pragma once

#include "covered_lines.h"
#include "net_colours.h"
#include "picture_frame.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// What the nets drawn so far, from the last back, show of a pixel.
struct raster_pixel {
    std::uint64_t covered; // the samples they cover, a bit each, row by row
    std::uint16_t r, g, b; // the sums of those samples' colours, eight bits a channel
};

struct stroke_raster {
    int left, top, width, height; // the pixels of the picture it covers
    double half_width;            // of a stroke, in pixels
    std::int64_t work_left;       // looks at a line of pixels that may still be taken, the
                                  // rest of the work counted in them; below 0 when spent,
                                  // and then for good
    std::uint8_t inks[palette_size][3];
    std::vector<raster_pixel> pixels;
    covered_lines rows, columns;
};

// The most pixels a raster may have: the strokes of a job larger than this on the picture
// stay paths.
constexpr std::int64_t most_raster_pixels = std::int64_t{1} << 21;

// The work a raster may take for each of its pixels, and more for each stroke or arrowhead
// drawn on it and for each line of pixels a stroke crosses, in looks at a line of pixels:
// enough to pass over every line of a stroke that what is drawn hides, however thin. Strokes
// that would take more, which only very many long strokes each showing a little of its own
// can, stay paths.
constexpr std::int64_t raster_work_a_pixel = 512, raster_work_a_stroke = 1024,
                       raster_work_a_line = 6;

// Makes r an empty raster over the job's box in v and reach pixels around it, for strokes
// stroke_px pixels wide, where its image takes fewer bytes than the path_bytes of paths it
// stands for and has no more than most_raster_pixels. Returns false otherwise, r left as it
// was.
bool start_raster(stroke_raster &r, const view &v, const extent &box, double stroke_px,
                  double reach, std::int64_t path_bytes);

// Draws a stroke in palette colour colour from (x0, y0) to (x1, y1), in the picture's
// pixels, with round ends, under all that r shows so far: it shows only in samples that
// nothing covers yet. One of no length is a dot; what lies outside r is left out. Nothing
// is drawn once r.work_left is spent.
void raster_stroke(stroke_raster &r, unsigned colour, double x0, double y0, double x1, double y1);

// Reads the tool's path from path, from its end back, and draws on r every move with the
// tool down that goes somewhere, seen in v, each net in its colour of colours, until
// r.work_left is spent, which leaves r unfinished. Returns false when reading failed.
bool draw_raster(stroke_raster &r, std::FILE *path, const view &v,
                 const std::vector<unsigned char> &colours);

// Fills the triangle of corners, in tenths of a pixel of the picture, in palette colour
// colour, under all that r shows so far, as raster_stroke draws a stroke.
void raster_triangle(stroke_raster &r, unsigned colour, const tenths_point (&corners)[3]);

// Reads the ends of strokes from ends, from its end back, each a net record holding its
// colour, a draw record at its tip and a travel record at the point before, and draws on r
// the arrowhead that arrowhead_of makes for each, until r.work_left is spent. Returns false
// when reading failed.
bool draw_arrows(stroke_raster &r, std::FILE *ends, const view &v, const picture_bed &bed);

// Writes r as an image element in tenths of a pixel, its PNG file inline, and empties r.
// Returns false when a write failed.
bool put_raster(std::FILE *out, stroke_raster &r);
