// A sample shows the first stroke that covers it as the strokes are drawn from the last
// back, so that each net's strokes, however they meet, cross or lie side by side, make one
// shape over those before it. A sample is covered where it lies within half a stroke's
// width of the stroke; the samples of each line of them are found along it at once. A line
// of pixels that what is drawn hides within a stroke's reach is passed over at a look or a
// few, which is what most of the work is once strokes pile up.
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

constexpr int samples = samples_a_side;
constexpr std::uint64_t every = ~std::uint64_t{0};

// The work counted, in units of about the time a look at a line of pixels takes: setting
// up a stroke, looking at the samples within its reach along a line of pixels, finding
// where the line's samples lie in a shape, and covering them in each pixel of the line.
constexpr std::int64_t stroke_work = 8, samples_work = 4, line_work = 16, pixel_work = 2;

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
    mark_covered(r.rows, r.columns, x, y, p.covered);
}

// Where a stroke can reach along its lines of pixels, a line at a time, in fixed point of
// 2^-32 pixels. It may reach a little further than the stroke, which only costs a look.
struct reach_steps {
    std::int64_t low, high, step;  // the line's first and last places, and how they move
    int least, most;               // the pixels the stroke's ends bound it to
    int least_sample, most_sample; // and the samples along a line
};

// Where c can reach along the line of pixels line, of size pixels, and how that moves from
// one line to the next; the pixels and samples beyond its ends bound it on every line.
reach_steps reach_from(const capsule &c, int line, int size)
{
    // The margin outweighs what rounding in fixed point gathers over the most lines a stroke
    // can cross, and is thin enough that the samples beside a band of strokes along one
    // line seldom fall in it, each of which costs a line drawn for nothing.
    constexpr double unit = 4294967296.0, margin = 1.0 / 65536;
    const double from = std::min(c.x0, c.x1) - c.h - margin,
                 to = std::max(c.x0, c.x1) + c.h + margin;
    reach_steps s{std::numeric_limits<std::int64_t>::min() / 2,
                  std::numeric_limits<std::int64_t>::max() / 2,
                  0,
                  std::max(0, pixel_at(from, 0, size)),
                  std::min(size - 1, pixel_at(to, 0, size)),
                  sample_at(from, true, size * samples - 1),
                  sample_at(to, false, size * samples - 1)};
    // A stroke nearly along the lines crosses few of them, and its ends bound those.
    if (c.uy == 0 || std::abs(c.slope) > 1 << 20)
        return s;
    const double at = c.x0 + (line - c.y0) * c.slope, step = c.slope;
    s.low =
        static_cast<std::int64_t>(std::floor((std::min(at, at + step) - c.spread - margin) * unit));
    s.high =
        static_cast<std::int64_t>(std::ceil((std::max(at, at + step) + c.spread + margin) * unit));
    s.step = static_cast<std::int64_t>(std::round(step * unit));
    return s;
}

// Whether the pixels from the one low lies in to the one high lies in, in fixed point, and
// from least to most, are covered whole in line, a line's bits of a mask of them.
bool span_covered(const std::uint64_t *line, int least, int most, std::int64_t low,
                  std::int64_t high)
{
    const int first = std::max(least, static_cast<int>(low >> 32));
    const int last = std::min(most, static_cast<int>(high >> 32));
    for (int w = first / 64; w <= last / 64 && first <= last; ++w) {
        const int from = w == first / 64 ? first % 64 : 0, to = w == last / 64 ? last % 64 : 63;
        const std::uint64_t wanted = (every >> (63 - to)) & (every << from);
        if ((line[w] & wanted) != wanted)
            return false;
    }
    return true;
}

// Whether c shows covered every sample of the line of pixels v that a stroke reaching
// from low to high there, in fixed point, and as s has it otherwise, can cover: in each of
// the line's lines of samples from first to last, those within its reach about the middle
// of that line of samples. Adds to work a look for each 8 words looked at past the first of
// each line of samples.
bool samples_hidden(const covered_lines &c, const reach_steps &s, std::int64_t low,
                    std::int64_t high, int v, int first, int last, std::int64_t &work)
{
    constexpr std::int64_t half = std::int64_t{1} << 28; // of a sample, in fixed point
    const int k = std::max(0, first - v * samples), end = std::min(samples, last - v * samples + 1);
    const std::int64_t eighth = s.step / samples;
    low += eighth / 2 - half + k * eighth - std::min<std::int64_t>(s.step, 0);
    high += eighth / 2 - half + k * eighth - std::max<std::int64_t>(s.step, 0);
    const std::uint64_t *words =
        &c.samples[static_cast<std::size_t>(v) * static_cast<std::size_t>(c.groups) * samples];
    std::int64_t more = 0; // words past the first of each line of samples
    for (int n = k; n < end; ++n, low += eighth, high += eighth) {
        // The first sample whose centre lies within reach and the last: one more on either
        // side may lie where nothing is ever drawn, as beside strokes along one line.
        const std::int64_t from =
            std::max<std::int64_t>(s.least_sample, (low + (std::int64_t{1} << 29) - 1) >> 29);
        const std::int64_t to = std::min<std::int64_t>(s.most_sample, high >> 29);
        if (from > to)
            continue;
        // Neither is below 0 here, so they are counted unsigned, in words and bits.
        const auto first_bit = static_cast<std::uint64_t>(from),
                   last_bit = static_cast<std::uint64_t>(to);
        std::uint64_t wanted = every << (first_bit & 63);
        for (std::uint64_t w = first_bit >> 6; w < last_bit >> 6; ++w, ++more, wanted = every)
            if ((~words[w * samples + static_cast<std::uint64_t>(n)] & wanted) != 0) {
                work += more / 8;
                return false;
            }
        if ((~words[(last_bit >> 6) * samples + static_cast<std::uint64_t>(n)] & wanted &
             every >> (63 - (last_bit & 63))) != 0) {
            work += more / 8;
            return false;
        }
    }
    work += more / 8;
    return true;
}

// The first line of pixels from v that c does not show hidden within s's reach, in the
// lines of samples from first to last; past the last of those when none. A line is hidden
// where its pixels within that reach are covered whole, four lines from a multiple of four
// at one look where they are in all four, or else where its samples within that reach are.
// Moves s to that line, and adds the work taken to work.
int next_shown(const covered_lines &c, reach_steps &s, int v, int first, int last,
               std::int64_t &work)
{
    const reach_steps reach = s;
    const int final = last / samples;
    const std::int64_t step = reach.step, back = std::min<std::int64_t>(0, 3 * step),
                       ahead = std::max<std::int64_t>(0, 3 * step);
    std::int64_t low = reach.low, high = reach.high, done = 0;
    for (; v <= final; ++done) {
        const auto line = [&c, v](const std::vector<std::uint64_t> &mask, int lines) {
            return &mask[static_cast<std::size_t>(v / lines * c.words)];
        };
        if (v % 4 == 0 && v + 3 <= final &&
            span_covered(line(c.fours, 4), reach.least, reach.most, low + back, high + ahead)) {
            v += 4;
            low += 4 * step;
            high += 4 * step;
            continue;
        }
        if (!span_covered(line(c.whole, 1), reach.least, reach.most, low, high)) {
            done += samples_work;
            if (!samples_hidden(c, reach, low, high, v, first, last, done)) {
                ++done;
                break;
            }
        }
        ++v;
        low += step;
        high += step;
    }
    s.low = low;
    s.high = high;
    work += done;
    return v;
}

// Covers what a shape covers of the line of pixels v, its samples' lines from first to last
// of those it reaches, each of along + 1 samples; span_at gives where the line at a place
// across lies in the shape. The work is counted in r.
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
    r.work_left -=
        line_work + (low <= high ? pixel_work * (high / samples - low / samples + 1) : 0);
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

// Gives r the work that a stroke brings, less what setting it up takes, unless r's work is
// spent already, which it then stays. Returns whether it was not.
bool take_stroke(stroke_raster &r)
{
    if (r.work_left < 0)
        return false;
    r.work_left += raster_work_a_stroke - stroke_work;
    return true;
}

// Whether the stroke between the two points is in seen, the strokes drawn lately by their
// ends; it is put there when not.
bool drawn_lately(std::vector<std::array<std::int64_t, 4>> &seen, std::int64_t x, std::int64_t y,
                  std::int64_t to_x, std::int64_t to_y)
{
    const auto ends = std::min(std::array{x, y, to_x, to_y}, std::array{to_x, to_y, x, y});
    const std::uint64_t hash = move_hash(ends[0], ends[1], ends[2], ends[3]);
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
    r = stroke_raster{left,
                      top,
                      right - left,
                      bottom - top,
                      stroke_px / 2,
                      raster_work_a_pixel * width * height,
                      {},
                      {},
                      {},
                      {}};
    r.pixels.assign(static_cast<std::size_t>(width * height), raster_pixel{0, 0, 0, 0});
    start_covered(r.rows, static_cast<int>(height), static_cast<int>(width));
    start_covered(r.columns, static_cast<int>(width), static_cast<int>(height));
    for (std::size_t c = 0; c < palette_size; ++c) {
        const long rgb = std::strtol(palette[c] + 1, nullptr, 16);
        for (int k = 0; k < 3; ++k)
            r.inks[c][k] = static_cast<std::uint8_t>(rgb >> (16 - 8 * k));
    }
    return true;
}

void raster_stroke(stroke_raster &r, unsigned colour, double x0, double y0, double x1, double y1)
{
    if (!take_stroke(r))
        return;
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
    if (first > last)
        return;
    r.work_left += raster_work_a_line * (last / samples - first / samples + 1);
    reach_steps reach = reach_from(c, first / samples, down ? r.height : r.width);
    for (int v = first / samples; v <= last / samples && r.work_left >= 0; ++v) {
        std::int64_t work = 0;
        v = next_shown(down ? r.columns : r.rows, reach, v, first, last, work);
        r.work_left -= work;
        if (v > last / samples || r.work_left < 0)
            return;
        cover_line(
            r, [&c](double at) { return capsule_row(c, at); }, colour, v, first, last, along, down);
        reach.low += reach.step;
        reach.high += reach.step;
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
    if (!take_stroke(r))
        return;
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
    for (int v = first / samples; v <= last / samples && first <= last && r.work_left >= 0; ++v)
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
