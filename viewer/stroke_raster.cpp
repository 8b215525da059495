// A sample shows the first stroke that covers it as the strokes are drawn from the last
// back, so that each net's strokes, however they meet, cross or lie side by side, make one
// shape over those before it. A sample is covered where it lies within half a stroke's
// width of the stroke; the samples of each line of them are found along it at once. Once
// every pixel of a square of them is covered, strokes drawn under it skip it whole.
#include "stroke_raster.h"

#include "image_palette.h"
#include "png_image.h"
#include "tool_path.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace {

constexpr int samples = 8; // along each side of a pixel
constexpr int tile = 8;    // pixels along each side of a square
constexpr std::uint64_t every_sample = ~std::uint64_t{0};

// The pixel that at lies in, kept from low - 1 to high.
int pixel_at(double at, double low, double high)
{
    return static_cast<int>(std::floor(std::clamp(at, low - 1, high)));
}

// The first sample at or after at (the last at or before it, when not after), counted in
// samples along a side from 0 to last; -1 or last + 1 where there is none.
int sample_at(double at, bool after, int last)
{
    const double place = std::clamp(at * samples - 0.5, -1.0, last + 1.0);
    return after ? std::max(0, static_cast<int>(std::ceil(place)))
                 : std::min(last, static_cast<int>(std::floor(place)));
}

// Where a line across the picture lies within a stroke's reach: empty when from > to.
struct span {
    double from, to;
};

// The points within h of the segment from (x0, y0) to (x1, y1), which runs at least as far
// along x as along y.
struct capsule {
    double x0, y0, x1, y1, h;
    double ux, uy, length; // the segment's direction and length
    double slope, spread;  // along x for each step along y of its line, and h so measured
};

capsule capsule_of(double x0, double y0, double x1, double y1, double h)
{
    const double length = std::hypot(x1 - x0, y1 - y0);
    const double ux = length > 0 ? (x1 - x0) / length : 0, uy = length > 0 ? (y1 - y0) / length : 0;
    return {
        x0, y0, x1, y1, h, ux, uy, length, uy != 0 ? ux / uy : 0, uy != 0 ? std::abs(h / uy) : 0};
}

// Where the line at height y lies in c: about either end, or beside the segment, which the
// round ends and the sides make one span.
span capsule_row(const capsule &c, double y)
{
    constexpr double none = std::numeric_limits<double>::infinity();
    span s{none, -none};
    for (const auto &[ex, ey] : {std::pair{c.x0, c.y0}, std::pair{c.x1, c.y1}})
        if (std::abs(y - ey) <= c.h) {
            const double half = std::sqrt(c.h * c.h - (y - ey) * (y - ey));
            s = {std::min(s.from, ex - half), std::max(s.to, ex + half)};
        }
    // Beside the segment, a point (x, y) lies from 0 to length along it and within h across
    // it: (x - x0) ux + (y - y0) uy in [0, length], (x - x0) uy - (y - y0) ux in [-h, h].
    if (c.length == 0 || (c.uy == 0 && std::abs(y - c.y0) > c.h))
        return s;
    const double along = (y - c.y0) * c.uy, across = (y - c.y0) * c.ux;
    double from = c.x0 - along / c.ux, to = c.x0 + (c.length - along) / c.ux;
    if (from > to)
        std::swap(from, to);
    if (c.uy != 0) {
        const double p = c.x0 + (across - c.h) / c.uy, q = c.x0 + (across + c.h) / c.uy;
        from = std::max(from, std::min(p, q));
        to = std::min(to, std::max(p, q));
    }
    if (from <= to)
        s = {std::min(s.from, from), std::max(s.to, to)};
    return s;
}

// The samples of a pixel from from to to of a line of samples, the line's at in the pixel,
// the lines being rows, or columns when down.
std::uint64_t sample_bits(int from, int to, int at, bool down)
{
    if (!down)
        return ((std::uint64_t{2} << (to - from)) - 1) << from << (at * samples);
    const std::uint64_t rows = (~std::uint64_t{0} >> (samples * (samples - 1 - to))) &
                               (~std::uint64_t{0} << (samples * from));
    return rows & (std::uint64_t{0x0101010101010101} << at);
}

// Covers those of bits that nothing covers yet of the pixel at (x, y) of r in colour.
void cover_pixel(stroke_raster &r, int x, int y, unsigned colour, std::uint64_t bits)
{
    raster_pixel &p = r.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width) +
                               static_cast<std::size_t>(x)];
    const std::uint64_t fresh = bits & ~p.covered;
    if (fresh == 0)
        return;
    const auto n = static_cast<std::uint16_t>(std::popcount(fresh));
    p.r = static_cast<std::uint16_t>(p.r + r.inks[colour][0] * n);
    p.g = static_cast<std::uint16_t>(p.g + r.inks[colour][1] * n);
    p.b = static_cast<std::uint16_t>(p.b + r.inks[colour][2] * n);
    p.covered |= fresh;
    if (p.covered == every_sample)
        ++r.covered_in_tile[static_cast<std::size_t>(y / tile * r.tiles_across + x / tile)];
}

// The pixels along its lines that c can reach between lines of pixels from and to, of size
// along: first > last when none.
std::pair<int, int> reach_along(const capsule &c, double from, double to, int size)
{
    double low = std::min(c.x0, c.x1) - c.h, high = std::max(c.x0, c.x1) + c.h;
    if (c.uy != 0) {
        // The stroke lies within h of its line, whose crossings of the lines bound it.
        const double at_from = c.x0 + (from - c.y0) * c.slope, at_to = c.x0 + (to - c.y0) * c.slope;
        low = std::max(low, std::min(at_from, at_to) - c.spread);
        high = std::min(high, std::max(at_from, at_to) + c.spread);
    }
    return {std::max(0, pixel_at(low, 0, size)), std::min(size - 1, pixel_at(high, 0, size))};
}

// Whether every pixel (every square of them when in_tiles) that c can reach in the line of
// them at is covered whole, for lines of samples that run along rows, or columns when down.
bool hidden(const stroke_raster &r, const capsule &c, int at, bool in_tiles, bool down)
{
    const int grain = in_tiles ? tile : 1;
    const auto [first, last] =
        reach_along(c, at * grain, (at + 1) * grain, down ? r.height : r.width);
    for (int t = first / grain; t <= last / grain && first <= last; ++t) {
        const int x = down ? at : t, y = down ? t : at;
        const bool covered =
            in_tiles
                ? r.covered_in_tile[static_cast<std::size_t>(y * r.tiles_across + x)] == tile * tile
                : r.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width) +
                           static_cast<std::size_t>(x)]
                          .covered == every_sample;
        if (!covered)
            return false;
    }
    return true;
}

// Covers what a shape covers of the line of pixels v, its samples' lines from first to last
// of those it reaches, each of along + 1 samples; span_at gives where the line at a place
// across lies in the shape.
template <typename spans>
void cover_line(stroke_raster &r, const spans &span_at, unsigned colour, int v, int first, int last,
                int along, bool down)
{
    int from[samples], to[samples], low = along + 1, high = -1;
    for (int k = 0; k < samples; ++k) {
        const int line = v * samples + k;
        const span s = line < first || line > last ? span{1, 0} : span_at((line + 0.5) / samples);
        from[k] = s.from <= s.to ? sample_at(s.from, true, along) : along + 1;
        to[k] = s.from <= s.to ? sample_at(s.to, false, along) : -1;
        low = std::min(low, from[k]);
        high = std::max(high, to[k]);
    }
    for (int u = low / samples; u <= high / samples && low <= high; ++u) {
        std::uint64_t bits = 0;
        for (int k = 0; k < samples; ++k) {
            const int f = std::max(from[k], u * samples);
            const int t = std::min(to[k], u * samples + samples - 1);
            if (f <= t)
                bits |= sample_bits(f % samples, t % samples, k, down);
        }
        cover_pixel(r, down ? v : u, down ? u : v, colour, bits);
    }
}

// Whether the stroke between the two points is in seen, the strokes drawn lately by their
// ends; it is put there when not.
bool drawn_lately(std::vector<std::array<std::int64_t, 4>> &seen, std::int64_t x, std::int64_t y,
                  std::int64_t to_x, std::int64_t to_y)
{
    const auto ends = std::min(std::array{x, y, to_x, to_y}, std::array{to_x, to_y, x, y});
    std::uint64_t hash = 0;
    for (std::int64_t end : ends)
        hash = hash * 0x9e3779b97f4a7c15u + static_cast<std::uint64_t>(end);
    std::array<std::int64_t, 4> &slot = seen[(hash >> 40) % seen.size()];
    const bool found = slot == ends;
    slot = ends;
    return found;
}

} // namespace

bool start_raster(stroke_raster &r, const view &v, const extent &box, double stroke_px,
                  double reach, std::int64_t path_bytes)
{
    if (box.empty)
        return false;
    const int across = static_cast<int>(v.picture_width), down = static_cast<int>(v.picture_height);
    const int left = std::max(0, pixel_at(v.x(box.min_x / 100.0) - reach, 0, across));
    const int right = std::min(across, pixel_at(v.x(box.max_x / 100.0) + reach, 0, across) + 1);
    const int top = std::max(0, pixel_at(v.y(box.max_y / 100.0) - reach, 0, down));
    const int bottom = std::min(down, pixel_at(v.y(box.min_y / 100.0) + reach, 0, down) + 1);
    const std::int64_t width = right - left, height = bottom - top;
    // The image's PNG file in base64, with a palette of 256 colours.
    const std::int64_t bytes = (png_size(width, height, 256) + 2) / 3 * 4;
    if (width * height > most_raster_pixels || bytes >= path_bytes)
        return false;
    const int tiles_across = static_cast<int>((width + tile - 1) / tile);
    const int tiles_down = static_cast<int>((height + tile - 1) / tile);
    r = stroke_raster{left,
                      top,
                      right - left,
                      bottom - top,
                      stroke_px / 2,
                      tiles_across,
                      raster_work_a_pixel * width * height,
                      {},
                      {},
                      {}};
    r.pixels.assign(static_cast<std::size_t>(width * height), raster_pixel{0, 0, 0, 0});
    for (std::size_t c = 0; c < palette_size; ++c) {
        const long rgb = std::strtol(palette[c] + 1, nullptr, 16);
        for (int k = 0; k < 3; ++k)
            r.inks[c][k] = static_cast<std::uint8_t>(rgb >> (16 - 8 * k));
    }
    // A square that reaches past the raster counts the pixels beyond as covered.
    r.covered_in_tile.resize(static_cast<std::size_t>(tiles_across * tiles_down));
    for (int y = 0; y < tiles_down; ++y)
        for (int x = 0; x < tiles_across; ++x) {
            const int w = std::min(tile, r.width - x * tile),
                      h = std::min(tile, r.height - y * tile);
            r.covered_in_tile[static_cast<std::size_t>(y * tiles_across + x)] =
                static_cast<std::uint8_t>(tile * tile - w * h);
        }
    return true;
}

void raster_stroke(stroke_raster &r, unsigned colour, double x0, double y0, double x1, double y1)
{
    // Lines of samples are taken across the stroke's shorter way, rows for a stroke that
    // runs further along x, columns otherwise, and each covers a span along the other; a
    // pixel takes the samples of its lines at once.
    const bool down = std::abs(y1 - y0) > std::abs(x1 - x0);
    x0 -= r.left;
    x1 -= r.left;
    y0 -= r.top;
    y1 -= r.top;
    const capsule c =
        down ? capsule_of(y0, x0, y1, x1, r.half_width) : capsule_of(x0, y0, x1, y1, r.half_width);
    const int lines = samples * (down ? r.width : r.height) - 1;
    const int along = samples * (down ? r.height : r.width) - 1;
    const int first = sample_at(std::min(c.y0, c.y1) - c.h, true, lines);
    const int last = sample_at(std::max(c.y0, c.y1) + c.h, false, lines);
    for (int block = first / (samples * tile); block <= last / (samples * tile) && first <= last;
         ++block) {
        if (--r.work_left < 0 || hidden(r, c, block, true, down))
            continue;
        const int to = std::min(last / samples, block * tile + tile - 1);
        for (int v = std::max(first / samples, block * tile); v <= to; ++v)
            if (--r.work_left >= 0 && !hidden(r, c, v, false, down)) {
                r.work_left -= samples;
                cover_line(
                    r, [&c](double at) { return capsule_row(c, at); }, colour, v, first, last,
                    along, down);
            }
    }
}

bool draw_raster(stroke_raster &r, std::FILE *path, const view &v,
                 const std::vector<unsigned char> &colours)
{
    records_back back;
    start_back(back, path);
    // The strokes drawn lately, by their ends: one drawn again lies wholly under itself.
    std::vector<std::array<std::int64_t, 4>> seen(4096, {0, 0, 0, 0});
    step kind;
    std::int64_t x, y, to_x = 0, to_y = 0, net = static_cast<std::int64_t>(colours.size()) - 1;
    bool drawn = false; // the record after this one draws to (to_x, to_y)
    unsigned colour = 0;
    while (r.work_left >= 0 && get_record_before(back, kind, x, y)) {
        if (kind == step::net)
            net = x - 1;
        if (kind == step::net || kind == step::raise)
            continue;
        if (drawn && (x != to_x || y != to_y) && !drawn_lately(seen, x, y, to_x, to_y))
            raster_stroke(r, colour, v.x(x / 100.0), v.y(y / 100.0), v.x(to_x / 100.0),
                          v.y(to_y / 100.0));
        drawn = kind == step::draw;
        colour = net >= 0 ? colours[static_cast<std::size_t>(net)] : 0;
        to_x = x;
        to_y = y;
    }
    return !back.failed;
}

void raster_triangle(stroke_raster &r, unsigned colour, const tenths_point (&corners)[3])
{
    double x[3], y[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = static_cast<double>(corners[k].x) / 10 - r.left;
        y[k] = static_cast<double>(corners[k].y) / 10 - r.top;
    }
    const auto span_at = [&x, &y](double at) {
        constexpr double none = std::numeric_limits<double>::infinity();
        span s{none, -none};
        for (int k = 0; k < 3; ++k) {
            const int j = (k + 1) % 3;
            if (y[k] != y[j] && (at - y[k]) * (at - y[j]) <= 0) {
                const double cross = x[k] + (at - y[k]) * (x[j] - x[k]) / (y[j] - y[k]);
                s = {std::min(s.from, cross), std::max(s.to, cross)};
            }
        }
        return s;
    };
    const int lines = samples * r.height - 1, along = samples * r.width - 1;
    const int first = sample_at(std::min({y[0], y[1], y[2]}), true, lines);
    const int last = sample_at(std::max({y[0], y[1], y[2]}), false, lines);
    for (int v = first / samples; v <= last / samples && first <= last; ++v)
        if ((r.work_left -= samples + 1) >= 0)
            cover_line(r, span_at, colour, v, first, last, along, false);
}

bool draw_arrows(stroke_raster &r, std::FILE *ends, const view &v, const picture_bed &bed)
{
    records_back back;
    start_back(back, ends);
    step kind;
    std::int64_t x, y;
    tenths_point tip{0, 0}, before{0, 0}, corners[3];
    while (r.work_left >= 0 && get_record_before(back, kind, x, y)) {
        if (kind == step::travel)
            before = {x, y};
        if (kind == step::draw)
            tip = {x, y};
        if (kind == step::net && arrowhead_of(v, bed, tip, before, corners))
            raster_triangle(r, static_cast<unsigned>(x), corners);
    }
    return !back.failed;
}

bool put_raster(std::FILE *out, stroke_raster &r)
{
    std::vector<png_colour> pixels(r.pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const raster_pixel &p = r.pixels[i];
        const auto n = static_cast<unsigned>(std::popcount(p.covered));
        const auto mean = [n](unsigned sum) {
            return static_cast<std::uint8_t>((sum + n / 2) / n);
        };
        if (n > 0)
            pixels[i] = {
                mean(p.r), mean(p.g), mean(p.b),
                static_cast<std::uint8_t>((n * 255 + samples * samples / 2) / (samples * samples))};
    }
    r.pixels = {};
    std::vector<std::uint8_t> indices;
    const std::vector<png_colour> colours = reduce_colours(pixels, indices);
    std::fprintf(out,
                 "<image x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" "
                 "xlink:href=\"data:image/png;base64,",
                 r.left * 10, r.top * 10, r.width * 10, r.height * 10);
    const bool written = put_base64(out, png_file(r.width, r.height, indices, colours));
    std::fputs("\"><title>strokes, as an image</title></image>\n", out);
    return written;
}
