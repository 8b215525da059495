// The idle travel of a large job crosses most of its pixels many times over, so that they
// show solid grey. Those pixels are drawn as such, a run of them at a time, and only the
// hops that touch a pixel not solid are drawn as lines, a bounded number an element: the
// picture shows the same, at a size that follows its pixels rather than its hops.
#pragma once

#include "path_writer.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

struct view;

// The hops of idle travel in one path element: a browser strokes an element of many long
// hops more slowly than several of fewer.
constexpr std::int64_t hops_an_element = 250;

// A hop that began a subpath, by its ends, and the path element it lies in plus one.
struct hop_begun {
    std::int64_t x, y, to_x, to_y, element;
};

// Path elements of idle travel, each of hops_an_element subpaths or fewer.
struct hop_layer {
    std::FILE *file;
    path_writer path;
    std::int64_t hops; // subpaths begun, those left out included
    bool open;         // the subpath under way ends where the tool stands
    bool held;         // and is a hop left out, begun at (held_x, held_y)
    std::int64_t held_x, held_y;
    // The hops that began a subpath of the element under way, found by their ends: a
    // browser paints an element's subpaths as one shape, so that one drawn again adds nothing.
    std::array<hop_begun, 512> begun;
};

// Draws the hop from (x, y) to (to_x, to_y) on h, beginning a subpath unless the one under
// way ends at (x, y), and a path element every hops_an_element subpaths. A subpath that is a
// hop begun already in its element is left out, unless the next hop goes on from it.
void draw_hop(hop_layer &h, std::int64_t x, std::int64_t y, std::int64_t to_x, std::int64_t to_y);

// Ends the layer's last path element.
void close_hops(hop_layer &h);

// The most pixels a picture may have for its travel to be followed; a larger picture
// draws every hop.
constexpr std::int64_t most_covered_pixels = std::int64_t{1} << 22;

// The width of a line of idle travel, in tenths of a pixel.
constexpr double travel_width = 7.5;

// What the hops cover of a pixel: the most that one hop of the last path element to reach
// it covers, and how deep the elements before have painted it.
struct pixel_cover {
    // That element plus one, modulo 2^16, which can only make the bound lower.
    std::uint16_t element;
    std::uint8_t most;  // in 255ths
    std::uint8_t depth; // -log2 of what shows through, in sixteenths, rounded down at each
                        // element, up to 255
};

struct travel_cover {
    int width, height;  // pixels; 0 while the cover follows no picture
    double share;       // the part of the hops that is followed, evenly spread
    double owed;        // the part of a hop not yet followed
    std::int64_t steps; // what is left of the work allowed for hop_hidden
    std::vector<pixel_cover> pixels;
    // The depth that a cover of most 255ths adds.
    std::uint8_t depth_of[256];
    // Per square of 8 by 8 pixels that lies whole in the picture, how many of its pixels
    // are solid so far.
    std::int64_t tiles_across, tiles_down;
    std::vector<std::uint8_t> solid_in_tile;
    // Per pixel, how many rings of solid pixels lie around it, itself the first, up to 255.
    std::vector<std::uint8_t> clearance;
    // Per pixel, how many solid pixels there are from it rightwards, and downwards.
    std::vector<std::uint16_t> run_right, run_down;
};

// Makes c follow a picture of width by height pixels, or none past most_covered_pixels.
// Hops are followed evenly spread, as many as a bound on the work allows given their length
// in pixels.
void start_cover(travel_cover &c, int width, int height, double length);

// Adds the hop from (x0, y0) to (x1, y1), in tenths of a pixel, drawn in path element
// element (elements in order): when followed, a bound below on what its line covers of each
// pixel it crosses. What lies off the picture is left.
void cover_hop(travel_cover &c, std::uint32_t element, std::int64_t x0, std::int64_t y0,
               std::int64_t x1, std::int64_t y1);

// Reads the tool's path from path, from its start, and adds its idle travel to c as it
// would be drawn with every hop in view v. Returns the number of runs of hops, each a
// subpath of that drawing.
std::int64_t cover_travel(std::FILE *path, const view &v, travel_cover &c);

// Settles which pixels show solid grey once every hop has been added.
void settle_cover(travel_cover &c);

// Whether every pixel the hop's line touches shows solid grey, so that the hop adds
// nothing to the picture; false for a cover that follows nothing, and once the work
// allowed for this is spent.
bool hop_hidden(travel_cover &c, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                std::int64_t y1);

// Writes the solid pixels to out as a path element of horizontal runs, in tenths of a
// pixel, to be drawn at the travel's colour; nothing when there are none.
void put_cover(std::FILE *out, const travel_cover &c);
