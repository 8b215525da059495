// A band across a stretch holds only what the strokes noted there cover for certain: a stroke
// judges its samples in steps of 1/64 of a pixel across, so it may take in a sample that much
// past its reach on its right and leave one that much within its reach on its left, and a
// band is narrowed and a look widened by that step and by a margin for the rounding of the
// judgement's fixed point. A stroke whose reach, so widened, lies in the bands of every
// stretch it passes covers no sample that is not covered already.
#include "stroke_occlusion.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double stretch_length = 16;
constexpr int stretch_bits = 14;
constexpr double judging = 1.0 / 64; // the step a sample is judged in across a stroke
constexpr double slack = 1.0 / 1024; // past any rounding of the judgement and the frame
constexpr double along_slack = 1.0 / 16;

// Where stretch i of a direction class is kept: the class, then i.
std::uint64_t key_of(const line_place &p, std::int64_t i)
{
    return p.direction << 32 | static_cast<std::uint32_t>(static_cast<std::int32_t>(i));
}

std::size_t slot_of(std::uint64_t key)
{
    return key * 0x9e3779b97f4a7c15u >> (64 - stretch_bits);
}

// The stroke's line across at t along, which is its nearer end's beyond the ends.
double across_at(const line_place &p, double t)
{
    const double k = (std::clamp(t, p.from, p.to) - p.from) / (p.to - p.from);
    return p.across_from + k * (p.across_to - p.across_from);
}

std::int64_t stretch_at(double t)
{
    return static_cast<std::int64_t>(std::floor(t / stretch_length));
}

// A stretch under key with no bands yet.
stroke_occlusion::stretch empty_stretch(std::uint64_t key)
{
    const stroke_occlusion::band none{1, 0};
    return {.key = key, .bands = {none, none, none, none}};
}

// Takes low to high into the bands of s: into one it meets, or in place of the narrowest.
void take_band(stroke_occlusion::stretch &s, double low, double high)
{
    stroke_occlusion::band *narrowest = &s.bands[0];
    for (stroke_occlusion::band &b : s.bands) {
        if (b.low <= b.high && low <= b.high && high >= b.low) {
            b = {std::min(b.low, low), std::max(b.high, high)};
            return;
        }
        if (b.high - b.low < narrowest->high - narrowest->low)
            narrowest = &b;
    }
    if (high - low > narrowest->high - narrowest->low)
        *narrowest = {low, high};
}

} // namespace

void start_occlusion(stroke_occlusion &o)
{
    o.noted = 0;
    o.stretches.assign(std::size_t{1} << stretch_bits, empty_stretch(~std::uint64_t{0}));
}

line_place place_on_line(image_point a, image_point b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const bool steep = std::abs(dy) > std::abs(dx);
    const std::int64_t step = nearest((steep ? dx / dy : dy / dx) * 1024);
    const double run = static_cast<double>(step) / 1024, norm = std::sqrt(1 + run * run);
    const double ux = (steep ? run : 1) / norm, uy = (steep ? 1 : run) / norm;
    const bool reversed = dx * ux + dy * uy < 0;
    const image_point from = reversed ? b : a, to = reversed ? a : b;
    return {.direction =
                static_cast<std::uint64_t>(steep) << 12 | static_cast<std::uint64_t>(step + 2048),
            .from = from.x * ux + from.y * uy,
            .to = to.x * ux + to.y * uy,
            .across_from = from.y * ux - from.x * uy,
            .across_to = to.y * ux - to.x * uy,
            .reversed = reversed};
}

bool hidden_on_line(const stroke_occlusion &o, const line_place &p, double reach)
{
    if (o.noted == 0)
        return false;
    const double below = reach + slack + (p.reversed ? 0 : judging);
    const double above = reach + slack + (p.reversed ? judging : 0);
    const double first = p.from - reach - along_slack, last = p.to + reach + along_slack;
    for (std::int64_t i = stretch_at(first); i <= stretch_at(last); ++i) {
        const stroke_occlusion::stretch &s = o.stretches[slot_of(key_of(p, i))];
        if (s.key != key_of(p, i))
            return false;
        const double n0 = across_at(p, std::max(first, i * stretch_length));
        const double n1 = across_at(p, std::min(last, (i + 1) * stretch_length));
        const double low = std::min(n0, n1) - below, high = std::max(n0, n1) + above;
        if (std::none_of(std::begin(s.bands), std::end(s.bands),
                         [&](const auto &b) { return b.low <= low && b.high >= high; }))
            return false;
    }
    return true;
}

void note_on_line(stroke_occlusion &o, const line_place &p, double reach)
{
    const double below = reach - slack - (p.reversed ? judging : 0);
    const double above = reach - slack - (p.reversed ? 0 : judging);
    const std::int64_t first = stretch_at(p.from + along_slack) + 1;
    const std::int64_t last = stretch_at(p.to - along_slack) - 1;
    for (std::int64_t i = first; i <= last; ++i) {
        const double n0 = across_at(p, i * stretch_length);
        const double n1 = across_at(p, (i + 1) * stretch_length);
        const double low = std::max(n0, n1) - below, high = std::min(n0, n1) + above;
        if (low > high)
            continue;
        stroke_occlusion::stretch &s = o.stretches[slot_of(key_of(p, i))];
        if (s.key != key_of(p, i))
            s = empty_stretch(key_of(p, i));
        take_band(s, low, high);
        ++o.noted;
    }
}
