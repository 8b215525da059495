// Where a hop crosses a column of pixels whole, what its line covers of a pixel there is at
// least the mean of what a band as high as the line is wide covers at the column's two
// edges, since that cover is concave in where the band lies. Within one path element the
// most that one hop covers is a bound below on what the element paints, and the elements
// are laid one over another. A pixel is drawn solid once less than 2^-8 of it shows
// through, under half a step of 8 bits between the grey and white.
#include "travel_cover.h"

#include <algorithm>
#include <cmath>

#include "path_writer.h"
#include "picture_frame.h"
#include "tool_path.h"

namespace {

constexpr int solid_depth = 8 * 16;

// Bounds on the work for each pixel of the picture: the length of hops followed, in pixels,
// past which hops are followed evenly spread, as many as it allows; and the steps taken to
// see whether hops are hidden, past which the rest are drawn.
constexpr double followed_per_pixel = 32;
constexpr std::int64_t steps_per_pixel = 64;

// Half the line's width, in pixels.
constexpr double half_width = travel_width / 20;

// The floor of a, without the library call that std::floor takes on plain x86-64.
std::int64_t floor_of(double a)
{
    const auto i = static_cast<std::int64_t>(a);
    return i - (a < static_cast<double>(i));
}

// The side of a square of pixels that is passed over whole once it is solid.
constexpr std::int64_t tile = 8;

bool solid_tile(const travel_cover &c, std::int64_t column, std::int64_t row)
{
    const std::int64_t across = (c.width + tile - 1) / tile;
    return column >= 0 && row >= 0 && column < across && row * tile < c.height &&
           c.solid_tiles[static_cast<std::size_t>(row * across + column)];
}

// Lays what the current path element covers under what the elements before it cover.
void fold(travel_cover &c)
{
    const std::int64_t across = (c.width + tile - 1) / tile;
    c.solid_tiles.assign(static_cast<std::size_t>(across * ((c.height + tile - 1) / tile)), true);
    for (std::int64_t y = 0, k = 0; y < c.height; ++y)
        for (std::int64_t x = 0; x < c.width; ++x, ++k) {
            const int depth = std::min(255, c.depth[static_cast<std::size_t>(k)] +
                                                c.depth_of[c.most[static_cast<std::size_t>(k)]]);
            c.depth[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(depth);
            c.most[static_cast<std::size_t>(k)] = 0;
            if (depth < solid_depth)
                c.solid_tiles[static_cast<std::size_t>(y / tile * across + x / tile)] = false;
        }
}

// A hop in pixels, turned so that it runs more along u than along v: the cover reads and
// writes (u, v) as (x, y), or as (y, x) when steep.
struct hop {
    double u0, v0, u1, v1;
    bool steep;
    double slope;
    double v(double u) const
    {
        return v0 + (u - u0) * slope;
    }
};

hop hop_of(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    hop h{x0 / 10.0, y0 / 10.0, x1 / 10.0, y1 / 10.0, steep, 0};
    if (steep)
        h = {h.v0, h.u0, h.v1, h.u1, true, 0};
    if (h.u1 < h.u0)
        h = {h.u1, h.v1, h.u0, h.v0, h.steep, 0};
    h.slope = h.u1 == h.u0 ? 0 : (h.v1 - h.v0) / (h.u1 - h.u0);
    return h;
}

// What a band of the line's height about v covers of the pixel of row j, or less.
double band(double v, std::int64_t j)
{
    const auto top = static_cast<double>(j);
    return std::min({2 * half_width, v + half_width - top, top + 1 + half_width - v});
}

// Adds what the hop covers of the pixels in columns from to to, which it crosses whole.
void cover_columns(travel_cover &c, const hop &h, std::int64_t from, std::int64_t to)
{
    const std::int64_t rows = h.steep ? c.width : c.height;
    // Steps through the pixels along u and across v.
    const std::int64_t along = h.steep ? c.width : 1, across = h.steep ? 1 : c.width;
    double b = h.v(static_cast<double>(from));
    for (std::int64_t i = from; i < to; ++i) {
        const double a = b;
        b += h.slope;
        const std::int64_t low = std::max<std::int64_t>(floor_of(std::min(a, b) - half_width), 0);
        const std::int64_t high = std::min(floor_of(std::max(a, b) + half_width), rows - 1);
        for (std::int64_t j = low; j <= high; ++j) {
            const double share = (band(a, j) + band(b, j)) / 2;
            std::uint8_t &most = c.most[static_cast<std::size_t>(i * along + j * across)];
            most = std::max(most, static_cast<std::uint8_t>(std::max(share, 0.0) * 255));
        }
    }
}

bool solid(const travel_cover &c, std::int64_t column, std::int64_t row)
{
    return column >= 0 && row >= 0 && column < c.width && row < c.height &&
           c.depth[static_cast<std::size_t>(row * c.width + column)] >= solid_depth;
}

// How many rings of solid pixels lie around a pixel, itself the first; 0 for one not
// solid or off the picture.
int clearance(const travel_cover &c, std::int64_t column, std::int64_t row)
{
    return column >= 0 && row >= 0 && column < c.width && row < c.height
               ? c.clearance[static_cast<std::size_t>(row * c.width + column)]
               : 0;
}

} // namespace

void start_cover(travel_cover &c, int width, int height)
{
    const double tallied = c.length;
    c.length = 0;
    c.share = std::min(1.0, followed_per_pixel * width * height / std::max(tallied, 1.0));
    c.owed = 0;
    const bool followed = std::int64_t{width} * height <= most_covered_pixels;
    c.width = followed ? width : 0;
    c.height = followed ? height : 0;
    c.most.assign(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height), 0);
    c.depth.assign(c.most.size(), 0);
    c.element = 0;
    c.steps = steps_per_pixel * c.width * c.height;
    for (int most = 0; most < 255; ++most)
        c.depth_of[most] = static_cast<std::uint8_t>(
            std::min(255.0, std::floor(-16 * std::log2(1 - most / 255.0))));
    c.depth_of[255] = 255;
    fold(c);
}

void cover_hop(travel_cover &c, std::uint32_t element, std::int64_t x0, std::int64_t y0,
               std::int64_t x1, std::int64_t y1)
{
    const hop h = hop_of(x0, y0, x1, y1);
    c.length += std::hypot(h.u1 - h.u0, h.v1 - h.v0);
    c.owed += c.share;
    if (c.width == 0 || c.owed < 1)
        return;
    c.owed -= 1;
    if (element != c.element)
        fold(c);
    c.element = element;
    const std::int64_t columns = h.steep ? c.height : c.width;
    const std::int64_t first = std::max<std::int64_t>(-floor_of(-h.u0), 0);
    const std::int64_t last = std::min<std::int64_t>(floor_of(h.u1), columns);
    // A run of columns within one column of tiles is passed over where its tiles are solid.
    for (std::int64_t i = first, end; i < last; i = end) {
        end = std::min(last, (i / tile + 1) * tile);
        const double a = h.v(static_cast<double>(i)), b = h.v(static_cast<double>(end));
        const std::int64_t low = floor_of(std::min(a, b) - half_width) / tile;
        const std::int64_t high = floor_of(std::max(a, b) + half_width) / tile;
        bool solid = low >= 0;
        for (std::int64_t j = low; solid && j <= high; ++j)
            solid = h.steep ? solid_tile(c, j, i / tile) : solid_tile(c, i / tile, j);
        if (!solid)
            cover_columns(c, h, i, end);
    }
}

std::int64_t cover_travel(std::FILE *path, const view &v, travel_cover &c)
{
    std::rewind(path);
    std::int64_t hops = 0, x = 0, y = 0, tx = 0, ty = 0, to_x = 0, to_y = 0;
    bool open = false;
    for (step kind; get_record(path, kind, to_x, to_y);) {
        if (kind == step::net || kind == step::raise)
            continue;
        const bool goes = kind != step::lower && (to_x != x || to_y != y);
        const std::int64_t to_tx = goes ? tenths_x(v, to_x) : tx;
        const std::int64_t to_ty = goes ? tenths_y(v, to_y) : ty;
        if (kind == step::travel && goes) {
            hops += open ? 0 : 1;
            const auto element = static_cast<std::uint32_t>((hops - 1) / hops_an_element);
            cover_hop(c, element, tx, ty, to_tx, to_ty);
        }
        open = kind == step::travel && (goes || open);
        x = kind == step::lower ? x : to_x;
        y = kind == step::lower ? y : to_y;
        tx = to_tx;
        ty = to_ty;
    }
    return hops;
}

void settle_cover(travel_cover &c)
{
    fold(c);
    // Two passes of the chessboard distance, each taking the neighbours already settled.
    c.clearance.assign(c.depth.size(), 0);
    const auto at = [&](std::int64_t x, std::int64_t y) { return clearance(c, x, y); };
    for (std::int64_t y = 0; y < c.height; ++y)
        for (std::int64_t x = 0; x < c.width; ++x)
            if (solid(c, x, y))
                c.clearance[static_cast<std::size_t>(y * c.width + x)] =
                    static_cast<std::uint8_t>(std::min({at(x - 1, y), at(x - 1, y - 1),
                                                        at(x, y - 1), at(x + 1, y - 1), 254}) +
                                              1);
    for (std::int64_t y = c.height - 1; y >= 0; --y)
        for (std::int64_t x = c.width - 1; x >= 0; --x)
            if (solid(c, x, y))
                c.clearance[static_cast<std::size_t>(y * c.width + x)] = static_cast<std::uint8_t>(
                    std::min({at(x, y), at(x + 1, y) + 1, at(x + 1, y + 1) + 1, at(x, y + 1) + 1,
                              at(x - 1, y + 1) + 1}));
}

bool hop_hidden(travel_cover &c, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    if (c.width == 0)
        return false;
    const hop h = hop_of(x0, y0, x1, y1);
    // How far the line reaches from its middle, with a margin, and from it across a column
    // at the steepest.
    const double reach = half_width + 0.01, across = reach * std::sqrt(2.0);
    const double step = 1 / std::sqrt(1 + h.slope * h.slope);
    // Whether the pixels of column k that the line touches are all solid.
    const auto column_solid = [&](std::int64_t k) {
        const auto from = static_cast<double>(k) - reach, to = static_cast<double>(k) + 1 + reach;
        const double a = h.v(std::clamp(from, h.u0, h.u1)), b = h.v(std::clamp(to, h.u0, h.u1));
        for (std::int64_t j = floor_of(std::min(a, b) - across);
             j <= floor_of(std::max(a, b) + across); ++j)
            if (h.steep ? clearance(c, j, k) == 0 : clearance(c, k, j) == 0)
                return false;
        return true;
    };
    // Every point of the middle up to u has its disc of the line's reach on solid pixels.
    std::int64_t checked = floor_of(h.u0) - 2; // the last column checked pixel by pixel
    for (double u = h.u0;; --c.steps) {
        if (c.steps <= 0)
            return false;
        const std::int64_t i = floor_of(u), j = floor_of(h.v(u));
        const int clear = h.steep ? clearance(c, j, i) : clearance(c, i, j);
        double next;
        if (clear >= 2) {
            next = u + (clear - 1 - reach) * step;
        } else {
            for (checked = std::max(checked + 1, i - 1); checked <= i + 1; ++checked)
                if (!column_solid(checked))
                    return false;
            --checked;
            next = static_cast<double>(i + 1);
        }
        if (next >= h.u1)
            return true;
        u = next;
    }
}

void put_cover(std::FILE *out, const travel_cover &c)
{
    path_writer w{};
    for (std::int64_t j = 0; j < c.height; ++j)
        for (std::int64_t i = 0, end = 0; i < c.width; i = end) {
            for (end = i; end < c.width && solid(c, end, j); ++end)
                ;
            if (end == i) {
                ++end;
                continue;
            }
            if (!w.started) {
                std::fputs("<path stroke-width=\"10\" stroke-linecap=\"butt\" d=\"", out);
                start_path(w, out);
            }
            path_move(w, 10 * i, 10 * j + 5);
            path_line(w, 10 * end, 10 * j + 5);
        }
    end_subpath(w);
    if (w.started)
        std::fputs("\"/>\n", out);
}
