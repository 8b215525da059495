// A shape is drawn a row of pixels at a time, over the pixels its bounding shape reaches in
// that row; a pixel whose block of 8 by 8 or whose own samples are all covered is passed over
// before its samples are worked out. Samples lie at the quarters' centres of a pixel.
#include "coverage_raster.h"

#include "png_image.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <tuple>

namespace {

constexpr unsigned all_samples = 0xffff;

// The strokes drawn that an image knows by their ends: 2 to this power.
constexpr int drawn_bits = 18;

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

// Covers, in ink, the samples that footprint(x, y) gives of each pixel (x, y) of the rows from
// low to high (image pixels), over the pixels from span(top, bottom).first to .second in the
// strip of rows between top and bottom: a block of 8 by 8 pixels all covered at one look, a
// pixel all covered at another.
template <typename Span, typename Footprint>
void cover(coverage_raster &r, unsigned ink, double low, double high, Span span,
           Footprint footprint)
{
    const int first = std::max(0, below(std::max(low, -1.0)));
    const int last = std::min(r.height - 1, below(std::min(high, r.height + 1.0)));
    const int blocks_across = (r.width + 7) / 8;
    const auto clipped = [&](double from, double to) {
        return std::pair{std::max(0, below(std::max(from, -1.0))),
                         std::min(r.width - 1, below(std::min(to, r.width + 1.0)))};
    };
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
                r.covered[row + x] = static_cast<std::uint16_t>(covered | add);
                r.inked[row + x] += static_cast<std::uint64_t>(std::popcount(add)) << 5 * ink;
                whole[x / 8] += (covered | add) == all_samples;
            }
        }
    }
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
    const std::size_t slot = 2 * static_cast<std::size_t>(hash >> (64 - drawn_bits));
    if (r.drawn[slot] == a && r.drawn[slot + 1] == b)
        return true;
    r.drawn[slot] = a;
    r.drawn[slot + 1] = b;
    return false;
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
        .inked = std::vector<std::uint64_t>(static_cast<std::size_t>(width) * height),
        .whole = std::vector<std::uint8_t>(static_cast<std::size_t>((width + 7) / 8) *
                                           ((height + 7) / 8)),
        .drawn = std::vector<std::uint64_t>(std::size_t{2} << drawn_bits, ~std::uint64_t{0})};
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

unsigned stroke_footprint(const stroke_shape &s, int x, int y)
{
    const double px = x - s.a.x, py = y - s.a.y;
    const double across = py * s.ux - px * s.uy, along = px * s.ux + py * s.uy;
    const double half = (s.high - s.low) / 2;
    if (std::abs(across + s.low + half) > s.reach + half || along + s.along_high < -s.reach ||
        along + s.along_low > s.length + s.reach)
        return 0;
    if (along + s.along_low >= 0 && along + s.along_high <= s.length)
        return samples_below(s, s.reach - across) & ~samples_below(s, -s.reach - across);
    return samples_inside(x, y, [&](double sx, double sy) {
        const double dx = sx - s.a.x, dy = sy - s.a.y;
        const double u = dx * s.ux + dy * s.uy, n = dy * s.ux - dx * s.uy;
        const double beyond = std::max({0.0, -u, u - s.length});
        return n * n + beyond * beyond <= s.reach * s.reach;
    });
}

} // namespace

void raster_stroke(coverage_raster &r, unsigned ink, std::int64_t ax, std::int64_t ay,
                   std::int64_t bx, std::int64_t by, double width)
{
    if (drawn_before(r, ax, ay, bx, by))
        return;
    const image_point a = in_image(r, ax, ay), b = in_image(r, bx, by);
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    stroke_shape s{.a = a,
                   .ux = length > 0 ? dx / length : 1,
                   .uy = length > 0 ? dy / length : 0,
                   .length = length,
                   .reach = std::max(width * r.scale, thinnest_raster_stroke) / 2,
                   .low = 0,
                   .high = 0,
                   .along_low = 0,
                   .along_high = 0,
                   .steps = 0,
                   .below = {}};
    shape_stroke(s);
    // A strip of rows takes the part of the stroke within reach of it, widened by the reach.
    const auto span = [&](double top, double bottom) {
        double t0 = 0, t1 = 1;
        if (dy != 0) {
            t0 = std::clamp((top - s.reach - a.y) / dy, 0.0, 1.0);
            t1 = std::clamp((bottom + s.reach - a.y) / dy, 0.0, 1.0);
        }
        const double x0 = a.x + t0 * dx, x1 = a.x + t1 * dx;
        return std::pair{std::min(x0, x1) - s.reach, std::max(x0, x1) + s.reach};
    };
    cover(r, ink, std::min(a.y, b.y) - s.reach, std::max(a.y, b.y) + s.reach, span,
          [&](int x, int y) { return stroke_footprint(s, x, y); });
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
        const auto covered = static_cast<unsigned>(std::popcount(r.covered[i]));
        unsigned best = 0, most = 0;
        for (unsigned ink = 0; ink < count; ++ink)
            if (const auto n = static_cast<unsigned>(r.inked[i] >> 5 * ink & 31); n > most) {
                most = n;
                best = ink;
            }
        indices[i] = static_cast<std::uint8_t>(covered == 0 ? 0 : best * 16 + covered);
    }
    r.covered = {};
    r.inked = {};
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
