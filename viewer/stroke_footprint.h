// Which of a pixel's 16 samples a stroke with round ends covers, or a ring. Along a stroke's
// middle a sample is judged in fixed point by where the pixel's corner lies across the stroke
// and a table of the samples within reach for each place, so that a pixel costs a few
// additions; near its ends each sample is judged by its distance from the end.
#pragma once

#include "picture_view.h"

#include <algorithm>
#include <cstdint>
#include <utility>

constexpr unsigned all_samples = 0xffff;

// A point of an image, in its pixels.
struct image_point {
    double x, y;
};

// The samples of the pixel at (x, y) that inside(sample_x, sample_y) holds; samples lie at
// the centres of the pixel's quarters.
template <typename Inside> unsigned samples_inside(double x, double y, Inside inside)
{
    unsigned mask = 0;
    for (unsigned k = 0; k < 16; ++k)
        mask |= static_cast<unsigned>(inside(x + (k % 4 + 0.5) / 4, y + (k / 4 + 0.5) / 4)) << k;
    return mask;
}

// The tables across strokes of the directions met last: a board's strokes run in a few
// directions, and the table is the same for every stroke of one.
struct stroke_tables {
    struct table {
        double ux, uy;
        int steps;
        unsigned short within[80];
    };
    table kept[8];
    unsigned count, next;
};

// A stroke as its samples are judged; fixed point is 2^-24 of a pixel.
struct stroke_shape {
    image_point a;
    double ux, uy, length, reach;
    std::int64_t across_x = 0, across_y = 0, across_0 = 0; // a corner's place across: per x,
    std::int64_t along_x = 0, along_y = 0, along_0 = 0;    // per y, at (0, 0); and along
    std::int64_t upper = 0, lower = 0; // the reach either side, less the least sample
    std::int64_t first = 0, last = 0;  // where along a corner lies in the middle
    double across[16] = {}, low = 0;   // each sample's place across, and the least
    double along[16] = {};             // and along
    int steps = 0;                     // of the table, 0 until a pixel needs it
    unsigned short within[80] = {};    // [k + 1]: the samples at most k / 64 past the least
    stroke_tables *tables = nullptr;   // where tables of other strokes are kept, if anywhere
};

// The stroke of the points within reach of the segment from a to b; one of no length is a
// disc.
stroke_shape shape_of_stroke(image_point a, image_point b, double reach);

// Where the corner at x = 0 of row y lies across and along s, as stroke_samples takes it.
inline std::pair<std::int64_t, std::int64_t> stroke_row(const stroke_shape &s, int y)
{
    return {s.across_0 + y * s.across_y, s.along_0 + y * s.along_y};
}

// Makes s's table of the samples within reach for each place across, or takes it from
// s.tables, and keeps it there.
void tabulate(stroke_shape &s);

// The samples of pixel (x, y) within s near its ends, judged one by one.
unsigned end_samples(const stroke_shape &s, int x, int y);

// The samples of pixel (x, y) within s, row being stroke_row(s, y).
inline unsigned stroke_samples(stroke_shape &s, int x, int y,
                               std::pair<std::int64_t, std::int64_t> row)
{
    const std::int64_t across = row.first + x * s.across_x, along = row.second + x * s.along_x;
    if (along < s.first || along > s.last)
        return end_samples(s, x, y);
    if (s.steps == 0)
        tabulate(s);
    // Fixed point to steps of 1/64 of a pixel.
    const auto step = [&](std::int64_t edge) {
        const std::int64_t k = ((edge - across) >> 18) + 1;
        return s.within[std::min<std::int64_t>(std::max<std::int64_t>(k, 0), s.steps + 1)];
    };
    return step(s.upper) & ~step(s.lower);
}

// The samples of a ring, its centre at each eighth of a pixel, in each pixel around it.
struct ring_stamp {
    double inner, outer; // image pixels
    std::uint16_t masks[8][8][9][9];
    std::int8_t first[8][8][9], last[8][8][9]; // a row's first and last with any; 9, -1: none
};

// Makes stamp the ring from inner to outer image pixels (a disc where inner is 0) from a
// centre at (x / 8, y / 8) of a pixel's corner, in each of the 9 by 9 pixels around it.
void stamp_ring(ring_stamp &stamp, double inner, double outer);
