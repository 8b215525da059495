// The shortest hops come from the lists of near ends through a heap that holds at most
// one hop for each end; a union-find over nodes keeps them from closing a loop.
#include "greedy_start.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <limits>
#include <utility>

namespace {

// Union-find over nodes, for the fragments of the greedy start.
std::uint32_t root_of(std::vector<std::uint32_t> &parent, std::uint32_t v)
{
    while (parent[v] != v) {
        parent[v] = parent[parent[v]];
        v = parent[v];
    }
    return v;
}

// The hops still to try, shortest first, each a word: its length as the bits of a
// float, which rise as lengths at or above zero do, then its end and its place in the
// end's list. An end waits in it at most once, so it never holds more hops than ends.
struct hop_queue {
    std::vector<std::uint64_t> heap;
};

void push_hop(hop_queue &q, double length, std::uint32_t end, std::size_t place)
{
    const std::uint64_t bits = std::bit_cast<std::uint32_t>(static_cast<float>(length));
    q.heap.push_back(bits << 32 | (end * neighbour_count + place));
    std::push_heap(q.heap.begin(), q.heap.end(), std::greater<>());
}

// Takes the end and list place of the shortest hop left; returns false when none is left.
bool pop_hop(hop_queue &q, std::uint32_t &end, std::size_t &place)
{
    if (q.heap.empty())
        return false;
    std::pop_heap(q.heap.begin(), q.heap.end(), std::greater<>());
    const auto key = static_cast<std::uint32_t>(q.heap.back());
    q.heap.pop_back();
    end = key / neighbour_count;
    place = key % neighbour_count;
    return true;
}

// Joins the ends nearest each other first, as long as no end takes two hops and no hop
// closes a loop: gives for each end the end it is joined to, or none.
std::vector<std::uint32_t> shortest_hops(const node_ends &e,
                                         const std::vector<std::uint32_t> &neighbours)
{
    const std::size_t count = end_count(e), nodes = count / 2;
    std::vector<std::uint32_t> partner(count, none), parent(nodes);
    for (std::uint32_t v = 0; v < nodes; ++v)
        parent[v] = v;
    // A hop may leave any end of a symmetric problem, else only a node's end. A node
    // whose ends share their entries waits in the queue once, for whichever end is free,
    // and may be joined at either end.
    const auto shared = [&](std::uint32_t end) { return e.shift == 1 && end > 1; };
    const auto leaves = [&](std::uint32_t end) {
        return !is_free(e, end) && (shared(end) ? end % 2 == 0 : e.symmetric || end % 2 == 1) &&
               neighbours[list_of(e, end)] != none;
    };
    hop_queue queue{};
    std::size_t leaving = 0;
    for (std::uint32_t end = 0; end < count; ++end)
        leaving += leaves(end) ? 1 : 0;
    queue.heap.reserve(leaving);
    for (std::uint32_t end = 0; end < count; ++end)
        if (leaves(end))
            push_hop(queue, gap(e, end, neighbours[list_of(e, end)]), end, 0);
    std::uint32_t listed;
    for (std::size_t place; pop_hop(queue, listed, place);) {
        const std::uint32_t end = shared(listed) && partner[listed] != none ? listed ^ 1 : listed;
        if (partner[end] != none)
            continue;
        std::uint32_t other = neighbours[list_of(e, end) + place];
        if (shared(other) && partner[other] != none)
            other ^= 1;
        const std::uint32_t a = root_of(parent, end / 2), b = root_of(parent, other / 2);
        const bool joined = partner[other] == none && a != b;
        if (joined) {
            partner[end] = other;
            partner[other] = end;
            parent[a] = b;
        }
        if ((!joined || (shared(end) && end == listed)) && place + 1 < listed_count(e) &&
            neighbours[list_of(e, end) + place + 1] != none) {
            const std::uint32_t next = neighbours[list_of(e, end) + place + 1];
            push_hop(queue, gap(e, end, next), listed, place + 1);
        }
    }
    return partner;
}

} // namespace

// The fragments of the shortest hops are joined from the tour's start, each time to the
// nearest free fragment.
void greedy_start(const node_ends &e, const std::vector<std::uint32_t> &neighbours,
                  std::vector<std::uint32_t> &order, std::vector<unsigned char> &turned)
{
    const std::size_t count = end_count(e);
    const std::vector<std::uint32_t> partner = shortest_hops(e, neighbours);
    // The fragments' free ends where a fragment may be entered: either free end of a
    // symmetric problem, else the starts of fragments.
    std::vector<std::uint32_t> entries;
    for (std::uint32_t end = 2; end < count; ++end)
        if (partner[end] == none && (e.symmetric || end % 2 == 0))
            entries.push_back(end);
    end_tree free_ends;
    build_tree(free_ends, e.at, std::move(entries), true, e.shift);
    order.clear();
    turned.clear();
    order.reserve(count / 2);
    turned.reserve(count / 2);
    double at_x = 0, at_y = 0;
    bool placed = false;
    for (std::uint32_t end = 0; end != none;) {
        // Walks the fragment entered at end, then hops to the nearest fragment left.
        std::uint32_t from = end;
        for (;;) {
            order.push_back(from / 2);
            turned.push_back(static_cast<unsigned char>(from & 1));
            remove_point(free_ends, from);
            const std::uint32_t out = from ^ 1;
            if (partner[out] == none) {
                remove_point(free_ends, out);
                placed = !is_free(e, out);
                at_x = place_of(e, out).x;
                at_y = place_of(e, out).y;
                break;
            }
            from = partner[out];
        }
        if (!placed) {
            // A free start begins at the lower left, from which the order sweeps the job
            // rather than leaving its far side for last.
            at_x = at_y = std::numeric_limits<double>::infinity();
            for (std::uint32_t v = 2; v < count; ++v) {
                at_x = std::min(at_x, place_of(e, v).x);
                at_y = std::min(at_y, place_of(e, v).y);
            }
            placed = true;
        }
        end = nearest_alive(free_ends, at_x, at_y);
    }
}

std::vector<visit> greedy_order(const ordering_problem &problem, point from)
{
    std::vector<std::uint32_t> group_of(problem.job->groups.size());
    for (std::uint32_t g = 0; g < group_of.size(); ++g)
        group_of[g] = g;
    const node_ends e = ends_of(problem, group_of);
    end_tree tree;
    build_tree(tree, e.at, chosen_ends(e, true, problem.reversible, false), true, e.shift);
    std::vector<visit> order;
    double x = static_cast<double>(from.x), y = static_cast<double>(from.y);
    for (std::uint32_t end; (end = nearest_alive(tree, x, y)) != none;) {
        remove_point(tree, end & ~1U);
        remove_point(tree, end | 1);
        order.push_back({end / 2 - 1, (end & 1) != 0});
        x = place_of(e, end ^ 1).x;
        y = place_of(e, end ^ 1).y;
    }
    return order;
}
