// The table across a stroke is made in steps of 1/64 of a pixel, only once a pixel in the
// stroke's middle needs it: many strokes lie where all is covered whole and need none.
#include "stroke_footprint.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double fixed = 16777216; // 2^24

std::int64_t fixed_of(double v)
{
    return nearest(v * fixed);
}

// A sample's place from its pixel's corner, as its quarter's centre.
double sample_x(unsigned k)
{
    return (k % 4 + 0.5) / 4;
}

double sample_y(unsigned k)
{
    return (k / 4 + 0.5) / 4;
}

// Where sample k lies across s and along it, from its pixel's corner.
double across_of(const stroke_shape &s, unsigned k)
{
    return sample_y(k) * s.ux - sample_x(k) * s.uy;
}

double along_of(const stroke_shape &s, unsigned k)
{
    return sample_x(k) * s.ux + sample_y(k) * s.uy;
}

} // namespace

void tabulate(stroke_shape &s)
{
    stroke_tables *const kept = s.tables;
    for (unsigned k = 0; kept && k < kept->count; ++k) {
        const stroke_tables::table &t = kept->kept[k];
        if (t.ux == s.ux && t.uy == s.uy) {
            s.steps = t.steps;
            std::copy(t.within, t.within + t.steps + 2, s.within);
            return;
        }
    }
    // Each sample joins the table at the first step whose place across reaches it.
    double farthest = s.low;
    for (int k = 0; k < 16; ++k)
        farthest = std::max(farthest, s.across[k]);
    s.steps = static_cast<int>(std::ceil((farthest - s.low) * 64)) + 1;
    std::fill(s.within, s.within + s.steps + 2, 0);
    for (unsigned k = 0; k < 16; ++k) {
        int step = std::max(0, static_cast<int>(std::ceil((s.across[k] - s.low) * 64)));
        while (step > 0 && s.across[k] <= s.low + (step - 1) / 64.0)
            --step;
        while (step < s.steps && !(s.across[k] <= s.low + step / 64.0))
            ++step;
        s.within[step + 1] |= static_cast<unsigned short>(1u << k);
    }
    for (int step = 1; step <= s.steps; ++step)
        s.within[step + 1] |= s.within[step];
    s.within[s.steps + 1] = all_samples;
    if (kept) {
        stroke_tables::table &t = kept->kept[kept->next];
        t.ux = s.ux;
        t.uy = s.uy;
        t.steps = s.steps;
        std::copy(s.within, s.within + s.steps + 2, t.within);
        const unsigned room = std::size(kept->kept);
        kept->next = (kept->next + 1) % room;
        kept->count = std::min(kept->count + 1, room);
    }
}

stroke_shape shape_of_stroke(image_point a, image_point b, double reach)
{
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    stroke_shape s{.a = a,
                   .ux = length > 0 ? dx / length : 1,
                   .uy = length > 0 ? dy / length : 0,
                   .length = length,
                   .reach = reach};
    // The samples at the extremes across and along are at corners of the grid of samples,
    // found by the signs of the direction.
    const unsigned left = 0, right = 3, top = 0, bottom = 12;
    s.low = across_of(s, (s.ux >= 0 ? top : bottom) + (s.uy >= 0 ? right : left));
    const double along_low = along_of(s, (s.ux >= 0 ? left : right) + (s.uy >= 0 ? top : bottom));
    const double along_high = along_of(s, (s.ux >= 0 ? right : left) + (s.uy >= 0 ? bottom : top));
    for (unsigned k = 0; k < 16; ++k) {
        s.across[k] = across_of(s, k);
        s.along[k] = along_of(s, k);
    }
    s.across_x = -fixed_of(s.uy), s.across_y = fixed_of(s.ux);
    s.across_0 = fixed_of(s.a.x * s.uy - s.a.y * s.ux);
    s.along_x = fixed_of(s.ux), s.along_y = fixed_of(s.uy);
    s.along_0 = -fixed_of(s.a.x * s.ux + s.a.y * s.uy);
    s.upper = fixed_of(s.reach - s.low), s.lower = fixed_of(-s.reach - s.low);
    s.first = -fixed_of(along_low), s.last = fixed_of(s.length - along_high);
    return s;
}

unsigned end_samples(const stroke_shape &s, int x, int y)
{
    // A sample's place along and across is the pixel corner's plus the sample's own.
    const double dx = x - s.a.x, dy = y - s.a.y;
    const double u0 = dx * s.ux + dy * s.uy, n0 = dy * s.ux - dx * s.uy;
    const double reach = s.reach * s.reach;
    unsigned mask = 0;
    for (unsigned k = 0; k < 16; ++k) {
        const double u = u0 + s.along[k], n = n0 + s.across[k];
        const double beyond = std::max(0.0, std::max(-u, u - s.length));
        mask |= static_cast<unsigned>(n * n + beyond * beyond <= reach) << k;
    }
    return mask;
}

void stamp_ring(ring_stamp &stamp, double inner, double outer)
{
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            for (int dy = 0; dy < 9; ++dy) {
                stamp.first[y][x][dy] = 9;
                stamp.last[y][x][dy] = -1;
                for (int dx = 0; dx < 9; ++dx) {
                    const unsigned mask = samples_inside(
                        dx - 4 - x / 8.0, dy - 4 - y / 8.0, [&](double sx, double sy) {
                            const double d = sx * sx + sy * sy;
                            return d <= outer * outer && (inner == 0 || d > inner * inner);
                        });
                    stamp.masks[y][x][dy][dx] = static_cast<std::uint16_t>(mask);
                    if (mask != 0) {
                        stamp.first[y][x][dy] = std::min<std::int8_t>(stamp.first[y][x][dy], dx);
                        stamp.last[y][x][dy] = static_cast<std::int8_t>(dx);
                    }
                }
            }
}
