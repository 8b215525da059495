// The colours of a picture's nets: each net one of a palette of strong colours, unlike
// the colours of the earlier nets whose strokes come near its own, at a bounded cost a net
// however densely the nets lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

// Strong colours, each clearly unlike every other, on white and beside the grey of idle
// travel; none is the green of the start and end marks or the red of what lies off the
// bed; and last a light grey for the nets that the plotter has drawn already. Each is
// written as seven characters.
constexpr const char *palette[] = {"#1f77b4", "#ff7f0e", "#9467bd", "#8c564b", "#e377c2",
                                   "#17becf", "#bcbd22", "#000000", "#c4c4c4"};
constexpr std::size_t palette_size = std::size(palette) - 1; // the colours nets are given
constexpr unsigned done_colour = palette_size;
constexpr std::size_t colour_length = 7;

// The extent of one net's strokes, in hundredths, which decides its colour.
struct net_box {
    bool drawn; // the net has at least one stroke
    std::int64_t min_x, min_y, max_x, max_y;
};

// Gives each net one of the palette's colours (an index), different from the colours of
// the earlier nets whose strokes come near its own while the palette lasts; a net with
// no strokes may take any.
std::vector<unsigned char> net_colours(std::span<const net_box> nets);
