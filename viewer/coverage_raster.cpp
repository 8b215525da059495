// A shape is drawn a row of pixels at a time, over the pixels its bounding shape reaches in
// that row; a pixel whose block of 8 by 8 or whose own samples are all covered is passed over
// before its samples are worked out. Samples lie at the quarters' centres of a pixel.
#include "coverage_raster.h"

#include "png_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

namespace {

constexpr unsigned all_samples = 0xffff;

// The most credit of looks at what is known covered whole an image keeps, and what it starts
// with: enough for the strokes of a few pictures' widths.
constexpr std::int64_t most_credit = std::int64_t{1} << 22;

// The places of strokes drawn that an image knows by their ends: 2 to this power.
constexpr int drawn_bits = 16;

// The image's point for a position in tenths of a picture pixel.
struct image_point {
    double x, y;
};

// The integer at or below v, without the library call that floor is where the machine has no
// rounding instruction.
int below(double v)
{
    const int i = static_cast<int>(v);
    return i - (v < i);
}

image_point in_image(const coverage_raster &r, std::int64_t x, std::int64_t y)
{
    return {(static_cast<double>(x) / 10 - r.left) * r.scale,
            (static_cast<double>(y) / 10 - r.top) * r.scale};
}

// The number of samples in a mask.
unsigned samples_in(unsigned mask)
{
    mask = mask - (mask >> 1 & 0x5555);
    mask = (mask & 0x3333) + (mask >> 2 & 0x3333);
    mask = (mask + (mask >> 4)) & 0x0f0f;
    return (mask + (mask >> 8)) & 0x1f;
}

// Counts samples more samples of ink in a pixel's vote: the ink ahead keeps its lead or loses
// it, to ink where that takes more than it has.
void count_vote(std::uint16_t &vote, unsigned ink, unsigned samples)
{
    const unsigned ahead = vote >> 8, lead = vote & 0xff;
    if (ink == ahead || lead == 0)
        vote = static_cast<std::uint16_t>(ink << 8 | (lead + samples));
    else if (samples > lead)
        vote = static_cast<std::uint16_t>(ink << 8 | (samples - lead));
    else
        vote = static_cast<std::uint16_t>(ahead << 8 | (lead - samples));
}

// Covers, in ink, the samples that footprint(x, y) gives of each pixel (x, y) of the rows from
// low to high (image pixels), over the pixels from span(top, bottom).first to .second in the
// strip of rows between top and bottom: a block of 8 by 8 pixels all covered at one look, a
// pixel all covered at another. Returns whether it covered any; with ink none_yet it covers
// nothing and returns at the first sample that nothing covers yet.
constexpr unsigned none_yet = ~0u;

template <typename Span, typename Footprint>
bool cover(coverage_raster &r, unsigned ink, double low, double high, Span span,
           Footprint footprint)
{
    const int first = std::max(0, below(std::max(low, -1.0)));
    const int last = std::min(r.height - 1, below(std::min(high, r.height + 1.0)));
    const int blocks_across = (r.width + 7) / 8;
    const auto clipped = [&](double from, double to) {
        return std::pair{std::max(0, below(std::max(from, -1.0))),
                         std::min(r.width - 1, below(std::min(to, r.width + 1.0)))};
    };
    bool added = false;
    for (int block_y = first / 8; block_y <= last / 8; ++block_y) {
        std::uint8_t *const whole = r.whole.data() + block_y * blocks_across;
        const int top = std::max(first, 8 * block_y), bottom = std::min(last, 8 * block_y + 7);
        const auto [from, to] = std::apply(clipped, span(top, bottom + 1.0));
        if (std::all_of(whole + from / 8, whole + to / 8 + 1,
                        [](std::uint8_t n) { return n == 64; }))
            continue;
        for (int y = top; y <= bottom; ++y) {
            const auto [left, right] = std::apply(clipped, span(y, y + 1.0));
            const std::size_t row = static_cast<std::size_t>(y) * r.width;
            for (int x = left; x <= right; ++x) {
                if (whole[x / 8] == 64) {
                    x |= 7;
                    continue;
                }
                const unsigned covered = r.covered[row + x];
                const unsigned add = covered == all_samples ? 0 : footprint(x, y) & ~covered;
                if (add == 0)
                    continue;
                if (ink == none_yet)
                    return true;
                added = true;
                r.covered[row + x] = static_cast<std::uint16_t>(covered | add);
                count_vote(r.vote[row + x], ink, samples_in(add));
                whole[x / 8] += (covered | add) == all_samples;
            }
        }
    }
    return added;
}

// The samples of a pixel that inside(sample_x, sample_y) holds.
template <typename Inside> unsigned samples_inside(double x, double y, Inside inside)
{
    unsigned mask = 0;
    for (unsigned k = 0; k < 16; ++k)
        mask |= static_cast<unsigned>(inside(x + (k % 4 + 0.5) / 4, y + (k / 4 + 0.5) / 4)) << k;
    return mask;
}

// Whether a stroke with these ends was drawn before; notes it as drawn if not. A stroke
// drawn again covers nothing new, whatever lies around it.
bool drawn_before(coverage_raster &r, std::int64_t ax, std::int64_t ay, std::int64_t bx,
                  std::int64_t by)
{
    if (std::make_pair(ax, ay) > std::make_pair(bx, by)) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    const auto pack = [](std::int64_t x, std::int64_t y) {
        return static_cast<std::uint64_t>(x) << 32 ^ static_cast<std::uint32_t>(y);
    };
    const std::uint64_t a = pack(ax, ay), b = pack(bx, by);
    const std::uint64_t hash = (a * 0x9e3779b97f4a7c15u ^ b) * 0xc2b2ae3d27d4eb4fu;
    // Two strokes a place, the one found or drawn last first.
    std::uint64_t *const place = r.drawn.data() + 4 * (hash >> (64 - drawn_bits));
    if (place[0] == a && place[1] == b)
        return true;
    const bool second = place[2] == a && place[3] == b;
    place[2] = place[0];
    place[3] = place[1];
    place[0] = a;
    place[1] = b;
    return second;
}

} // namespace

void start_raster(coverage_raster &r, const view &v, double left, double top, double right,
                  double bottom)
{
    left = std::clamp(left, 0.0, v.picture_width);
    right = std::clamp(right, left, v.picture_width);
    top = std::clamp(top, 0.0, v.picture_height);
    bottom = std::clamp(bottom, top, v.picture_height);
    const double area = std::max(1.0, (right - left) * (bottom - top));
    const double scale = std::min(1.0, std::sqrt(static_cast<double>(most_raster_pixels) / area));
    const int width = std::max(1, static_cast<int>(std::floor((right - left) * scale)));
    const int height = std::max(1, static_cast<int>(std::floor((bottom - top) * scale)));
    r = coverage_raster{
        .left = left,
        .top = top,
        .scale = scale,
        .width = width,
        .height = height,
        .covered = std::vector<std::uint16_t>(static_cast<std::size_t>(width) * height),
        .vote = std::vector<std::uint16_t>(static_cast<std::size_t>(width) * height),
        .whole = std::vector<std::uint8_t>(static_cast<std::size_t>((width + 7) / 8) *
                                           ((height + 7) / 8)),
        .drawn = std::vector<std::uint64_t>(std::size_t{4} << drawn_bits, ~std::uint64_t{0}),
        .known = {},
        .credit = most_credit};
    start_capsules(r.known, width, height);
}

namespace {

// A stroke as its samples are judged: across its length by a table of the samples that lie
// on one side of each place across a pixel, in steps of 1/64 of a pixel; near its ends each
// sample by its distance from the stroke.
struct stroke_shape {
    image_point a;
    double ux, uy, length, reach;
    double low, high;             // the least and most place across of a sample in its pixel
    double along_low, along_high; // and the same along the stroke
    int steps;
    unsigned short below[72]; // the samples at most low + k / 64 across
};

constexpr double table_steps = 64;

void shape_stroke(stroke_shape &s)
{
    double across[16], along[16];
    int order[16];
    s.low = s.along_low = 1;
    s.high = s.along_high = -1;
    for (int k = 0; k < 16; ++k) {
        const double x = (k % 4 + 0.5) / 4, y = (k / 4 + 0.5) / 4;
        across[k] = y * s.ux - x * s.uy;
        along[k] = x * s.ux + y * s.uy;
        s.low = std::min(s.low, across[k]);
        s.high = std::max(s.high, across[k]);
        s.along_low = std::min(s.along_low, along[k]);
        s.along_high = std::max(s.along_high, along[k]);
        order[k] = k;
    }
    std::sort(order, order + 16, [&](int p, int q) { return across[p] < across[q]; });
    s.steps = static_cast<int>(std::ceil((s.high - s.low) * table_steps)) + 1;
    unsigned mask = 0;
    for (int step = 0, next = 0; step < s.steps; ++step) {
        while (next < 16 && across[order[next]] <= s.low + step / table_steps)
            mask |= 1u << order[next++];
        s.below[step] = static_cast<unsigned short>(mask);
    }
}

// The samples that lie at most t across.
unsigned samples_below(const stroke_shape &s, double t)
{
    const double step = (t - s.low) * table_steps;
    return step < 0 ? 0 : step >= s.steps ? all_samples : s.below[static_cast<int>(step)];
}

// The samples of pixel (x, y) within reach of the stroke's segment.
unsigned stroke_footprint(const stroke_shape &s, int x, int y, double reach)
{
    const double px = x - s.a.x, py = y - s.a.y;
    const double across = py * s.ux - px * s.uy, along = px * s.ux + py * s.uy;
    const double half = (s.high - s.low) / 2;
    if (std::abs(across + s.low + half) > reach + half || along + s.along_high < -reach ||
        along + s.along_low > s.length + reach)
        return 0;
    if (along + s.along_low >= 0 && along + s.along_high <= s.length)
        return samples_below(s, reach - across) & ~samples_below(s, -reach - across);
    return samples_inside(x, y, [&](double sx, double sy) {
        const double dx = sx - s.a.x, dy = sy - s.a.y;
        const double u = dx * s.ux + dy * s.uy, n = dy * s.ux - dx * s.uy;
        const double beyond = std::max({0.0, -u, u - s.length});
        return n * n + beyond * beyond <= reach * reach;
    });
}

} // namespace

void raster_stroke(coverage_raster &r, unsigned ink, std::int64_t ax, std::int64_t ay,
                   std::int64_t bx, std::int64_t by, double width)
{
    const image_point a = in_image(r, ax, ay), b = in_image(r, bx, by);
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    const double reach = std::max(width * r.scale, thinnest_raster_stroke) / 2;
    // A short stroke is drawn sooner than it is looked for.
    const bool long_stroke = length >= 8;
    if (long_stroke && drawn_before(r, ax, ay, bx, by))
        return;
    // Looking among what is known covered whole is worth it while it passes strokes: each
    // stroke passed so earns the looks a scan of it would have taken, and each look spends one.
    std::int64_t looks = 0;
    const std::int64_t scan = 4 * static_cast<std::int64_t>(length);
    if (long_stroke && r.credit > 0 && lies_within(r.known, {a.x, a.y, b.x, b.y, reach}, looks)) {
        r.credit = std::min(r.credit + scan - looks, most_credit);
        return;
    }
    r.credit -= looks;
    stroke_shape s{.a = a,
                   .ux = length > 0 ? dx / length : 1,
                   .uy = length > 0 ? dy / length : 0,
                   .length = length,
                   .reach = reach,
                   .low = 0,
                   .high = 0,
                   .along_low = 0,
                   .along_high = 0,
                   .steps = 0,
                   .below = {}};
    shape_stroke(s);
    // A strip of rows takes the part of the stroke within reach of it, widened by the reach:
    // its ends, where the stroke's y is the strip's edges', clamped to the stroke's.
    const double per_y = dy != 0 ? dx / dy : 0, top_x = dy >= 0 ? a.x : b.x;
    const double top_y = std::min(a.y, b.y), low_x = std::min(a.x, b.x),
                 high_x = std::max(a.x, b.x);
    const auto span = [&](double top, double bottom) {
        if (dy == 0)
            return std::pair{low_x - s.reach, high_x + s.reach};
        const double x0 = std::clamp(top_x + (top - s.reach - top_y) * per_y, low_x, high_x);
        const double x1 = std::clamp(top_x + (bottom + s.reach - top_y) * per_y, low_x, high_x);
        return std::pair{std::min(x0, x1) - s.reach, std::max(x0, x1) + s.reach};
    };
    const auto footprint = [&](int x, int y) { return stroke_footprint(s, x, y, s.reach); };
    const double low = std::min(a.y, b.y), high = std::max(a.y, b.y);
    if (cover(r, ink, low - s.reach, high + s.reach, span, footprint) || !long_stroke ||
        r.credit <= 0)
        return;
    // A long stroke hidden whole lies where much is covered: maybe all around it too, which,
    // once looked at, lets later strokes there pass at a few looks; these looks are spent from
    // the credit too.
    r.credit -= 2 * scan;
    s.reach = 2 * reach;
    if (!cover(r, none_yet, low - s.reach, high + s.reach, span, footprint))
        note_covered(r.known, {a.x, a.y, b.x, b.y, s.reach});
}

void raster_ring(coverage_raster &r, unsigned ink, std::int64_t x, std::int64_t y, double inner,
                 double outer)
{
    const image_point c = in_image(r, x, y);
    const double far = std::max(outer * r.scale, thinnest_raster_stroke / 2);
    const double near = inner * r.scale;
    const auto span = [&](double, double) { return std::pair{c.x - far, c.x + far}; };
    cover(r, ink, c.y - far, c.y + far, span, [&](int px, int py) {
        return samples_inside(px, py, [&](double sx, double sy) {
            const double d = (sx - c.x) * (sx - c.x) + (sy - c.y) * (sy - c.y);
            return d <= far * far && (near == 0 || d > near * near);
        });
    });
}

void raster_triangle(coverage_raster &r, unsigned ink, const std::int64_t (&corners)[3][2])
{
    image_point p[3];
    for (int k = 0; k < 3; ++k)
        p[k] = in_image(r, corners[k][0], corners[k][1]);
    // The corners in the order that puts the triangle on the same side of each edge.
    if ((p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x) > 0)
        std::swap(p[1], p[2]);
    const double low = std::min({p[0].y, p[1].y, p[2].y}),
                 high = std::max({p[0].y, p[1].y, p[2].y});
    const double left = std::min({p[0].x, p[1].x, p[2].x}),
                 right = std::max({p[0].x, p[1].x, p[2].x});
    const auto span = [&](double, double) { return std::pair{left, right}; };
    cover(r, ink, low, high, span, [&](int px, int py) {
        return samples_inside(px, py, [&](double sx, double sy) {
            for (int e = 0; e < 3; ++e) {
                const image_point &from = p[e], &to = p[(e + 1) % 3];
                if ((to.x - from.x) * (sy - from.y) - (to.y - from.y) * (sx - from.x) > 0)
                    return false;
            }
            return true;
        });
    });
}

std::string raster_png(coverage_raster &r, const raster_ink *inks, unsigned count)
{
    std::vector<png_colour> colours{{0, 0, 0, 0}};
    for (unsigned ink = 0; ink < count; ++ink)
        for (unsigned level = 1; level <= 16; ++level)
            colours.push_back({inks[ink].r, inks[ink].g, inks[ink].b,
                               static_cast<std::uint8_t>((level * 255 + 8) / 16)});
    std::vector<std::uint8_t> indices(r.covered.size());
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const unsigned covered = samples_in(r.covered[i]);
        const unsigned ink = std::min(static_cast<unsigned>(r.vote[i] >> 8), count - 1);
        indices[i] = static_cast<std::uint8_t>(covered == 0 ? 0 : ink * 16 + covered);
    }
    r.covered = {};
    r.vote = {};
    r.whole = {};
    r.drawn = {};
    return png_file(r.width, r.height, indices, colours);
}

bool put_raster(std::FILE *out, const coverage_raster &r, const std::string &png, const char *title)
{
    std::fprintf(out,
                 "<image x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" "
                 "preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,",
                 r.left * 10, r.top * 10, r.width / r.scale * 10, r.height / r.scale * 10);
    const bool written = put_base64(out, png);
    std::fprintf(out, "\"><title>%s</title></image>\n", title);
    return written;
}
