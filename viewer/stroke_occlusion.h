// What an image's long strokes have covered along the lines they run on, so that a stroke
// piled on earlier ones along a line is known to be hidden from a look every 16 pixels of
// its length, rather than from a walk over every row of pixels it crosses.
#pragma once

#include "stroke_footprint.h"

#include <cstdint>
#include <vector>

// Strokes shorter than this many image pixels are drawn without a look here: a walk over
// their rows costs little more.
constexpr double shortest_occluded_stroke = 24;

// A stroke placed in the frame of the direction class it runs in: strokes whose directions
// differ by at most 1/2048 of a radian share a class, and with it the frame's along and
// across.
struct line_place {
    std::uint64_t direction;       // the class
    double from, to;               // the stroke's ends along, from <= to
    double across_from, across_to; // its line across at either end
    bool reversed;                 // the stroke runs against the class's direction
};

// Bands across a direction class, in 16 pixels of its length, in which every sample of the
// image is covered; a cache, so that what it forgets costs time and nothing else.
struct stroke_occlusion {
    struct band {
        double low, high; // across; empty when low > high
    };
    struct stretch {
        std::uint64_t key; // the class and the stretch along it; ~0 when unused
        band bands[4];
    };
    std::vector<stretch> stretches;
    std::int64_t noted; // bands taken in, so that none is looked for before any is noted
};

// Empties o, with room to keep bands for 2^14 stretches of 16 pixels.
void start_occlusion(stroke_occlusion &o);

// Where the stroke from a to b (image pixels) lies in its direction class's frame.
line_place place_on_line(image_point a, image_point b);

// Whether every sample that a stroke at p, reach pixels either side, covers is covered
// already, as o knows from the strokes noted before; false whenever o cannot tell.
bool hidden_on_line(const stroke_occlusion &o, const line_place &p, double reach);

// Notes in o that every sample a stroke at p covers is covered now, as it is once the
// stroke is drawn; keeps only what lies across whole stretches.
void note_on_line(stroke_occlusion &o, const line_place &p, double reach);
