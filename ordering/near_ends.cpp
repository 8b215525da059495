// The near ends come from k-d trees over the ends, searched in the trees' own order so
// that each search finds the nodes it needs still in the cache.
#include "near_ends.h"

#include <utility>

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
