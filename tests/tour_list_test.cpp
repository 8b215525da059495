// The tour list against a plain array of the same tour, over many random reversals, runs
// moved and runs exchanged on tours of a few nodes to a few thousand, where segments are
// cut, reversed, relinked and evened out.
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

// Where node v stands in t.
std::size_t place_of(const tour &t, std::uint32_t v)
{
    return std::find_if(t.begin(), t.end(), [&](const auto &w) { return w.first == v; }) -
           t.begin();
}

// Reverses a random path of list, whose reading is now, and gives the tour an array would
// hold after it.
tour reversed(tour_list &list, tour now, std::uint64_t &state)
{
    const std::size_t n = now.size();
    const std::uint32_t a = next_random(state) % n, b = next_random(state) % n;
    const std::size_t ia = place_of(now, a), length = (place_of(now, b) + n - ia) % n + 1;
    if (length < n) {
        for (std::size_t i = 0; i < length / 2; ++i)
            std::swap(now[(ia + i) % n], now[(ia + length - 1 - i) % n]);
        for (std::size_t i = 0; i < length; ++i)
            now[(ia + i) % n].second = !now[(ia + i) % n].second;
    }
    reverse_path(list, a, b);
    return now;
}

// Moves a run of up to eight nodes behind another node, unless the list refuses it.
tour moved(tour_list &list, tour now, std::uint64_t &state)
{
    const std::size_t n = now.size();
    const std::size_t run = std::min<std::size_t>(next_random(state) % 8 + 1, n - 1);
    const std::size_t from = next_random(state) % n;
    const std::size_t behind = (from + run + next_random(state) % (n - run)) % n;
    if (!move_run(list, now[from].first, now[(from + run - 1) % n].first, now[behind].first))
        return now;
    tour after;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t k = (from + run + i) % n;
        if ((k + n - from) % n >= run)
            after.push_back(now[k]);
        if (k == behind)
            for (std::size_t j = 0; j < run; ++j)
                after.push_back(now[(from + j) % n]);
    }
    return after;
}

// Exchanges two neighbouring runs of any length, unless the list refuses it.
tour exchanged(tour_list &list, tour now, std::uint64_t &state)
{
    const std::size_t n = now.size();
    if (n < 3)
        return now;
    const std::size_t x = next_random(state) % n;
    const std::size_t x_size = next_random(state) % (n - 2) + 1;
    const std::size_t y_size = next_random(state) % (n - 1 - x_size) + 1;
    const auto node = [&](std::size_t k) { return now[(x + k) % n].first; };
    if (!exchange_runs(list, node(0), node(x_size - 1), node(x_size), node(x_size + y_size - 1)))
        return now;
    tour after;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t from = k < y_size ? x_size + k : k < x_size + y_size ? k - y_size : k;
        after.push_back(now[(x + from) % n]);
    }
    return after;
}

// Each move is checked against the array as soon as it is made, and the next goes on from
// the list's own reading, as its callers do.
TEST(tour_list, reversals_moves_and_exchanges_match_an_array_of_the_same_tour)
{
    std::uint64_t state = 12345;
    for (const std::uint32_t n : {2U, 3U, 5U, 9U, 40U, 300U, 2000U}) {
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
        for (int step = 0; step < 3000; ++step) {
            for (const auto make : {reversed, moved, exchanged}) {
                const tour model = make(t, listed(t), state);
                ASSERT_EQ(canonical(listed(t)), canonical(model)) << n << " nodes, step " << step;
            }
            const tour now = listed(t);
            const std::uint32_t x = now[next_random(state) % n].first,
                                y = now[next_random(state) % n].first,
                                z = now[next_random(state) % n].first;
            const std::size_t ix = place_of(now, x), iy = place_of(now, y), iz = place_of(now, z);
            const bool inside = ix <= iz ? ix <= iy && iy <= iz : iy >= ix || iy <= iz;
            ASSERT_EQ(between(t, x, y, z), inside);
            ASSERT_EQ(tour_next(t, now.back().first), now.front().first);
            ASSERT_EQ(tour_prev(t, now.front().first), now.back().first);
        }
    }
}

} // namespace
