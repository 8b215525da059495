// The tree is implicit: node k holds the points from lo to hi, its halves split that run
// at the middle, so no node is deeper than the logarithm of the count, whatever the
// coordinates. Each node keeps the box of its points, which bounds the searches.
#include "end_tree.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr std::size_t leaf_size = 8;
constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

struct range {
    std::size_t node, lo, hi;
    std::size_t middle() const
    {
        return lo + (hi - lo) / 2;
    }
    range low_half() const
    {
        return {2 * node + 1, lo, middle()};
    }
    range high_half() const
    {
        return {2 * node + 2, middle(), hi};
    }
    bool leaf() const
    {
        return hi - lo <= leaf_size;
    }
};

double box_distance2(const tree_box &b, double x, double y)
{
    const double dx = x < b.low_x ? b.low_x - x : x > b.high_x ? x - b.high_x : 0;
    const double dy = y < b.low_y ? b.low_y - y : y > b.high_y ? y - b.high_y : 0;
    return dx * dx + dy * dy;
}

double distance2(const tree_place &p, double x, double y)
{
    const double dx = p.x - x, dy = p.y - y;
    return dx * dx + dy * dy;
}

const tree_place &place(const end_tree &t, std::uint32_t id)
{
    return (*t.places)[id >> t.shift];
}

void build(end_tree &t, range r)
{
    std::vector<std::uint32_t> &ids = t.ids;
    const tree_place &first = place(t, ids[r.lo]);
    tree_box box{first.x, first.y, first.x, first.y};
    for (std::size_t i = r.lo; i < r.hi; ++i) {
        const tree_place &p = place(t, ids[i]);
        box.low_x = std::min(box.low_x, p.x);
        box.low_y = std::min(box.low_y, p.y);
        box.high_x = std::max(box.high_x, p.x);
        box.high_y = std::max(box.high_y, p.y);
    }
    t.boxes[r.node] = box;
    t.alive[r.node] = static_cast<std::uint32_t>(r.hi - r.lo);
    if (r.leaf())
        return;
    const auto begin = ids.begin() + static_cast<std::ptrdiff_t>(r.lo);
    const auto middle = ids.begin() + static_cast<std::ptrdiff_t>(r.middle());
    const auto end = ids.begin() + static_cast<std::ptrdiff_t>(r.hi);
    if (box.high_x - box.low_x >= box.high_y - box.low_y)
        std::nth_element(begin, middle, end, [&t](std::uint32_t a, std::uint32_t b) {
            return place(t, a).x < place(t, b).x;
        });
    else
        std::nth_element(begin, middle, end, [&t](std::uint32_t a, std::uint32_t b) {
            return place(t, a).y < place(t, b).y;
        });
    build(t, r.low_half());
    build(t, r.high_half());
}

// The halves of r, the one whose box lies nearer (x, y) first, with their distances.
void nearer_first(const end_tree &t, range r, double x, double y, range halves[2], double reach[2])
{
    halves[0] = r.low_half();
    halves[1] = r.high_half();
    reach[0] = box_distance2(t.boxes[halves[0].node], x, y);
    reach[1] = box_distance2(t.boxes[halves[1].node], x, y);
    if (reach[1] < reach[0]) {
        std::swap(halves[0], halves[1]);
        std::swap(reach[0], reach[1]);
    }
}

// The nearest points found so far, nearest first.
struct nearest {
    std::size_t wanted, count;
    std::uint32_t skip_pair;
    std::uint32_t *ids;
    double d2[32];
};

void search(const end_tree &t, range r, double x, double y, nearest &n)
{
    if (r.leaf()) {
        for (std::size_t i = r.lo; i < r.hi; ++i) {
            const std::uint32_t id = t.ids[i];
            const double d2 = distance2(place(t, id), x, y);
            if (id / 2 == n.skip_pair || (n.count == n.wanted && d2 >= n.d2[n.count - 1]))
                continue;
            std::size_t at = n.count < n.wanted ? n.count++ : n.count - 1;
            for (; at > 0 && n.d2[at - 1] > d2; --at) {
                n.d2[at] = n.d2[at - 1];
                n.ids[at] = n.ids[at - 1];
            }
            n.d2[at] = d2;
            n.ids[at] = id;
        }
        return;
    }
    range halves[2];
    double reach[2];
    nearer_first(t, r, x, y, halves, reach);
    for (int h = 0; h < 2; ++h)
        if (n.count < n.wanted || reach[h] < n.d2[n.count - 1])
            search(t, halves[h], x, y, n);
}

// The nearest live point below r that is nearer than best_d2, if any.
void search_alive(const end_tree &t, range r, double x, double y, double &best_d2,
                  std::uint32_t &best)
{
    if (r.leaf()) {
        for (std::size_t i = r.lo; i < r.hi; ++i) {
            const std::uint32_t id = t.ids[i];
            if (id == none)
                continue;
            if (const double d2 = distance2(place(t, id), x, y); d2 < best_d2) {
                best_d2 = d2;
                best = id;
            }
        }
        return;
    }
    range halves[2];
    double reach[2];
    nearer_first(t, r, x, y, halves, reach);
    for (int h = 0; h < 2; ++h)
        if (t.alive[halves[h].node] > 0 && reach[h] < best_d2)
            search_alive(t, halves[h], x, y, best_d2, best);
}

} // namespace

void build_tree(end_tree &t, const std::vector<tree_place> &places, std::vector<std::uint32_t> ids,
                bool removable, unsigned shift)
{
    t.places = &places;
    t.shift = shift;
    t.ids = std::move(ids);
    std::size_t nodes = 1;
    for (std::size_t widest = t.ids.size(); widest > leaf_size; widest = (widest + 1) / 2)
        nodes = 2 * nodes + 1;
    t.boxes.assign(nodes, tree_box{});
    t.alive.assign(nodes, 0);
    if (!t.ids.empty())
        build(t, {0, 0, t.ids.size()});
    t.slot.assign(removable ? places.size() << shift : 0, none);
    for (std::size_t i = 0; i < t.ids.size() && removable; ++i)
        t.slot[t.ids[i]] = static_cast<std::uint32_t>(i);
}

std::size_t nearest_points(const end_tree &t, double x, double y, std::size_t count,
                           std::uint32_t skip_pair, std::uint32_t *found, std::uint32_t near)
{
    nearest n{.wanted = std::min<std::size_t>(count, 32),
              .count = 0,
              .skip_pair = skip_pair,
              .ids = found,
              .d2 = {}};
    if (t.ids.empty() || n.wanted == 0)
        return 0;
    range r{0, 0, t.ids.size()};
    if (near >= t.ids.size()) {
        search(t, r, x, y, n);
        return n.count;
    }
    // Down to near's leaf without a look at any place, then up, searching each sibling
    // on the way that may hold nearer points. Once the nearest found lie within a node's
    // box, no point outside it can be nearer, since the box lies within the node's part
    // of the plane.
    range path[64];
    std::size_t depth = 0;
    for (path[depth++] = r; !r.leaf(); path[depth++] = r)
        r = near < r.middle() ? r.low_half() : r.high_half();
    search(t, r, x, y, n);
    for (std::size_t k = depth - 1; k > 0; --k) {
        const tree_box &box = t.boxes[path[k].node];
        if (n.count == n.wanted) {
            const double reach = n.d2[n.count - 1];
            const auto room = [reach](double low, double high) {
                return low >= 0 && high >= 0 && low * low >= reach && high * high >= reach;
            };
            if (room(x - box.low_x, box.high_x - x) && room(y - box.low_y, box.high_y - y))
                break;
        }
        const range parent = path[k - 1];
        const range sibling =
            path[k].node == parent.low_half().node ? parent.high_half() : parent.low_half();
        if (n.count < n.wanted || box_distance2(t.boxes[sibling.node], x, y) < n.d2[n.count - 1])
            search(t, sibling, x, y, n);
    }
    return n.count;
}

std::uint32_t nearest_alive(const end_tree &t, double x, double y)
{
    double best_d2 = std::numeric_limits<double>::infinity();
    std::uint32_t best = none;
    if (!t.ids.empty() && t.alive[0] > 0)
        search_alive(t, {0, 0, t.ids.size()}, x, y, best_d2, best);
    return best;
}

void remove_point(end_tree &t, std::uint32_t id)
{
    const std::uint32_t at = id < t.slot.size() ? t.slot[id] : none;
    if (at == none || t.ids[at] == none)
        return;
    t.ids[at] = none;
    for (range r{0, 0, t.ids.size()};; r = at < r.middle() ? r.low_half() : r.high_half()) {
        --t.alive[r.node];
        if (r.leaf())
            break;
    }
}
