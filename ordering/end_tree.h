// Nearest points among a set of stroke ends, found in a k-d tree that halves by count, so
// that a search costs the same wherever the points lie: spread out, all on one spot, on
// one line, or with one far away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct tree_place {
    double x, y;
};

struct tree_box {
    double low_x, low_y, high_x, high_y;
};

// Node k covers a run of points; its halves are nodes 2k + 1 and 2k + 2. The tree keeps
// only the points' ids, and reads their places where the caller keeps them.
struct end_tree {
    const std::vector<tree_place> *places; // point id lies at (*places)[id >> shift]
    unsigned shift;
    std::vector<std::uint32_t> ids;   // in tree order; UINT32_MAX once removed
    std::vector<tree_box> boxes;      // the points' extent under each node
    std::vector<std::uint32_t> alive; // points not removed under each node
    std::vector<std::uint32_t> slot;  // for each id, where it lies in ids, when removable
};

// Builds t over the points ids, id at places[id >> shift], so that ids that share a
// place may share its entry; places must outlive t. Points may be removed only when
// removable is true.
void build_tree(end_tree &t, const std::vector<tree_place> &places, std::vector<std::uint32_t> ids,
                bool removable, unsigned shift = 0);

// Writes to found, nearest first, the ids of the at most count (up to 32) points
// nearest (x, y) whose id / 2 is not skip_pair, and returns how many there are. The
// search starts at the leaf that holds the near-th point in tree order, when there is one: a
// point near (x, y) there makes the search short. For a tree with no point removed.
std::size_t nearest_points(const end_tree &t, double x, double y, std::size_t count,
                           std::uint32_t skip_pair, std::uint32_t *found, std::uint32_t near);

// The id of the nearest point to (x, y) not removed, or UINT32_MAX when all are.
std::uint32_t nearest_alive(const end_tree &t, double x, double y);

// Removes the point id from the searches for live points; removing it twice is harmless.
void remove_point(end_tree &t, std::uint32_t id);
