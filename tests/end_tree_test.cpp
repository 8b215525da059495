// Nearest points found in the tree against a search of every point, on point sets of the
// shapes that trouble grids: spread out, all on one spot, on one line, one far away.
#include "end_tree.h"
#include "routed_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

struct shape_case {
    const char *name;
    double (*x)(std::uint64_t &state, std::uint32_t k);
    double (*y)(std::uint64_t &state, std::uint32_t k);
};

class nearest : public testing::TestWithParam<shape_case> {};

double squared(const tree_place &p, double x, double y)
{
    return (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y);
}

TEST_P(nearest, points_are_those_a_full_search_finds)
{
    std::uint64_t state = 99;
    std::vector<tree_place> points;
    std::vector<std::uint32_t> ids;
    for (std::uint32_t id = 0; id < 2000; ++id) {
        points.push_back({GetParam().x(state, id), GetParam().y(state, id)});
        ids.push_back(id);
    }
    end_tree t;
    build_tree(t, points, ids, true);
    for (const std::uint32_t id : ids) {
        const tree_place &p = points[id];
        std::vector<double> expected;
        for (const std::uint32_t other : ids)
            if (other / 2 != id / 2)
                expected.push_back(squared(points[other], p.x, p.y));
        std::sort(expected.begin(), expected.end());
        // From the root, from the point's own leaf, and from a leaf anywhere else.
        for (const std::uint32_t near : {UINT32_MAX, t.slot[id], t.slot[id * 7919 % 2000]}) {
            std::uint32_t found[8];
            const std::size_t count = nearest_points(t, p.x, p.y, 8, id / 2, found, near);
            ASSERT_EQ(count, 8U);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(squared(points[found[i]], p.x, p.y), expected[i]) << id << " " << near;
        }
    }
    // Removing points one by one, the nearest live one is always a nearest of the rest.
    std::vector<bool> removed(points.size());
    double x = 0, y = 0;
    for (std::size_t step = 0; step < points.size(); ++step) {
        const std::uint32_t id = nearest_alive(t, x, y);
        ASSERT_NE(id, std::numeric_limits<std::uint32_t>::max());
        double best = std::numeric_limits<double>::infinity();
        for (const std::uint32_t other : ids)
            if (!removed[other])
                best = std::min(best, squared(points[other], x, y));
        ASSERT_EQ(squared(points[id], x, y), best);
        remove_point(t, id);
        removed[id] = true;
        x = points[id].x + 3;
        y = points[id].y;
    }
    EXPECT_EQ(nearest_alive(t, 0, 0), std::numeric_limits<std::uint32_t>::max());
}

double spread(std::uint64_t &state, std::uint32_t)
{
    return static_cast<double>(next_random(state) % 100000);
}

double one_spot(std::uint64_t &, std::uint32_t)
{
    return 7;
}

double along(std::uint64_t &state, std::uint32_t)
{
    return static_cast<double>(next_random(state) % 50) * 10;
}

double outlier(std::uint64_t &state, std::uint32_t k)
{
    return k == 0 ? 1e15 : static_cast<double>(next_random(state) % 1000);
}

INSTANTIATE_TEST_SUITE_P(tree, nearest,
                         testing::Values(shape_case{"spread_out", spread, spread},
                                         shape_case{"all_on_one_spot", one_spot, one_spot},
                                         shape_case{"on_one_line_with_repeats", along, one_spot},
                                         shape_case{"one_far_away", outlier, spread}),
                         [](const auto &info) { return info.param.name; });

} // namespace
