// A capsule is noted in every cell its segment passes within its reach of, a few to a cell;
// a stroke is followed along its segment from cell to cell, each step to where the capsules
// of the cell it has reached, shrunk by the stroke's reach, let go of it.
#include "covered_capsules.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int cell_side = 16;
constexpr int cell_slots = 16;
constexpr std::uint32_t known_most = 1 << 16, no_capsule = ~std::uint32_t{0};

// The cell of (x, y), or -1 outside the image.
int cell_of(const covered_capsules &c, double x, double y)
{
    if (x < 0 || y < 0)
        return -1;
    const auto cx = static_cast<int>(x) / cell_side, cy = static_cast<int>(y) / cell_side;
    return cx < c.across && cy < c.down ? cy * c.across + cx : -1;
}

void note_in_cell(covered_capsules &c, int cell, std::uint32_t place)
{
    std::uint32_t *const slots = c.in.data() + static_cast<std::size_t>(cell) * cell_slots;
    if (cell < 0 || std::find(slots, slots + cell_slots, place) != slots + cell_slots)
        return;
    std::copy_backward(slots, slots + cell_slots - 1, slots + cell_slots);
    slots[0] = place;
}

// The part [low, high] of t in [0, 1] where from + t * by lies within [least, most]; empty
// (low > high) where none does.
void clip(double from, double by, double least, double most, double &low, double &high)
{
    if (by == 0) {
        if (from < least || from > most)
            low = 1, high = 0;
        return;
    }
    const double t0 = (least - from) / by, t1 = (most - from) / by;
    low = std::max(low, std::min(t0, t1));
    high = std::min(high, std::max(t0, t1));
}

// The part of t in [0, 1] where a + t (b - a) lies within reach of the point (x, y).
void within_disc(const capsule &s, double x, double y, double reach, double &low, double &high)
{
    const double ex = s.bx - s.ax, ey = s.by - s.ay, fx = s.ax - x, fy = s.ay - y;
    const double a = ex * ex + ey * ey, b = 2 * (ex * fx + ey * fy),
                 c = fx * fx + fy * fy - reach * reach;
    const double root = b * b - 4 * a * c;
    if (a == 0 || root < 0) {
        low = 0, high = c <= 0 && a == 0 ? 1 : -1;
        return;
    }
    low = std::max(0.0, (-b - std::sqrt(root)) / (2 * a));
    high = std::min(1.0, (-b + std::sqrt(root)) / (2 * a));
}

// The part of s's segment, as t in [0, 1], within reach of k's segment.
std::pair<double, double> part_within(const capsule &s, const capsule &k, double reach)
{
    double low = 2, high = -1;
    for (const auto &[x, y] : {std::pair{k.ax, k.ay}, {k.bx, k.by}}) {
        double l, h;
        within_disc(s, x, y, reach, l, h);
        if (l <= h)
            low = std::min(low, l), high = std::max(high, h);
    }
    const double dx = k.bx - k.ax, dy = k.by - k.ay, length = std::hypot(dx, dy);
    if (length > 0) {
        const double ux = dx / length, uy = dy / length, fx = s.ax - k.ax, fy = s.ay - k.ay;
        const double ex = s.bx - s.ax, ey = s.by - s.ay;
        double l = 0, h = 1;
        clip(fy * ux - fx * uy, ey * ux - ex * uy, -reach, reach, l, h);
        clip(fx * ux + fy * uy, ex * ux + ey * uy, 0, length, l, h);
        if (l <= h)
            low = std::min(low, l), high = std::max(high, h);
    }
    return {low, high};
}

} // namespace

void start_capsules(covered_capsules &c, int width, int height)
{
    c.across = (width + cell_side - 1) / cell_side;
    c.down = (height + cell_side - 1) / cell_side;
    c.known.assign(known_most, capsule{});
    c.next = 0;
    c.in.assign(static_cast<std::size_t>(c.across) * c.down * cell_slots, no_capsule);
}

void note_covered(covered_capsules &c, const capsule &k)
{
    const std::uint32_t place = c.next;
    c.known[place] = k;
    c.next = (c.next + 1) % known_most;
    const double length = std::hypot(k.bx - k.ax, k.by - k.ay);
    const int steps = static_cast<int>(length / 4) + 1;
    for (int step = 0; step <= steps; ++step) {
        const double t = static_cast<double>(step) / steps;
        const double x = k.ax + t * (k.bx - k.ax), y = k.ay + t * (k.by - k.ay);
        for (const auto &[ox, oy] : {std::pair{0.0, 0.0},
                                     {-k.reach, 0.0},
                                     {k.reach, 0.0},
                                     {0.0, -k.reach},
                                     {0.0, k.reach}})
            note_in_cell(c, cell_of(c, x + ox, y + oy), place);
    }
}

bool lies_within(const covered_capsules &c, const capsule &s, std::int64_t &looks)
{
    // A margin keeps a sample beyond a capsule's reach from being taken as within it, where
    // the image finds the samples of a stroke to 1/64 of a pixel.
    constexpr double margin = 1.0 / 16;
    double t = 0;
    for (int steps = 0; steps < 64; ++steps) {
        const int cell = cell_of(c, s.ax + t * (s.bx - s.ax), s.ay + t * (s.by - s.ay));
        if (cell < 0)
            return false;
        double reached = t;
        for (int slot = 0; slot < cell_slots; ++slot) {
            const std::uint32_t place = c.in[static_cast<std::size_t>(cell) * cell_slots + slot];
            if (place == no_capsule)
                break;
            const capsule &k = c.known[place];
            ++looks;
            if (k.reach - s.reach - margin <= 0)
                continue;
            const auto [low, high] = part_within(s, k, k.reach - s.reach - margin);
            if (low <= t && high > reached)
                reached = high;
        }
        if (reached >= 1)
            return true;
        if (reached <= t)
            return false;
        t = reached;
    }
    return false;
}
