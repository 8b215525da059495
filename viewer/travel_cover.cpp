// Where a hop crosses a column of pixels whole, what its line covers of a pixel there is at
// least the mean of what a band as high as the line covers at the column's two edges, since
// that cover is concave in where the band lies. Within one path element the most that one
// hop covers is a bound below on what the element paints, and the elements are laid one
// over another. A pixel is drawn solid once less than 2^-8 of it shows through, under half
// a step of 8 bits between the grey and white. A hop is hidden when the discs of its line's
// reach about each point of its middle lie on solid pixels: checked in strides as long as
// the solid rings around a point allow, and a row at a time where they are few.
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

// Tiles that reach past the picture's edge are never taken as solid.
bool solid_tile(const travel_cover &c, std::int64_t column, std::int64_t row)
{
    return column >= 0 && row >= 0 && column < c.tiles_across && row < c.tiles_down &&
           c.solid_in_tile[static_cast<std::size_t>(row * c.tiles_across + column)] == tile * tile;
}

// Lays what the pixel's last path element covers under what the elements before it cover.
void fold(travel_cover &c, pixel_cover &p, std::int64_t x, std::int64_t y)
{
    const bool was_solid = p.depth >= solid_depth;
    p.depth = static_cast<std::uint8_t>(std::min(255, p.depth + c.depth_of[p.most]));
    p.most = 0;
    if (!was_solid && p.depth >= solid_depth && x < c.tiles_across * tile &&
        y < c.tiles_down * tile)
        ++c.solid_in_tile[static_cast<std::size_t>(y / tile * c.tiles_across + x / tile)];
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

// Adds what the hop covers of the pixels in columns from to to, which it crosses whole, in
// element tag; pixels already solid are passed over. Single precision is rounded down by a
// thousandth, far more than its error here.
void cover_columns(travel_cover &c, std::uint16_t tag, const hop &h, std::int64_t from,
                   std::int64_t to)
{
    const std::int64_t rows = h.steep ? c.width : c.height;
    // Steps through the pixels along u and across v.
    const std::int64_t along = h.steep ? c.width : 1, across = h.steep ? 1 : c.width;
    // The line's height across a column, away from its ends.
    const auto half = static_cast<float>(half_width * std::sqrt(1 + h.slope * h.slope));
    for (std::int64_t i = from; i < to; ++i) {
        const auto a = static_cast<float>(h.v(static_cast<double>(i)));
        const auto b = static_cast<float>(h.v(static_cast<double>(i + 1)));
        const std::int64_t low = std::max<std::int64_t>(floor_of(std::min(a, b) - half), 0);
        const std::int64_t high = std::min(floor_of(std::max(a, b) + half), rows - 1);
        pixel_cover *p = &c.pixels[static_cast<std::size_t>(i * along + low * across)];
        for (std::int64_t j = low; j <= high; ++j, p += across) {
            if (p->depth >= solid_depth)
                continue;
            const auto top = static_cast<float>(j);
            const float share = (std::min({2 * half, a + half - top, top + 1 + half - a}) +
                                 std::min({2 * half, b + half - top, top + 1 + half - b})) /
                                    2 -
                                0.001f;
            if (share <= 0)
                continue;
            if (p->element != tag) {
                h.steep ? fold(c, *p, j, i) : fold(c, *p, i, j);
                p->element = tag;
            }
            p->most = std::max(p->most, static_cast<std::uint8_t>(share * 255));
        }
    }
}

bool solid(const travel_cover &c, std::int64_t column, std::int64_t row)
{
    return column >= 0 && row >= 0 && column < c.width && row < c.height &&
           c.pixels[static_cast<std::size_t>(row * c.width + column)].depth >= solid_depth;
}

// How far a line of travel reaches from its middle, in pixels, with a margin.
constexpr double reach = half_width + 0.01;

// The length of the middle that is checked a row at a time where solid pixels lie close.
constexpr double stretch = 16;

// Whether the pixels from first to last along u, in row j across, are all solid.
bool run_solid(const travel_cover &c, bool steep, std::int64_t j, std::int64_t first,
               std::int64_t last)
{
    const std::int64_t x = steep ? j : first, y = steep ? first : j;
    if (first < 0 || x < 0 || y < 0 || x >= c.width || y >= c.height)
        return false;
    const std::size_t k = static_cast<std::size_t>(y * c.width + x);
    return (steep ? c.run_down[k] : c.run_right[k]) > last - first;
}

// Whether the discs of the line's reach about the points of its middle from from to to lie
// on solid pixels, taken a row across at a time.
bool stretch_solid(travel_cover &c, const hop &h, double from, double to)
{
    const double a = h.v(from), b = h.v(to);
    const std::int64_t low = floor_of(std::min(a, b) - reach),
                       high = floor_of(std::max(a, b) + reach);
    c.steps -= high - low;
    for (std::int64_t j = low; j <= high; ++j) {
        // The points of the middle within reach of the row.
        double first = from, last = to;
        if (h.slope != 0) {
            const double p = h.u0 + (static_cast<double>(j) - reach - h.v0) / h.slope;
            const double q = h.u0 + (static_cast<double>(j) + 1 + reach - h.v0) / h.slope;
            first = std::max(from, std::min(p, q));
            last = std::min(to, std::max(p, q));
        }
        if (first <= last &&
            !run_solid(c, h.steep, j, floor_of(first - reach), floor_of(last + reach)))
            return false;
    }
    return true;
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

void start_cover(travel_cover &c, int width, int height, double length)
{
    c.share = std::min(1.0, followed_per_pixel * width * height / std::max(length, 1.0));
    c.owed = 0;
    const bool followed = std::int64_t{width} * height <= most_covered_pixels;
    c.width = followed ? width : 0;
    c.height = followed ? height : 0;
    c.pixels.assign(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height),
                    pixel_cover{0, 0, 0});
    c.tiles_across = c.width / tile;
    c.tiles_down = c.height / tile;
    c.solid_in_tile.assign(static_cast<std::size_t>(c.tiles_across * c.tiles_down), 0);
    c.steps = steps_per_pixel * c.width * c.height;
    for (int most = 0; most < 255; ++most)
        c.depth_of[most] = static_cast<std::uint8_t>(
            std::min(255.0, std::floor(-16 * std::log2(1 - most / 255.0))));
    c.depth_of[255] = 255;
}

void cover_hop(travel_cover &c, std::uint32_t element, std::int64_t x0, std::int64_t y0,
               std::int64_t x1, std::int64_t y1)
{
    c.owed += c.share;
    if (c.width == 0 || c.owed < 1)
        return;
    c.owed -= 1;
    const hop h = hop_of(x0, y0, x1, y1);
    const auto tag = static_cast<std::uint16_t>(element + 1);
    const std::int64_t columns = h.steep ? c.height : c.width;
    const std::int64_t first = std::max<std::int64_t>(-floor_of(-h.u0), 0);
    const std::int64_t last = std::min<std::int64_t>(floor_of(h.u1), columns);
    // A run of columns within one column of tiles is passed over where its tiles are solid.
    for (std::int64_t i = first, end; i < last; i = end) {
        end = std::min(last, (i / tile + 1) * tile);
        const double a = h.v(static_cast<double>(i)), b = h.v(static_cast<double>(end));
        const std::int64_t low = floor_of(std::min(a, b) - 2 * half_width) / tile;
        const std::int64_t high = floor_of(std::max(a, b) + 2 * half_width) / tile;
        bool solid = low >= 0;
        for (std::int64_t j = low; solid && j <= high; ++j)
            solid = h.steep ? solid_tile(c, j, i / tile) : solid_tile(c, i / tile, j);
        if (!solid)
            cover_columns(c, tag, h, i, end);
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
    for (std::int64_t y = 0; y < c.height; ++y)
        for (std::int64_t x = 0; x < c.width; ++x)
            fold(c, c.pixels[static_cast<std::size_t>(y * c.width + x)], x, y);
    // Two passes of the chessboard distance, each taking the neighbours already settled.
    c.clearance.assign(c.pixels.size(), 0);
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
    // The solid pixels from each one rightwards and downwards.
    c.run_right.assign(c.pixels.size(), 0);
    c.run_down.assign(c.pixels.size(), 0);
    for (std::int64_t y = c.height - 1; y >= 0; --y)
        for (std::int64_t x = c.width - 1; x >= 0; --x) {
            if (!solid(c, x, y))
                continue;
            const std::size_t k = static_cast<std::size_t>(y * c.width + x);
            // A side has at most largest_picture_side pixels, which 16 bits hold.
            c.run_right[k] =
                static_cast<std::uint16_t>(x + 1 < c.width ? c.run_right[k + 1] + 1 : 1);
            c.run_down[k] = static_cast<std::uint16_t>(
                y + 1 < c.height ? c.run_down[k + static_cast<std::size_t>(c.width)] + 1 : 1);
        }
}

bool hop_hidden(travel_cover &c, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    if (c.width == 0)
        return false;
    const hop h = hop_of(x0, y0, x1, y1);
    const double step = 1 / std::sqrt(1 + h.slope * h.slope);
    // Every point of the middle up to u has its disc of the line's reach on solid pixels.
    for (double u = h.u0;; --c.steps) {
        if (c.steps <= 0)
            return false;
        const std::int64_t i = floor_of(u), j = floor_of(h.v(u));
        const int clear = h.steep ? clearance(c, j, i) : clearance(c, i, j);
        double next;
        if (clear >= 2) {
            next = u + (clear - 1 - reach) * step;
        } else {
            next = std::min(h.u1, u + stretch);
            if (!stretch_solid(c, h, u, next))
                return false;
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

// Whether the hop began a subpath already in the element under way; it is noted when not.
bool begun_before(hop_layer &h, std::int64_t x, std::int64_t y, std::int64_t to_x,
                  std::int64_t to_y)
{
    const std::int64_t element = (h.hops - 1) / hops_an_element + 1;
    const std::uint64_t hash = move_hash(x, y, to_x, to_y);
    // The element's hops fill at most half the table, and those of elements before count
    // as free.
    for (std::size_t k = hash >> 55;; k = (k + 1) % h.begun.size()) {
        hop_begun &b = h.begun[k];
        if (b.element != element) {
            b = {x, y, to_x, to_y, element};
            return false;
        }
        if (b.x == x && b.y == y && b.to_x == to_x && b.to_y == to_y)
            return true;
    }
}

void draw_hop(hop_layer &h, std::int64_t x, std::int64_t y, std::int64_t to_x, std::int64_t to_y)
{
    if (h.open && h.held) {
        // A hop left out that the next goes on from is drawn after all, for the join.
        path_move(h.path, h.held_x, h.held_y);
        path_line(h.path, x, y);
    }
    h.held = false;
    if (!h.open) {
        if (h.hops % hops_an_element == 0) {
            end_subpath(h.path);
            std::fputs(h.hops == 0 ? "<path d=\"" : "\"/>\n<path d=\"", h.file);
            start_path(h.path, h.file);
        }
        ++h.hops;
        h.open = true;
        if (begun_before(h, x, y, to_x, to_y)) {
            h.held = true;
            h.held_x = x;
            h.held_y = y;
            return;
        }
        path_move(h.path, x, y);
    }
    path_line(h.path, to_x, to_y);
}

void close_hops(hop_layer &h)
{
    end_subpath(h.path);
    if (h.hops > 0)
        std::fputs("\"/>\n", h.file);
}
