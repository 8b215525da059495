// A layer of a picture drawn as an image of the picture's own pixels. Each pixel is sampled 4
// by 4, and each sample takes the ink of the first thing drawn over it: a layer drawn with its
// last net first shows the last net on top, as the plotter leaves the sheet, and whatever lies
// under what is drawn already is passed over cheaply, a whole block or pixel at a look, and a
// stroke drawn again at once by its ends, or one piled on others along a line by the bands
// they cover there.
#pragma once

#include "large_buffer.h"
#include "picture_view.h"
#include "stroke_footprint.h"
#include "stroke_occlusion.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The most pixels an image has: a larger part of the picture is drawn at a lower resolution.
constexpr std::int64_t most_raster_pixels = std::int64_t{1} << 21;

// The most inks an image draws with.
constexpr unsigned most_inks = 12;

// The narrowest stroke an image draws, in its own pixels: any narrower could fall between
// the samples and vanish.
constexpr double thinnest_raster_stroke = 0.36;

struct raster_ink {
    std::uint8_t r, g, b;
};

// An image kept in tiles of 8 by 8 pixels, row by row, each tile's pixels row by row.
struct coverage_raster {
    double left, top;  // the picture's point, in pixels, at the image's top left corner
    double scale;      // image pixels a picture pixel: 1, or less for a large part
    int width, height; // image pixels
    large_vector<std::uint16_t> covered; // a pixel's samples covered, a bit each, row by row
    // The ink that covers most of them where one covers more than half, found by a running
    // vote: the ink, then by how many samples it leads the others. None for an image of one
    // ink, which is only_ink.
    large_vector<std::uint16_t> vote;
    int only_ink;
    std::vector<std::uint64_t> whole;        // a tile's pixels covered whole, a bit each
    std::vector<std::uint64_t> whole_groups; // of 8 by 8 tiles, those covered whole
    large_vector<std::uint64_t> drawn;       // the ends of strokes drawn, two a place, by hash
    std::unique_ptr<ring_stamp[]> rings;     // the last hole's ring, and the disc inside
    stroke_tables tables;
    stroke_occlusion occlusion; // what long strokes covered along their lines; none if emptied
};

// Makes r an empty image of the picture's pixels from (left, top) to (right, bottom), within
// the picture, at the picture's resolution or lower where that would pass most_raster_pixels;
// only_ink the one ink it draws with, or -1 for more than one; strokes whether strokes are
// drawn on it, which keep tables of their own (without them, each stroke is walked).
void start_raster(coverage_raster &r, const view &v, double left, double top, double right,
                  double bottom, int only_ink, bool strokes);

// Draws a stroke of ink from a to b, positions in tenths of a picture pixel, width pixels of
// the picture wide (at least thinnest_raster_stroke of the image's), with round ends: one of
// no length is a dot. It shows in the samples nothing has covered yet.
void raster_stroke(coverage_raster &r, unsigned ink, std::int64_t ax, std::int64_t ay,
                   std::int64_t bx, std::int64_t by, double width);

// Draws a hole at x, y (tenths): the samples from inner to outer pixels of the picture (at
// most 3.9 of the image's) in ring_ink and those within inner in inside_ink, as raster_stroke
// does; its centre taken to an eighth of a pixel.
void raster_hole(coverage_raster &r, unsigned ring_ink, unsigned inside_ink, std::int64_t x,
                 std::int64_t y, double inner, double outer);

// Fills the triangle of corners (x, y in tenths of a picture pixel) in ink, as raster_stroke
// draws.
void raster_triangle(coverage_raster &r, unsigned ink, const std::int64_t (&corners)[3][2]);

// The PNG file of r, each pixel the ink of inks (at most most_inks) that covers most of its
// samples, as opaque as their share covered, compressed with deflate; empties r.
std::string raster_png(coverage_raster &r, const raster_ink *inks, unsigned count);

// Writes r's image element, in tenths of a pixel, its PNG file as a data URL, titled title.
// Returns false when a write failed.
bool put_raster(std::FILE *out, const coverage_raster &r, const std::string &png,
                const char *title);
