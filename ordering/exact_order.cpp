// Entry k of a set's row is the group k / 2 drawn last, turned when k is odd; each entry
// keeps the entry of the set without that group that reached it.
#include "exact_order.h"

#include <cstdint>
#include <limits>

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
