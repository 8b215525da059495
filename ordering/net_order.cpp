// The search works on a closed tour of nodes: node 0 stands for where the tool is before
// the first net, the others for the groups, node v for group v - 1. End 2v is where a
// node is entered and end 2v + 1 where it is left, unless the tour passes it turned
// round. Node 0 is entered from anywhere at no cost (the tool stops after the last net)
// and left from the anchor, or from anywhere when there is none. With every hop's cost
// the same read either way, a tour read backwards is the same tour, which lets the
// tour list reverse whichever side of a path is shorter.
#include "net_order.h"

#include "end_tree.h"
#include "tour_list.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

namespace {

constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

// Ends near each end that the search looks at.
constexpr std::size_t neighbour_count = 8, shared_neighbour_count = 5;

// The longest run of nodes that a random change moves.
constexpr std::uint32_t longest_run = 8;

// The work a random change takes before its local search: picking and walking its runs.
constexpr std::uint64_t first_kick_looks = 2 * longest_run;

// The local search from the start does some 90 to 150 steps of work a group on routed
// boards, up to 500 on dense ones and 1,500 on nets all on one line: it may do 400. A
// step of the random changes' budget is some 44 steps of work a group.
constexpr double local_work_per_group = 400, kick_work_per_group = 44;

// The local search's work a group beyond which the random changes give up twice what it
// does more, down to a quarter of their share, so that a job of any shape takes about
// as long.
constexpr double usual_local_work = 150;

// When every group's two ends coincide, as a drilling job's do, an end shares its place
// and its list of near ends with the other end of its node: half the memory, and lists
// that name twice as many nodes.
struct node_ends {
    std::vector<tree_place> at;          // end k lies at at[k >> shift], in hundredths
    unsigned shift;                      // 1 when ends of a node share their entries
    bool anchored;                       // end 1 is the anchor
    std::vector<unsigned char> turnable; // a node that may be passed either way round
    bool symmetric;                      // every node but node 0 may
};

std::size_t end_count(const node_ends &e)
{
    return 2 * e.turnable.size();
}

const tree_place &place_of(const node_ends &e, std::uint32_t end)
{
    return e.at[end >> e.shift];
}

// How many near ends each list holds: fewer where they name a node each, which makes
// up for listing each node once, not by both its ends.
std::size_t listed_count(const node_ends &e)
{
    return e.shift == 1 ? shared_neighbour_count : neighbour_count;
}

// Where the near ends of end are listed, nearest first.
std::size_t list_of(const node_ends &e, std::uint32_t end)
{
    return (end >> e.shift) * listed_count(e);
}

bool is_free(const node_ends &e, std::uint32_t end)
{
    return end == 0 || (end == 1 && !e.anchored);
}

double gap(const node_ends &e, std::uint32_t from, std::uint32_t to)
{
    if (is_free(e, from) || is_free(e, to))
        return 0;
    const tree_place &a = place_of(e, from), &b = place_of(e, to);
    const double dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

// The ends of node v, which stands for group group_of[v - 1].
node_ends ends_of(const ordering_problem &problem, const std::vector<std::uint32_t> &group_of)
{
    const std::size_t nodes = problem.job->groups.size() + 1;
    bool shared = true;
    for (std::size_t g = 0; g + 1 < nodes && shared; ++g) {
        const stroke_ends s = stroke_of(*problem.job, g);
        shared = s.start.x == s.end.x && s.start.y == s.end.y;
    }
    node_ends e{std::vector<tree_place>(shared ? nodes : 2 * nodes), shared ? 1U : 0U,
                problem.anchored, std::vector<unsigned char>(nodes), true};
    e.at[1 >> e.shift] = {static_cast<double>(problem.anchor.x),
                          static_cast<double>(problem.anchor.y)};
    for (std::uint32_t v = 1; v < nodes; ++v) {
        const stroke_ends s = stroke_of(*problem.job, group_of[v - 1]);
        e.at[2 * v >> e.shift] = {static_cast<double>(s.start.x), static_cast<double>(s.start.y)};
        e.at[(2 * v + 1) >> e.shift] = {static_cast<double>(s.end.x), static_cast<double>(s.end.y)};
        e.turnable[v] = problem.reversible || (s.start.x == s.end.x && s.start.y == s.end.y);
        e.symmetric = e.symmetric && e.turnable[v];
    }
    return e;
}

// The groups' starts, their ends, or both; with the anchor among the ends when asked.
std::vector<std::uint32_t> chosen_ends(const node_ends &e, bool starts, bool ends, bool anchor)
{
    std::vector<std::uint32_t> chosen;
    const std::size_t count = end_count(e);
    chosen.reserve(count / (starts && ends ? 1 : 2) + 1);
    if (anchor && e.anchored)
        chosen.push_back(1);
    for (std::uint32_t end = 2; end < count; ++end)
        if (end % 2 == 0 ? starts : ends)
            chosen.push_back(end);
    return chosen;
}

// The nearest ends that a hop from each end may reach, nearest first, cut short with
// none: any end of another node when nodes may be turned round, and otherwise the
// starts for a node's end and the ends for its start. Ends that share their entries
// are listed by the node's start alone.
std::vector<std::uint32_t> neighbours_of(const node_ends &e)
{
    const std::size_t count = end_count(e);
    std::vector<std::uint32_t> lists((count >> e.shift) * listed_count(e), none);
    const auto search = [&](const end_tree &tree, std::uint32_t end, std::uint32_t near) {
        const tree_place &at = place_of(e, end);
        nearest_points(tree, at.x, at.y, listed_count(e), end / 2, &lists[list_of(e, end)], near);
    };
    if (e.symmetric) {
        // Every end the search starts from is in the tree: in the tree's order, each from
        // its own leaf, so that the searches find the tree's nodes still in the cache.
        end_tree tree;
        build_tree(tree, e.at, chosen_ends(e, true, e.shift == 0, true), false, e.shift);
        for (std::uint32_t i = 0; i < tree.ids.size(); ++i)
            search(tree, tree.ids[i], i);
        return lists;
    }
    for (int side = 0; side < 2; ++side) {
        end_tree tree;
        build_tree(tree, e.at, chosen_ends(e, side == 0, side == 1, side == 1), false);
        // Nodes are numbered by place, so that searches in that order find the tree's
        // nodes still in the cache.
        for (std::uint32_t end = 1; end < count; ++end)
            if (!is_free(e, end) && end % 2 != static_cast<unsigned>(side))
                search(tree, end, none);
    }
    return lists;
}

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

// An end's number times the list's length still fits in the low half of a word.
constexpr std::size_t most_queued_ends = std::size_t{1} << 29;

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

// A start built from the shortest hops, its fragments then joined from the tour's start,
// each time to the nearest free fragment. Gives the nodes from node 0 on, and how each
// is passed.
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

// A change to the tour since the last random change, to undo it, in the list's order
// when it was made: the path a to b reversed, with c before it and d after it; the run a
// to b moved from behind c to behind d; or the runs a to b and c to d exchanged.
enum class change { reversed, moved, exchanged };
struct journal_entry {
    change kind;
    std::uint32_t a, b, c, d;
};

struct search {
    const node_ends &e;
    const std::vector<std::uint32_t> &neighbours;
    double least_gain; // gains below this are rounding
    tour_list t;
    std::vector<std::uint32_t> queue;
    std::size_t queue_head, queue_size;
    std::vector<unsigned char> queued;
    std::vector<journal_entry> journal;
    bool journaling;
    double gained;
    std::uint64_t looks; // candidate moves looked at, to measure the search by
    std::uint64_t steps; // looks for a move around a group, to check the clock by
    std::chrono::steady_clock::time_point deadline;
    bool cut_short; // the clock stopped the search
};

// The work the search has done: what it looked at, and what the tour list moved.
std::uint64_t work_done(const search &s)
{
    return s.looks + s.t.work;
}

// The tour read forward (dir 0) or backward (dir 1).
std::uint32_t next_of(const search &s, std::uint32_t v, int dir)
{
    return dir ? tour_prev(s.t, v) : tour_next(s.t, v);
}

std::uint32_t prev_of(const search &s, std::uint32_t v, int dir)
{
    return dir ? tour_next(s.t, v) : tour_prev(s.t, v);
}

std::uint32_t entry_of(const search &s, std::uint32_t v, int dir)
{
    return 2 * v + (is_turned(s.t, v) != (dir != 0));
}

std::uint32_t exit_of(const search &s, std::uint32_t v, int dir)
{
    return entry_of(s, v, dir) ^ 1;
}

// The end that a hop to the listed end reaches: that end, or for a node listed by its
// start, its exit or its entry as at_exit asks.
std::uint32_t reached(const search &s, std::uint32_t listed, bool at_exit, int dir)
{
    if (s.e.shift == 0 || listed < 2)
        return listed;
    return at_exit ? exit_of(s, listed / 2, dir) : entry_of(s, listed / 2, dir);
}

double link_after(const search &s, std::uint32_t v, int dir)
{
    return gap(s.e, exit_of(s, v, dir), entry_of(s, next_of(s, v, dir), dir));
}

bool on_path(const search &s, std::uint32_t a, std::uint32_t b, std::uint32_t c, int dir)
{
    return dir ? between(s.t, c, b, a) : between(s.t, a, b, c);
}

bool reverse_logged(search &s, std::uint32_t a, std::uint32_t b)
{
    if (s.journaling)
        s.journal.push_back({change::reversed, a, b, tour_prev(s.t, a), tour_next(s.t, b)});
    return reverse_path(s.t, a, b);
}

// Reverses the path from a to b as read in direction dir. When the list reversed the
// rest of the tour instead, the same paths now read the other way, and so does dir.
void flip(search &s, std::uint32_t a, std::uint32_t b, int &dir)
{
    if (dir ? reverse_logged(s, b, a) : reverse_logged(s, a, b))
        dir ^= 1;
}

void wake(search &s, std::uint32_t v)
{
    if (s.queued[v])
        return;
    s.queued[v] = 1;
    s.queue[(s.queue_head + s.queue_size++) % s.queue.size()] = v;
}

void wake_all(search &s, std::initializer_list<std::uint32_t> nodes)
{
    for (const std::uint32_t v : nodes)
        wake(s, v);
}

// Whether the run from first forward to last holds at most longest_run nodes.
bool is_short(const search &s, std::uint32_t first, std::uint32_t last)
{
    std::uint32_t v = first;
    for (std::uint32_t k = 1; k < longest_run && v != last; ++k)
        v = tour_next(s.t, v);
    return v == last;
}

// Moves the short run from first forward to last behind after, in the journal when it
// is kept.
bool move_logged(search &s, std::uint32_t first, std::uint32_t last, std::uint32_t after)
{
    const std::uint32_t before = tour_prev(s.t, first);
    if (before == after)
        return true;
    if (!move_run(s.t, first, last, after))
        return false;
    if (s.journaling)
        s.journal.push_back({change::moved, first, last, before, after});
    return true;
}

// Exchanges the run x1 to x2 with the run y1 to y2 that follows it, in the list's own
// order, keeping every node's direction: a short run is moved, two long runs relinked,
// and on a small tour three reversals do it. Returns whether the tour then reads the
// other way round, as the reversals may leave it.
bool exchange(search &s, std::uint32_t x1, std::uint32_t x2, std::uint32_t y1, std::uint32_t y2)
{
    if (is_short(s, y1, y2) && move_logged(s, y1, y2, tour_prev(s.t, x1)))
        return false;
    if (is_short(s, x1, x2) && move_logged(s, x1, x2, y2))
        return false;
    if (exchange_runs(s.t, x1, x2, y1, y2)) {
        if (s.journaling)
            s.journal.push_back({change::exchanged, x1, x2, y1, y2});
        return false;
    }
    int dir = 0;
    flip(s, x1, y2, dir);
    flip(s, y2, y1, dir);
    flip(s, x2, x1, dir);
    return dir != 0;
}

// Moves the run b2 to c1 in front of the run a2 to b1, which it follows (read in
// direction dir), keeping every node's direction.
void swap_runs(search &s, std::uint32_t a2, std::uint32_t b1, std::uint32_t b2, std::uint32_t c1,
               int &dir)
{
    // Read backwards, the runs stand the other way round in the list.
    const bool turned = dir ? exchange(s, c1, b2, b1, a2) : exchange(s, a2, b1, b2, c1);
    dir ^= static_cast<int>(turned);
}

bool accept(search &s, double gain)
{
    if (gain <= s.least_gain)
        return false;
    s.gained += gain;
    return true;
}

// Moves a run ending at node p to the end of the tour read in direction dir, where the
// tool stops (or to its start, read backwards, when the start is free), turned round or
// not, when that shortens the tour: the place for a net far from all others.
bool improve_at_end(search &s, std::uint32_t p, int dir, double removed)
{
    const node_ends &e = s.e;
    const std::uint32_t last = prev_of(s, 0, dir), t2 = next_of(s, p, dir);
    if (p == 0 || last == p || !is_free(e, entry_of(s, 0, dir)))
        return false;
    bool turnable = true;
    for (std::uint32_t first = p, length = 1; length <= 3; ++length) {
        ++s.looks;
        if (first == 0 || first == last)
            return false;
        turnable = turnable && e.turnable[first];
        const std::uint32_t before = prev_of(s, first, dir);
        const double kept = removed + link_after(s, before, dir) -
                            gap(e, exit_of(s, before, dir), entry_of(s, t2, dir));
        if (accept(s, kept - gap(e, exit_of(s, last, dir), entry_of(s, first, dir)))) {
            swap_runs(s, first, p, t2, last, dir);
            wake_all(s, {before, first, p, t2, last});
            return true;
        }
        if (turnable && accept(s, kept - gap(e, exit_of(s, last, dir), exit_of(s, p, dir)))) {
            swap_runs(s, first, p, t2, last, dir);
            flip(s, first, p, dir);
            wake_all(s, {before, first, p, t2, last});
            return true;
        }
        first = before;
    }
    return false;
}

// Where reversing t2 (after p) to q, which p's exit then reaches at q's exit, gains gain
// before the hop from t2 to q's successor qn: reverses, instead of making that hop, the
// path from qn to some r whose exit lies near t2's entry, when that shortens the tour.
// Only for a problem whose nodes all turn.
bool reverse_twice(search &s, std::uint32_t p, std::uint32_t q, double gain, int &dir)
{
    const node_ends &e = s.e;
    const std::uint32_t t2 = next_of(s, p, dir), qn = next_of(s, q, dir);
    const std::uint32_t t2_entry = entry_of(s, t2, dir);
    if (is_free(e, t2_entry))
        return false;
    for (std::size_t j = 0; j < listed_count(e); ++j) {
        ++s.looks;
        const std::uint32_t listed = s.neighbours[list_of(e, t2_entry) + j];
        if (listed == none)
            return false;
        const std::uint32_t r = listed / 2, c = reached(s, listed, true, dir);
        const double g2 = gain - gap(e, t2_entry, c);
        if (g2 <= s.least_gain)
            return false;
        if (c != exit_of(s, r, dir) || r == p || !on_path(s, qn, r, p, dir))
            continue;
        const std::uint32_t rn = next_of(s, r, dir);
        if (accept(s, g2 + link_after(s, r, dir) -
                          gap(e, entry_of(s, qn, dir), entry_of(s, rn, dir)))) {
            flip(s, t2, q, dir);
            flip(s, qn, r, dir);
            wake_all(s, {p, t2, q, qn, r, rn});
            return true;
        }
    }
    return false;
}

// The moves that give node p, read in direction dir, a hop from its exit to a near end.
// The first that shortens the tour is made.
bool improve(search &s, std::uint32_t p, const int read)
{
    int dir = read;
    ++s.steps;
    ++s.looks;
    const node_ends &e = s.e;
    const std::uint32_t p_exit = exit_of(s, p, dir);
    if (is_free(e, p_exit))
        return false;
    const std::uint32_t t2 = next_of(s, p, dir);
    const double removed = link_after(s, p, dir);
    if (improve_at_end(s, p, dir, removed))
        return true;
    for (std::size_t k = 0; k < 2 * listed_count(e); ++k) {
        const std::uint32_t listed = s.neighbours[list_of(e, p_exit) + k / 2];
        if (listed == none)
            return false;
        // A node listed by its start is reached at either end, at its exit first.
        const bool either_end = e.shift == 1 && listed > 1;
        if (k % 2 == 1 && !either_end)
            continue;
        const std::uint32_t c = reached(s, listed, k % 2 == 0, dir);
        ++s.looks;
        const double added = gap(e, p_exit, c);
        const double g1 = removed - added;
        if (g1 <= s.least_gain)
            return false;
        const std::uint32_t q = c / 2;
        const std::uint32_t qn = next_of(s, q, dir), pq = prev_of(s, q, dir);
        if (c == exit_of(s, q, dir)) {
            // Reaching q's exit turns q round: reverse t2 to q, or move a run ending at q
            // (or at p) between the other two, turned.
            if (e.symmetric && accept(s, g1 + link_after(s, q, dir) -
                                             gap(e, entry_of(s, t2, dir), entry_of(s, qn, dir)))) {
                flip(s, t2, q, dir);
                wake_all(s, {p, t2, q, qn});
                return true;
            }
            for (std::uint32_t first = q, length = 1; length <= 3; ++length) {
                ++s.looks;
                if (!e.turnable[first] || first == p || first == t2)
                    break;
                const std::uint32_t before = prev_of(s, first, dir);
                if (accept(s, g1 + link_after(s, before, dir) + link_after(s, q, dir) -
                                  gap(e, exit_of(s, before, dir), entry_of(s, qn, dir)) -
                                  gap(e, entry_of(s, first, dir), entry_of(s, t2, dir)))) {
                    flip(s, t2, q, dir);
                    flip(s, before, t2, dir);
                    wake_all(s, {p, t2, before, first, q, qn});
                    return true;
                }
                first = before;
            }
            for (std::uint32_t first = p, length = 1; length <= 3; ++length) {
                ++s.looks;
                if (!e.turnable[first] || first == q || first == qn)
                    break;
                const std::uint32_t before = prev_of(s, first, dir);
                if (before == q)
                    break;
                if (accept(s, g1 + link_after(s, before, dir) + link_after(s, q, dir) -
                                  gap(e, exit_of(s, before, dir), entry_of(s, t2, dir)) -
                                  gap(e, entry_of(s, first, dir), entry_of(s, qn, dir)))) {
                    flip(s, first, q, dir);
                    flip(s, q, t2, dir);
                    wake_all(s, {before, first, p, t2, q, qn});
                    return true;
                }
                first = before;
            }
            if (e.symmetric && reverse_twice(s, p, q, g1 + link_after(s, q, dir), dir))
                return true;
            continue;
        }
        if (q == t2)
            continue;
        // Reaching q's entry: move a run starting at q between p and t2, or a run ending
        // at p between pq and q, or swap t2 to pq with q to c1, for some c1 whose
        // successor lies near pq.
        const double pq_link = link_after(s, pq, dir);
        for (std::uint32_t last = q, length = 1; length <= 3 && last != p; ++length) {
            ++s.looks;
            const std::uint32_t after = next_of(s, last, dir);
            if (accept(s, g1 + pq_link + link_after(s, last, dir) -
                              gap(e, exit_of(s, last, dir), entry_of(s, t2, dir)) -
                              gap(e, exit_of(s, pq, dir), entry_of(s, after, dir)))) {
                swap_runs(s, t2, pq, q, last, dir);
                wake_all(s, {p, t2, pq, q, last, after});
                return true;
            }
            last = after;
        }
        for (std::uint32_t first = p, length = 1; length <= 3; ++length) {
            ++s.looks;
            if (first == q || first == pq)
                break;
            const std::uint32_t before = prev_of(s, first, dir);
            if (accept(s, g1 + link_after(s, before, dir) + pq_link -
                              gap(e, exit_of(s, before, dir), entry_of(s, t2, dir)) -
                              gap(e, exit_of(s, pq, dir), entry_of(s, first, dir)))) {
                swap_runs(s, first, p, t2, pq, dir);
                wake_all(s, {before, first, p, t2, pq, q});
                return true;
            }
            first = before;
        }
        const std::uint32_t pq_exit = exit_of(s, pq, dir);
        if (is_free(e, pq_exit))
            continue;
        const std::uint32_t after_q = next_of(s, q, dir);
        for (std::size_t j = 0; j < listed_count(e); ++j) {
            ++s.looks;
            const std::uint32_t listed2 = s.neighbours[list_of(e, pq_exit) + j];
            if (listed2 == none)
                break;
            const std::uint32_t r = listed2 / 2, c2 = reached(s, listed2, false, dir);
            const bool either_end = e.shift == 1 && listed2 > 1;
            const double g2 = g1 + pq_link - gap(e, pq_exit, c2);
            if (g2 <= s.least_gain)
                break;
            if (r != q && c2 == entry_of(s, r, dir) && on_path(s, after_q, r, p, dir)) {
                const std::uint32_t c1 = prev_of(s, r, dir);
                if (accept(s, g2 + link_after(s, c1, dir) -
                                  gap(e, exit_of(s, c1, dir), entry_of(s, t2, dir)))) {
                    swap_runs(s, t2, pq, q, c1, dir);
                    wake_all(s, {p, t2, pq, q, c1, r});
                    return true;
                }
            }
            // Reaching r's exit instead: q to r follows p, then t2 to pq turned round.
            if (e.symmetric && r != p && (either_end || c2 == exit_of(s, r, dir)) &&
                on_path(s, q, r, p, dir)) {
                const std::uint32_t rn = next_of(s, r, dir);
                if (accept(s, g2 + link_after(s, r, dir) -
                                  gap(e, entry_of(s, t2, dir), entry_of(s, rn, dir)))) {
                    swap_runs(s, t2, pq, q, r, dir);
                    flip(s, t2, pq, dir);
                    wake_all(s, {p, t2, pq, q, r, rn});
                    return true;
                }
            }
        }
    }
    return false;
}

// Empties the queue, leaving the groups in it unlooked at.
void drop_queue(search &s)
{
    for (; s.queue_size > 0; --s.queue_size, s.queue_head = (s.queue_head + 1) % s.queue.size())
        s.queued[s.queue[s.queue_head]] = 0;
}

// Makes moves until none shortens the tour around the groups queued. Returns false,
// with the queue emptied, when the work done reaches limit or the clock the deadline.
bool local_search(search &s, std::uint64_t limit)
{
    while (s.queue_size > 0) {
        if (work_done(s) >= limit ||
            (s.steps % 1024 == 0 && std::chrono::steady_clock::now() > s.deadline &&
             (s.cut_short = true))) {
            drop_queue(s);
            return false;
        }
        const std::uint32_t v = s.queue[s.queue_head];
        s.queue_head = (s.queue_head + 1) % s.queue.size();
        --s.queue_size;
        s.queued[v] = 0;
        if (improve(s, v, 0) || improve(s, v, 1))
            wake(s, v);
    }
    return true;
}

// Takes back the changes in the journal, latest first. A reversal may have been made on
// the rest of the tour, which reads the tour the other way round, so each change is
// found as it stands, read either way.
void undo_journal(search &s)
{
    const bool journaling = s.journaling;
    s.journaling = false;
    for (std::size_t k = s.journal.size(); k-- > 0;) {
        const auto [kind, a, b, c, d] = s.journal[k];
        if (kind == change::reversed && tour_next(s.t, c) == b)
            reverse_path(s.t, b, a);
        else if (kind == change::reversed)
            reverse_path(s.t, a, b);
        // The run a to b stands behind d, or read the other way, b to a in front of it.
        else if (kind == change::moved && tour_next(s.t, d) == a)
            exchange(s, tour_next(s.t, c), tour_prev(s.t, a), a, b);
        else if (kind == change::moved)
            exchange(s, b, a, tour_next(s.t, a), tour_prev(s.t, c));
        // The run c to d stands in front of a to b, or read the other way, b to a in
        // front of d to c.
        else if (tour_next(s.t, d) == a)
            exchange(s, c, d, a, b);
        else
            exchange(s, b, a, d, c);
    }
    s.journal.clear();
    s.journaling = journaling;
}

std::uint64_t next_random(std::uint64_t &state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

// Tries random swaps of two short neighbouring runs, each repaired by the local search
// and undone unless the tour came out no longer, until the work done reaches limit.
void perturb(search &s, std::uint64_t limit)
{
    const auto nodes = static_cast<std::uint32_t>(s.t.next.size());
    if (nodes < 8)
        return;
    const std::uint32_t longest = std::min(longest_run, (nodes - 2) / 2);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    s.journaling = true;
    while (work_done(s) < limit) {
        s.looks += first_kick_looks;
        const auto a1 = static_cast<std::uint32_t>(next_random(state) % nodes);
        const auto first = static_cast<std::uint32_t>(next_random(state) % longest) + 1;
        const auto second = static_cast<std::uint32_t>(next_random(state) % longest) + 1;
        const std::uint32_t a2 = tour_next(s.t, a1);
        std::uint32_t b1 = a2;
        for (std::uint32_t k = 1; k < first; ++k)
            b1 = tour_next(s.t, b1);
        const std::uint32_t b2 = tour_next(s.t, b1);
        std::uint32_t c1 = b2;
        for (std::uint32_t k = 1; k < second; ++k)
            c1 = tour_next(s.t, c1);
        const std::uint32_t c2 = tour_next(s.t, c1);
        s.gained = link_after(s, a1, 0) + link_after(s, b1, 0) + link_after(s, c1, 0) -
                   gap(s.e, exit_of(s, a1, 0), entry_of(s, b2, 0)) -
                   gap(s.e, exit_of(s, c1, 0), entry_of(s, a2, 0)) -
                   gap(s.e, exit_of(s, b1, 0), entry_of(s, c2, 0));
        int forward = 0;
        swap_runs(s, a2, b1, b2, c1, forward);
        wake_all(s, {a1, a2, b1, b2, c1, c2});
        const bool finished = local_search(s, limit);
        if (s.gained < -s.least_gain)
            undo_journal(s);
        s.journal.clear();
        if (!finished)
            break;
    }
    s.journaling = false;
}

} // namespace

search_budget budget_for(std::size_t groups, double effort)
{
    const double n = static_cast<double>(std::max<std::size_t>(groups, 1));
    const double local = local_work_per_group * n;
    // Beyond some ten thousand groups the random changes' share shrinks slowly, as the
    // rest of the work grows with the groups.
    const double kicks =
        effort * kick_work_per_group * std::min(100 * n, 1e6 / (1 + n / 3e5) + 2 * n);
    // Some 40 nanoseconds a step on a slow machine of today, ten times over.
    return {static_cast<std::uint64_t>(local), static_cast<std::uint64_t>(kicks),
            10 * (1 + 40e-9 * (local + kicks))};
}

ordering_problem problem_of(const job_blocks &job, bool reversible)
{
    ordering_problem problem{};
    problem.job = &job;
    problem.reversible = reversible;
    problem.anchored = job.leading_moves > 0;
    for (std::size_t move = 1; move < job.leading_moves; ++move)
        problem.leading_idle += hop_length(job.moves[move - 1], job.moves[move]);
    if (problem.anchored)
        problem.anchor = job.moves[job.leading_moves - 1];
    return problem;
}

double idle_travel(const ordering_problem &problem, const std::vector<visit> &order)
{
    double travel = problem.leading_idle;
    bool placed = problem.anchored;
    point at = problem.anchor;
    for (const visit &v : order) {
        const stroke_ends s = stroke_of(*problem.job, v.group);
        if (placed)
            travel += hop_length(at, v.reversed ? s.end : s.start);
        at = v.reversed ? s.start : s.end;
        placed = true;
    }
    return travel;
}

point first_point(const ordering_problem &problem)
{
    return problem.anchored || problem.job->groups.empty() ? problem.anchor
                                                           : stroke_of(*problem.job, 0).start;
}

namespace {

// The groups in the order of a tree over their starts, which puts groups that lie near
// each other near each other in memory too, wherever the file had them.
std::vector<std::uint32_t> groups_by_place(const ordering_problem &problem)
{
    std::vector<tree_place> starts(problem.job->groups.size());
    std::vector<std::uint32_t> group_of(starts.size());
    for (std::uint32_t g = 0; g < starts.size(); ++g) {
        const point start = stroke_of(*problem.job, g).start;
        starts[g] = {static_cast<double>(start.x), static_cast<double>(start.y)};
        group_of[g] = g;
    }
    end_tree tree;
    build_tree(tree, starts, std::move(group_of), false);
    return std::move(tree.ids);
}

} // namespace

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

namespace {

// The most groups ordered exactly: a table of 2^12 sets of groups.
constexpr std::size_t most_exact_groups = 12;

// The order that travels least, found over every set of groups by dynamic programming:
// for each set and each group drawn last, either way round, the shortest way to draw
// the set. A group turned round keeps its direction unless the problem lets it turn.
std::vector<visit> exact_order(const ordering_problem &problem)
{
    const std::size_t n = problem.job->groups.size(), sets = std::size_t{1} << n;
    const int ways = problem.reversible ? 2 : 1;
    std::vector<stroke_ends> strokes(n);
    for (std::size_t g = 0; g < n; ++g)
        strokes[g] = stroke_of(*problem.job, g);
    const auto entry = [&](std::size_t g, int turned) {
        return turned ? strokes[g].end : strokes[g].start;
    };
    const auto exit = [&](std::size_t g, int turned) {
        return turned ? strokes[g].start : strokes[g].end;
    };
    // Entry k of a set: group k / 2 last, turned when k is odd.
    constexpr double unreached = std::numeric_limits<double>::infinity();
    std::vector<double> travel(sets * 2 * n, unreached);
    std::vector<std::uint8_t> before(sets * 2 * n);
    for (std::size_t g = 0; g < n; ++g)
        for (int t = 0; t < ways; ++t)
            travel[(std::size_t{1} << g) * 2 * n + 2 * g + t] =
                problem.anchored ? hop_length(problem.anchor, entry(g, t)) : 0;
    for (std::size_t set = 1; set < sets; ++set)
        for (std::size_t k = 0; k < 2 * n; ++k) {
            const double so_far = travel[set * 2 * n + k];
            if (so_far == unreached)
                continue;
            const point from = exit(k / 2, static_cast<int>(k % 2));
            for (std::size_t h = 0; h < n; ++h)
                for (int t = 0; t < ways && !(set >> h & 1); ++t) {
                    const std::size_t to = (set | std::size_t{1} << h) * 2 * n + 2 * h + t;
                    if (const double length = so_far + hop_length(from, entry(h, t));
                        length < travel[to]) {
                        travel[to] = length;
                        before[to] = static_cast<std::uint8_t>(k);
                    }
                }
        }
    std::size_t set = sets - 1, k = 0;
    for (std::size_t last = 1; last < 2 * n; ++last)
        if (travel[set * 2 * n + last] < travel[set * 2 * n + k])
            k = last;
    std::vector<visit> order(n);
    for (std::size_t i = n; i-- > 0;) {
        order[i] = {static_cast<std::uint32_t>(k / 2), k % 2 != 0};
        const std::size_t previous = before[set * 2 * n + k];
        set &= ~(std::size_t{1} << (k / 2));
        k = previous;
    }
    return order;
}

} // namespace

namespace {

// Orders the nodes of e: a start from the shortest hops, the local search, then the
// random changes, as far as budget and the clock allow. Gives the nodes from node 0 on
// and how each is passed, and whether the clock cut the search short; the search's
// lists are gone by the time the caller builds its result.
bool search_tour(const node_ends &e, const search_budget &budget,
                 std::chrono::steady_clock::time_point deadline, std::vector<std::uint32_t> &order,
                 std::vector<unsigned char> &turned)
{
    const std::size_t groups = e.turnable.size() - 1;
    const std::vector<std::uint32_t> neighbours = neighbours_of(e);
    greedy_start(e, neighbours, order, turned);

    double extent = 0;
    for (std::uint32_t end = 2; end < end_count(e); ++end)
        extent = std::max({extent, std::abs(place_of(e, end).x), std::abs(place_of(e, end).y)});
    search s{e,
             neighbours,
             1e-7 + 1e-12 * extent,
             {},
             std::vector<std::uint32_t>(groups + 1),
             0,
             0,
             std::vector<unsigned char>(groups + 1),
             {},
             false,
             0,
             0,
             0,
             deadline,
             false};
    build_tour(s.t, order, turned);
    for (std::uint32_t v = 0; v <= groups; ++v)
        wake(s, order[v]);
    std::vector<std::uint32_t>().swap(order);
    std::vector<unsigned char>().swap(turned);
    local_search(s, budget.local_work);
    const double beyond = static_cast<double>(work_done(s)) - usual_local_work * groups;
    const auto kicks = static_cast<std::uint64_t>(
        std::max(static_cast<double>(budget.kick_work) - 2 * std::max(beyond, 0.0),
                 static_cast<double>(budget.kick_work) / 4));
    if (!s.cut_short)
        perturb(s, work_done(s) + kicks);
    read_tour(s.t, 0, is_turned(s.t, 0), order, turned);
    return s.cut_short;
}

} // namespace

search_result short_order(const ordering_problem &problem, const search_budget &budget)
{
    const std::size_t groups = problem.job->groups.size();
    if (groups > 0 && groups <= most_exact_groups)
        return {exact_order(problem), false, 0};
    // A job of more groups than the queue of hops numbers keeps the file's order.
    if (groups == 0 || 2 * groups + 2 > most_queued_ends)
        return {file_order(*problem.job), false, 0};
    // The limit in seconds counts from here, so that it holds whatever the job's shape
    // makes of the search.
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(budget.seconds));
    const std::vector<std::uint32_t> group_of = groups_by_place(problem);
    std::vector<std::uint32_t> order;
    std::vector<unsigned char> turned;
    search_result result{
        {}, search_tour(ends_of(problem, group_of), budget, deadline, order, turned), 0};
    if (result.cut_short)
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.order.reserve(groups);
    for (std::size_t k = 1; k < order.size(); ++k)
        result.order.push_back({group_of[order[k] - 1], problem.reversible && turned[k]});
    return result;
}
