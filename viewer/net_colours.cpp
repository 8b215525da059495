// Greedy colouring over a pyramid of grids, so that a net looks only at the nets in the
// cells around its own box, at its own size and above.
#include "net_colours.h"

#include <algorithm>
#include <cmath>

namespace {

// The nets of a picture in a pyramid of grids over their extent, each level's cells
// twice as wide as the level's below. A net lies in the cells of the level at which
// its box spans at most two cells each way; each cell lists the nets in it, newest
// first, through links kept with the nets.
struct net_grid {
    std::uint64_t low_x, low_y;        // the extent's lower left corner, in hundredths
    std::uint64_t cell;                // the width of a cell of level 0
    std::uint64_t near;                // boxes this close look adjoining
    std::vector<std::size_t> start;    // where each level's cells begin in first
    std::vector<std::uint64_t> across; // cells along each side, at each level
    std::vector<std::uint32_t> first, link;
    std::vector<unsigned char> level;
};

constexpr std::uint32_t no_net = UINT32_MAX;

// How far a box lies from the extent's corner, in hundredths; the differences are taken
// in unsigned words, which hold them whatever the coordinates.
struct box_offsets {
    std::uint64_t low_x, low_y, high_x, high_y;
};

box_offsets offsets_of(const net_grid &g, const net_box &b)
{
    return {static_cast<std::uint64_t>(b.min_x) - g.low_x,
            static_cast<std::uint64_t>(b.min_y) - g.low_y,
            static_cast<std::uint64_t>(b.max_x) - g.low_x,
            static_cast<std::uint64_t>(b.max_y) - g.low_y};
}

// Calls visit with the index in g.first of each cell of level that the box of offsets
// o, widened by by, reaches.
template <typename Visit>
void for_cells(const net_grid &g, std::size_t level, const box_offsets &o, std::uint64_t by,
               Visit visit)
{
    const std::uint64_t across = g.across[level];
    const auto cell_of = [&](std::uint64_t at) {
        return std::min((at >> level) / g.cell, across - 1);
    };
    const auto widen = [&](std::uint64_t at) {
        return at > UINT64_MAX - by ? UINT64_MAX : at + by;
    };
    for (std::uint64_t cy = cell_of(o.low_y > by ? o.low_y - by : 0);
         cy <= cell_of(widen(o.high_y)); ++cy)
        for (std::uint64_t cx = cell_of(o.low_x > by ? o.low_x - by : 0);
             cx <= cell_of(widen(o.high_x)); ++cx)
            if (!visit(g.start[level] + cy * across + cx))
                return;
}

bool adjoining(const net_grid &g, const box_offsets &a, const box_offsets &b)
{
    const auto reaches = [&](std::uint64_t low, std::uint64_t high) {
        return low <= high || low - high <= g.near;
    };
    return reaches(a.low_x, b.high_x) && reaches(b.low_x, a.high_x) && reaches(a.low_y, b.high_y) &&
           reaches(b.low_y, a.high_y);
}

// The grid over the drawn nets, with each net's level; the drawn nets into order, widest
// first.
net_grid grid_over(std::span<const net_box> nets, std::vector<std::uint32_t> &order)
{
    std::uint64_t drawn = 0;
    net_box all{};
    for (const net_box &box : nets) {
        if (!box.drawn)
            continue;
        all = drawn++ ? net_box{.drawn = true,
                                .min_x = std::min(all.min_x, box.min_x),
                                .min_y = std::min(all.min_y, box.min_y),
                                .max_x = std::max(all.max_x, box.max_x),
                                .max_y = std::max(all.max_y, box.max_y)}
                      : box;
    }
    net_grid g{};
    g.low_x = static_cast<std::uint64_t>(all.min_x);
    g.low_y = static_cast<std::uint64_t>(all.min_y);
    const box_offsets whole = offsets_of(g, all);
    const std::uint64_t span = std::max(whole.high_x, whole.high_y);
    // Nets whose strokes come within half a percent of the picture's width look adjoining.
    g.near = span / 200;
    g.cell = std::max<std::uint64_t>(
        {span / (static_cast<std::uint64_t>(std::sqrt(static_cast<double>(drawn))) + 1), g.near,
         1});
    g.start = {0};
    for (std::size_t level = 0; g.across.empty() || g.across.back() > 1; ++level) {
        g.across.push_back((span >> level) / g.cell + 1);
        g.start.push_back(g.start.back() + g.across.back() * g.across.back());
    }
    const std::size_t levels = g.start.size() - 1;
    g.first.assign(g.start.back(), no_net);
    g.link.assign(4 * nets.size(), no_net);
    g.level.assign(nets.size(), 0);
    order.reserve(drawn);
    for (std::size_t n = 0; n < nets.size(); ++n) {
        if (!nets[n].drawn)
            continue;
        const box_offsets o = offsets_of(g, nets[n]);
        const std::uint64_t extent = std::max(o.high_x - o.low_x, o.high_y - o.low_y);
        while (g.level[n] + 1u < levels && g.cell <= (extent >> g.level[n]))
            ++g.level[n];
        order.push_back(static_cast<std::uint32_t>(n));
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return g.level[a] > g.level[b]; });
    return g;
}

} // namespace

// Greedy colouring, the nets of the widest boxes first, so that a net need look only at
// the levels of its own size and above for the nets near it coloured before. The looks
// are counted, so that however densely the nets lie, a net costs a bounded number of
// steps; where that many nets are near it, no colour could tell it from all of them.
std::vector<unsigned char> net_colours(std::span<const net_box> nets)
{
    std::vector<unsigned char> colours(nets.size());
    for (std::size_t n = 0; n < nets.size(); ++n)
        colours[n] = static_cast<unsigned char>(n % palette_size);
    std::vector<std::uint32_t> order;
    net_grid g = grid_over(nets, order);
    const std::size_t levels = g.start.size() - 1;
    constexpr int looks_per_net = 256;
    // Once every colour is taken, nothing more that is found can change the net's colour.
    constexpr std::uint32_t every_colour = (std::uint32_t{1} << palette_size) - 1;
    for (const std::uint32_t n : order) {
        const box_offsets o = offsets_of(g, nets[n]);
        std::uint32_t used = 0;
        int looks = 0;
        const auto looking = [&] { return looks < looks_per_net && used != every_colour; };
        for (std::size_t level = g.level[n]; level < levels && looking(); ++level)
            for_cells(g, level, o, g.near, [&](std::size_t cell) {
                for (std::uint32_t k = g.first[cell]; k != no_net && looking();
                     k = g.link[k], ++looks) {
                    const std::uint32_t other = k / 4;
                    if (adjoining(g, o, offsets_of(g, nets[other])))
                        used |= std::uint32_t{1} << colours[other];
                }
                return looking();
            });
        // The search starts at a colour of the net's own, so that the palette is used
        // evenly rather than its first few colours everywhere.
        std::size_t colour = n % palette_size;
        for (std::size_t tried = 0; tried < palette_size && (used >> colour & 1); ++tried)
            colour = (colour + 1) % palette_size;
        colours[n] = static_cast<unsigned char>(colour);
        std::uint32_t slot = 4 * n;
        for_cells(g, g.level[n], o, 0, [&](std::size_t cell) {
            g.link[slot] = g.first[cell];
            g.first[cell] = slot++;
            return true;
        });
    }
    return colours;
}
