// The search's view of a job's nets: node 0 stands for where the tool is before the first
// net, node v for the group group_of[v - 1]. End 2v is where a node is entered and end
// 2v + 1 where it is left, unless the tour passes it turned round. Each end has a list of
// the nearest ends that a hop from it may reach.
#pragma once

#include "end_tree.h"
#include "net_order.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

// No node, end or list entry.
constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

// Ends near each end that the search looks at.
constexpr std::size_t neighbour_count = 8, shared_neighbour_count = 5;

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

// The ends of the nodes for problem, node v standing for group group_of[v - 1]; a group
// whose ends coincide is turnable even when the problem keeps directions.
node_ends ends_of(const ordering_problem &problem, const std::vector<std::uint32_t> &group_of);

// Twice the nodes.
inline std::size_t end_count(const node_ends &e)
{
    return 2 * e.turnable.size();
}

inline const tree_place &place_of(const node_ends &e, std::uint32_t end)
{
    return e.at[end >> e.shift];
}

// How many near ends each list holds: fewer where they name a node each, which makes
// up for listing each node once, not by both its ends.
inline std::size_t listed_count(const node_ends &e)
{
    return e.shift == 1 ? shared_neighbour_count : neighbour_count;
}

// Where the near ends of end are listed, nearest first.
inline std::size_t list_of(const node_ends &e, std::uint32_t end)
{
    return (end >> e.shift) * listed_count(e);
}

// Whether a hop to or from end costs nothing: node 0's entry, where the tool stops, and
// its exit when no moves before the first net fix where the tool starts.
inline bool is_free(const node_ends &e, std::uint32_t end)
{
    return end == 0 || (end == 1 && !e.anchored);
}

// The length of the hop from one end to another, in hundredths; 0 to or from a free end.
inline double gap(const node_ends &e, std::uint32_t from, std::uint32_t to)
{
    if (is_free(e, from) || is_free(e, to))
        return 0;
    const tree_place &a = place_of(e, from), &b = place_of(e, to);
    const double dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

// The groups' starts, their ends, or both; with the anchor among the ends when asked.
std::vector<std::uint32_t> chosen_ends(const node_ends &e, bool starts, bool ends, bool anchor);

// The nearest ends that a hop from each end may reach, nearest first, listed_count(e) an
// end at list_of(e, end) and cut short with none: any end of another node when every
// node may be turned round, and otherwise the starts for a node's end and the ends for
// its start. Ends that share their entries are listed by the node's start alone.
std::vector<std::uint32_t> neighbours_of(const node_ends &e);
