// The tour list against a plain array of the same tour, over many random reversals on
// tours of a few nodes to a few hundred, where segments are cut, reversed and evened out.
#include "routed_board.h"
#include "tour_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using tour = std::vector<std::pair<std::uint32_t, bool>>; // node, turned round

// The tour read from node 0, in the direction that passes node 0 as it was built.
tour canonical(const tour &t)
{
    const std::size_t n = t.size();
    const std::size_t zero =
        std::find_if(t.begin(), t.end(), [](const auto &v) { return v.first == 0; }) - t.begin();
    const bool backward = t[zero].second;
    tour read;
    for (std::size_t i = 0; i < n; ++i) {
        const auto &[v, turned] = t[backward ? (zero + n - i) % n : (zero + i) % n];
        read.emplace_back(v, turned != backward);
    }
    return read;
}

tour listed(const tour_list &t)
{
    std::vector<std::uint32_t> order;
    std::vector<unsigned char> turned;
    read_tour(t, 0, false, order, turned);
    tour read;
    for (std::size_t k = 0; k < order.size(); ++k)
        read.emplace_back(order[k], turned[k] != 0);
    return read;
}

TEST(tour_list, reversals_match_an_array_of_the_same_tour)
{
    std::uint64_t state = 12345;
    for (const std::uint32_t n : {2U, 3U, 5U, 9U, 40U, 300U}) {
        std::vector<std::uint32_t> order(n);
        std::vector<unsigned char> turned(n);
        for (std::uint32_t k = 0; k < n; ++k) {
            order[k] = k;
            turned[k] = next_random(state) % 2;
        }
        for (std::uint32_t k = n - 1; k > 0; --k)
            std::swap(order[k], order[next_random(state) % (k + 1)]);
        tour_list t;
        build_tour(t, order, turned);
        tour model = listed(t);
        for (int step = 0; step < 3000; ++step) {
            const std::uint32_t a = next_random(state) % n, b = next_random(state) % n;
            const std::size_t ia = std::find_if(model.begin(), model.end(),
                                                [&](const auto &v) { return v.first == a; }) -
                                   model.begin();
            const std::size_t ib = std::find_if(model.begin(), model.end(),
                                                [&](const auto &v) { return v.first == b; }) -
                                   model.begin();
            const std::size_t length = (ib + n - ia) % n + 1;
            if (length < n) {
                for (std::size_t i = 0; i < length / 2; ++i)
                    std::swap(model[(ia + i) % n], model[(ia + length - 1 - i) % n]);
                for (std::size_t i = 0; i < length; ++i)
                    model[(ia + i) % n].second = !model[(ia + i) % n].second;
            }
            reverse_path(t, a, b);
            const tour now = listed(t);
            ASSERT_EQ(canonical(now), canonical(model)) << n << " nodes, step " << step;
            // Go on in the list's own reading, as its callers do.
            model = now;
            const std::uint32_t x = now[next_random(state) % n].first,
                                y = now[next_random(state) % n].first,
                                z = now[next_random(state) % n].first;
            const auto at = [&](std::uint32_t v) {
                return std::find_if(now.begin(), now.end(),
                                    [&](const auto &w) { return w.first == v; }) -
                       now.begin();
            };
            const bool inside = at(x) <= at(z) ? at(x) <= at(y) && at(y) <= at(z)
                                               : at(y) >= at(x) || at(y) <= at(z);
            ASSERT_EQ(between(t, x, y, z), inside);
            ASSERT_EQ(tour_next(t, now.back().first), now.front().first);
            ASSERT_EQ(tour_prev(t, now.front().first), now.back().first);
        }
    }
}

} // namespace
