// A path is reversed in one of two ways. Inside one segment its nodes are relinked in
// reverse. Otherwise its ends are first made the ends of segments, by moving the shorter
// part of each end's segment into the neighbouring segment, and then the run of whole
// segments is reversed by flipping their bits and relinking the ring of segments. Of a
// path and the rest of the tour, the one over fewer segments is reversed.
#include "tour_list.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

std::uint32_t head(const tour_list &t, std::uint32_t s)
{
    return t.segments[s].reversed ? t.segments[s].last : t.segments[s].first;
}

std::uint32_t tail(const tour_list &t, std::uint32_t s)
{
    return t.segments[s].reversed ? t.segments[s].first : t.segments[s].last;
}

// The place of v within its segment, rising along the tour.
std::int64_t key(const tour_list &t, std::uint32_t v)
{
    return t.segments[t.segment[v]].reversed ? -t.rank[v] : t.rank[v];
}

// Adds v at the tour's end of segment s (at its start when at_head is true).
void attach(tour_list &t, std::uint32_t s, std::uint32_t v, bool at_head)
{
    tour_segment &seg = t.segments[s];
    ++t.work;
    t.turned[v] ^= static_cast<unsigned char>(t.segments[t.segment[v]].reversed != seg.reversed);
    t.segment[v] = s;
    if (++seg.size == 4 * t.segment_size)
        t.overgrown.push_back(s);
    if (at_head == seg.reversed) {
        t.prev[v] = seg.last;
        t.next[v] = none;
        t.rank[v] = t.rank[seg.last] + 1;
        t.next[seg.last] = v;
        seg.last = v;
    } else {
        t.next[v] = seg.first;
        t.prev[v] = none;
        t.rank[v] = t.rank[seg.first] - 1;
        t.prev[seg.first] = v;
        seg.first = v;
    }
}

// Makes v the head of a segment (its tail when as_tail is true) by moving the shorter
// part of its segment into a neighbour, never into the segment keep.
void cut_at(tour_list &t, std::uint32_t v, bool as_tail, std::uint32_t keep)
{
    const std::uint32_t s = t.segment[v];
    if (v == (as_tail ? tail(t, s) : head(t, s)))
        return;
    // The segment is split between before and after: v starts after, or ends before.
    const std::uint32_t before_end = as_tail ? v : tour_prev(t, v);
    const std::uint32_t after_start = as_tail ? tour_next(t, v) : v;
    std::uint32_t a = head(t, s), b = after_start;
    while (a != before_end && b != tail(t, s)) {
        a = tour_next(t, a);
        b = tour_next(t, b);
    }
    bool move_before = a == before_end;
    if (s == keep)
        move_before = false;
    else if (t.segments[s].next == keep)
        move_before = true;
    // The part is moved node by node from its far end inward, so that it keeps its order.
    const std::uint32_t to = move_before ? t.segments[s].prev : t.segments[s].next;
    const std::uint32_t stop = move_before ? after_start : before_end;
    for (std::uint32_t u = move_before ? head(t, s) : tail(t, s); u != stop;) {
        const std::uint32_t step = move_before ? tour_next(t, u) : tour_prev(t, u);
        --t.segments[s].size;
        attach(t, to, u, !move_before);
        u = step;
    }
    tour_segment &seg = t.segments[s];
    const bool cut_at_first = move_before != seg.reversed;
    (cut_at_first ? seg.first : seg.last) = stop;
    (cut_at_first ? t.prev : t.next)[stop] = none;
}

// Reverses the path from a to b within one segment, a not after b.
void reverse_inside(tour_list &t, std::uint32_t a, std::uint32_t b)
{
    const std::uint32_t s = t.segment[a];
    tour_segment &seg = t.segments[s];
    if (a == head(t, s) && b == tail(t, s)) {
        seg.reversed = !seg.reversed;
        return;
    }
    const std::uint32_t first = seg.reversed ? b : a, last = seg.reversed ? a : b;
    const std::uint32_t before = t.prev[first], after = t.next[last];
    t.scratch.clear();
    for (std::uint32_t u = first;; u = t.next[u]) {
        t.scratch.push_back(u);
        if (u == last)
            break;
    }
    t.work += t.scratch.size();
    // Ranks within a segment are consecutive, so the run takes its own ranks back.
    const std::size_t m = t.scratch.size();
    const std::int64_t low_rank = t.rank[first];
    std::uint32_t previous = before;
    for (std::size_t i = 0; i < m; ++i) {
        const std::uint32_t u = t.scratch[m - 1 - i];
        t.rank[u] = low_rank + static_cast<std::int64_t>(i);
        t.turned[u] ^= 1;
        t.prev[u] = previous;
        if (previous != none)
            t.next[previous] = u;
        previous = u;
    }
    t.next[previous] = after;
    if (after != none)
        t.prev[after] = previous;
    if (before == none)
        seg.first = last;
    if (after == none)
        seg.last = first;
}

// Numbers the places along the ring of the segments from first to last anew, on from
// the place of the one before first; returns how many were numbered.
std::uint32_t renumber_segments(tour_list &t, std::uint32_t first, std::uint32_t last)
{
    const auto count = static_cast<std::uint32_t>(t.segments.size());
    std::uint32_t rank = t.segments[t.segments[first].prev].rank, numbered = 0;
    for (std::uint32_t u = first;; u = t.segments[u].next) {
        rank = rank + 1 == count ? 0 : rank + 1;
        t.segments[u].rank = rank;
        ++numbered;
        if (u == last)
            break;
    }
    return numbered;
}

// Reverses the run of whole segments from s to e.
void reverse_segments(tour_list &t, std::uint32_t s, std::uint32_t e)
{
    const std::uint32_t before = t.segments[s].prev, after = t.segments[e].next;
    for (std::uint32_t u = s;; u = t.segments[u].prev) {
        tour_segment &seg = t.segments[u];
        ++t.work;
        std::swap(seg.next, seg.prev);
        seg.reversed = !seg.reversed;
        if (u == e)
            break;
    }
    t.segments[before].next = e;
    t.segments[e].prev = before;
    t.segments[s].next = after;
    t.segments[after].prev = s;
    renumber_segments(t, e, s);
}

// Spreads the nodes of the segments around s evenly over them again, each segment then
// read forward, so that no segment grows without bound as parts move between them.
void rebalance(tour_list &t, std::uint32_t s)
{
    const auto count = static_cast<std::uint32_t>(t.segments.size());
    const std::uint32_t reach = std::min<std::uint32_t>(4, (count - 1) / 2);
    std::uint32_t first = s, segments = 1;
    for (std::uint32_t k = 0; k < reach; ++k) {
        first = t.segments[first].prev;
        segments += 2;
    }
    t.scratch.clear();
    t.scratch_turned.clear();
    std::uint32_t v = head(t, first);
    for (std::uint32_t u = first, i = 0; i < segments; u = t.segments[u].next, ++i)
        for (std::uint32_t k = 0; k < t.segments[u].size; ++k, v = tour_next(t, v)) {
            t.scratch.push_back(v);
            t.scratch_turned.push_back(static_cast<unsigned char>(is_turned(t, v)));
        }
    const std::size_t nodes = t.scratch.size();
    t.work += nodes;
    std::size_t k = 0;
    for (std::uint32_t u = first, i = 0; i < segments; u = t.segments[u].next, ++i) {
        const std::size_t end = nodes * (i + 1) / segments;
        tour_segment &seg = t.segments[u];
        seg = {t.scratch[k], t.scratch[end - 1], seg.next,
               seg.prev,     seg.rank,           static_cast<std::uint32_t>(end - k),
               false};
        for (std::size_t j = k; j < end; ++j) {
            const std::uint32_t w = t.scratch[j];
            t.segment[w] = u;
            t.turned[w] = t.scratch_turned[j];
            t.rank[w] = static_cast<std::int64_t>(j - k);
            t.prev[w] = j == k ? none : t.scratch[j - 1];
            t.next[w] = j + 1 == end ? none : t.scratch[j + 1];
        }
        k = end;
    }
}

// Reverses the path from a forward to b, which is not the whole tour and, when a and b
// share a segment, lies inside it.
void reverse_forward(tour_list &t, std::uint32_t a, std::uint32_t b)
{
    if (t.segment[a] == t.segment[b] && key(t, a) <= key(t, b)) {
        reverse_inside(t, a, b);
        return;
    }
    cut_at(t, a, false, none);
    cut_at(t, b, true, t.segment[a]);
    reverse_segments(t, t.segment[a], t.segment[b]);
    for (const std::uint32_t s : t.overgrown)
        if (t.segments[s].size >= 4 * t.segment_size)
            rebalance(t, s);
    t.overgrown.clear();
}

} // namespace

void build_tour(tour_list &t, const std::vector<std::uint32_t> &order,
                const std::vector<unsigned char> &turned)
{
    const std::size_t n = order.size();
    t.next.assign(n, none);
    t.prev.assign(n, none);
    t.rank.assign(n, 0);
    t.segment.assign(n, 0);
    t.turned.assign(n, 0);
    t.overgrown.clear();
    t.work = 0;
    t.segment_size = std::max<std::uint32_t>(
        1, static_cast<std::uint32_t>(std::lround(std::sqrt(static_cast<double>(n)) / 4)));
    std::size_t count = std::max<std::size_t>(2, (n + t.segment_size - 1) / t.segment_size);
    const std::size_t size = (n + count - 1) / count;
    count = (n + size - 1) / size;
    t.segments.assign(count, tour_segment{});
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t v = order[k];
        const auto s = static_cast<std::uint32_t>(k / size);
        tour_segment &seg = t.segments[s];
        t.segment[v] = s;
        t.turned[v] = turned[k];
        t.rank[v] = static_cast<std::int64_t>(k % size);
        if (k % size == 0) {
            seg.first = v;
        } else {
            t.prev[v] = order[k - 1];
            t.next[order[k - 1]] = v;
        }
        seg.last = v;
        ++seg.size;
    }
    for (std::uint32_t s = 0; s < count; ++s) {
        t.segments[s].rank = s;
        t.segments[s].next = s + 1 == count ? 0 : s + 1;
        t.segments[s].prev = s == 0 ? static_cast<std::uint32_t>(count - 1) : s - 1;
    }
}

std::uint32_t tour_next(const tour_list &t, std::uint32_t v)
{
    const tour_segment &seg = t.segments[t.segment[v]];
    if (!seg.reversed)
        return v != seg.last ? t.next[v] : head(t, seg.next);
    return v != seg.first ? t.prev[v] : head(t, seg.next);
}

std::uint32_t tour_prev(const tour_list &t, std::uint32_t v)
{
    const tour_segment &seg = t.segments[t.segment[v]];
    if (!seg.reversed)
        return v != seg.first ? t.prev[v] : tail(t, seg.prev);
    return v != seg.last ? t.next[v] : tail(t, seg.prev);
}

bool between(const tour_list &t, std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    const auto place = [&](std::uint32_t v) {
        return std::pair{t.segments[t.segment[v]].rank, key(t, v)};
    };
    const auto pa = place(a), pb = place(b), pc = place(c);
    if (pa <= pc)
        return pa <= pb && pb <= pc;
    return pb >= pa || pb <= pc;
}

bool reverse_path(tour_list &t, std::uint32_t a, std::uint32_t b)
{
    if (a == b) {
        t.turned[a] ^= 1;
        return false;
    }
    const std::uint32_t after_b = tour_next(t, b);
    if (after_b == a)
        return false;
    const std::uint32_t before_a = tour_prev(t, a);
    const std::uint32_t sa = t.segment[a], sb = t.segment[b];
    bool rest = false;
    if (sa == sb) {
        rest = key(t, a) > key(t, b);
    } else {
        const auto count = static_cast<std::uint32_t>(t.segments.size());
        const std::uint32_t spanned = (t.segments[sb].rank + count - t.segments[sa].rank) % count;
        rest = 2 * spanned > count;
    }
    if (rest)
        reverse_forward(t, after_b, before_a);
    else
        reverse_forward(t, a, b);
    return rest;
}

bool move_run(tour_list &t, std::uint32_t first, std::uint32_t last, std::uint32_t after)
{
    if (tour_next(t, after) == first)
        return true;
    t.scratch.clear();
    t.scratch_turned.clear();
    for (std::uint32_t v = first;; v = tour_next(t, v)) {
        t.scratch.push_back(v);
        t.scratch_turned.push_back(static_cast<unsigned char>(is_turned(t, v)));
        if (v == last)
            break;
    }
    // The run passes each segment in one stretch, so counting stretches is enough.
    for (std::size_t i = 0, stretch = 0; i < t.scratch.size(); ++i) {
        stretch = i > 0 && t.segment[t.scratch[i]] == t.segment[t.scratch[i - 1]] ? stretch + 1 : 1;
        if (stretch >= t.segments[t.segment[t.scratch[i]]].size)
            return false;
    }
    for (const std::uint32_t v : t.scratch) {
        tour_segment &seg = t.segments[t.segment[v]];
        const std::uint32_t before = t.prev[v], behind = t.next[v];
        (before != none ? t.next[before] : seg.first) = behind;
        (behind != none ? t.prev[behind] : seg.last) = before;
        --seg.size;
    }
    // In a reversed segment the tour runs against the links, so the run goes in before
    // after, last node first.
    const std::uint32_t s = t.segment[after];
    tour_segment &seg = t.segments[s];
    std::uint32_t left = seg.reversed ? t.prev[after] : after;
    const std::uint32_t right = seg.reversed ? after : t.next[after];
    const std::size_t m = t.scratch.size();
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t k = seg.reversed ? m - 1 - i : i;
        const std::uint32_t v = t.scratch[k];
        t.segment[v] = s;
        t.turned[v] = static_cast<unsigned char>(t.scratch_turned[k] != seg.reversed);
        t.prev[v] = left;
        (left != none ? t.next[left] : seg.first) = v;
        left = v;
    }
    t.next[left] = right;
    (right != none ? t.prev[right] : seg.last) = left;
    seg.size += static_cast<std::uint32_t>(m);
    std::int64_t rank = 0;
    for (std::uint32_t v = seg.first; v != none; v = t.next[v])
        t.rank[v] = rank++;
    t.work += m + seg.size;
    if (seg.size >= 4 * t.segment_size)
        rebalance(t, s);
    return true;
}

namespace {

// The segments from first to last along the ring.
std::uint32_t segments_from(const tour_list &t, std::uint32_t first, std::uint32_t last)
{
    const auto count = static_cast<std::uint32_t>(t.segments.size());
    return (t.segments[last].rank + count - t.segments[first].rank) % count + 1;
}

// Puts the block of segments b_first to b_last in front of the block a_first to a_last,
// which it follows, and numbers their places along the ring anew.
void exchange_blocks(tour_list &t, std::uint32_t a_first, std::uint32_t a_last,
                     std::uint32_t b_first, std::uint32_t b_last)
{
    const std::uint32_t before = t.segments[a_first].prev, after = t.segments[b_last].next;
    t.segments[before].next = b_first;
    t.segments[b_first].prev = before;
    t.segments[b_last].next = a_first;
    t.segments[a_first].prev = b_last;
    t.segments[a_last].next = after;
    t.segments[after].prev = a_last;
    t.work += renumber_segments(t, b_first, a_last);
}

} // namespace

bool exchange_runs(tour_list &t, std::uint32_t x1, std::uint32_t x2, std::uint32_t y1,
                   std::uint32_t y2)
{
    if (tour_next(t, y2) == x1)
        return true;
    // The three ends become ends of segments. Each cut keeps the head of a segment
    // already cut from moving: the third keeps y1's unless y2 lies beyond its segment,
    // and then x1's, which only a ring too small for the relinking could put at risk.
    cut_at(t, x1, false, none);
    cut_at(t, y1, false, t.segment[x1]);
    const std::uint32_t y_first = t.segment[y1];
    if (t.segment[y2] == y_first && t.segments[y_first].next == t.segment[x1])
        return false;
    cut_at(t, y2, true, t.segment[y2] == y_first ? y_first : t.segment[x1]);
    const std::uint32_t x_first = t.segment[x1], x_last = t.segment[x2];
    const std::uint32_t y_last = t.segment[y2];
    const std::uint32_t z_first = t.segments[y_last].next, z_last = t.segments[x_first].prev;
    const bool cut = head(t, x_first) == x1 && head(t, y_first) == y1 && tail(t, y_last) == y2;
    if (cut) {
        // As a ring, x y z turned to y x z is z x y and x z y: the two smallest blocks
        // move.
        const std::uint32_t xs = segments_from(t, x_first, x_last);
        const std::uint32_t ys = segments_from(t, y_first, y_last);
        const std::uint32_t zs = static_cast<std::uint32_t>(t.segments.size()) - xs - ys;
        if (xs + ys <= ys + zs && xs + ys <= zs + xs)
            exchange_blocks(t, x_first, x_last, y_first, y_last);
        else if (ys + zs <= zs + xs)
            exchange_blocks(t, y_first, y_last, z_first, z_last);
        else
            exchange_blocks(t, z_first, z_last, x_first, x_last);
    }
    for (const std::uint32_t s : t.overgrown)
        if (t.segments[s].size >= 4 * t.segment_size)
            rebalance(t, s);
    t.overgrown.clear();
    return cut;
}

void read_tour(const tour_list &t, std::uint32_t start, bool backward,
               std::vector<std::uint32_t> &order, std::vector<unsigned char> &turned)
{
    order.clear();
    turned.clear();
    order.reserve(t.next.size());
    turned.reserve(t.next.size());
    std::uint32_t v = start;
    do {
        order.push_back(v);
        turned.push_back(static_cast<unsigned char>(is_turned(t, v) != backward));
        v = backward ? tour_prev(t, v) : tour_next(t, v);
    } while (v != start);
}
