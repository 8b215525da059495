// The table across a stroke is made in steps of 1/64 of a pixel, only once a pixel in the
// stroke's middle needs it: many strokes lie where all is covered whole and need none.
#include "stroke_footprint.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double fixed = 16777216; // 2^24

std::int64_t fixed_of(double v)
{
    return std::llround(v * fixed);
}

} // namespace

void tabulate(stroke_shape &s)
{
    int order[16];
    for (int k = 0; k < 16; ++k)
        order[k] = k;
    std::sort(order, order + 16, [&](int p, int q) { return s.across[p] < s.across[q]; });
    s.steps = static_cast<int>(std::ceil((s.across[order[15]] - s.low) * 64)) + 1;
    unsigned mask = 0;
    s.within[0] = 0;
    for (int step = 0, next = 0; step <= s.steps; ++step) {
        while (next < 16 && s.across[order[next]] <= s.low + step / 64.0)
            mask |= 1u << order[next++];
        s.within[step + 1] = static_cast<unsigned short>(step == s.steps ? all_samples : mask);
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
    double along_low = 1, along_high = -1;
    s.low = 1;
    for (int k = 0; k < 16; ++k) {
        const double x = (k % 4 + 0.5) / 4, y = (k / 4 + 0.5) / 4;
        s.across[k] = y * s.ux - x * s.uy;
        s.low = std::min(s.low, s.across[k]);
        along_low = std::min(along_low, x * s.ux + y * s.uy);
        along_high = std::max(along_high, x * s.ux + y * s.uy);
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
    return samples_inside(x, y, [&](double sx, double sy) {
        const double dx = sx - s.a.x, dy = sy - s.a.y;
        const double u = dx * s.ux + dy * s.uy, n = dy * s.ux - dx * s.uy;
        const double beyond = std::max({0.0, -u, u - s.length});
        return n * n + beyond * beyond <= s.reach * s.reach;
    });
}
