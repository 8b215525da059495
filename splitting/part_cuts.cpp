// The shortest longest part is found by bisecting the doubles themselves, ordered as their
// bits are, between the costliest net and the whole job: the least limit within which the
// parts taken in turn are no more than asked for, to the last bit of the sums.
#include "part_cuts.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace {

// What net n adds to a part: all of it, but its travel when it begins the part.
double added(const net_cost &n, bool begins)
{
    return n.total - (begins ? n.travel : 0);
}

// Calls start(n) for each net n after the first at which a part begins when each takes the
// nets that follow while it stays within most, until start returns false.
template <typename Start>
void take_parts(const std::vector<net_cost> &costs, double most, Start start)
{
    double cost = 0;
    for (std::size_t n = 0, first = 0; n < costs.size(); ++n) {
        if (n > first && cost + added(costs[n], false) > most) {
            if (!start(n))
                return;
            first = n;
            cost = 0;
        }
        cost += added(costs[n], n == first);
    }
}

} // namespace

double part_cost(const std::vector<net_cost> &costs, std::size_t first, std::size_t last)
{
    double cost = 0;
    for (std::size_t n = first; n < last; ++n)
        cost += added(costs[n], n == first);
    return cost;
}

std::vector<std::size_t> cuts_within(const std::vector<net_cost> &costs, double most)
{
    std::vector<std::size_t> starts{0};
    take_parts(costs, most, [&](std::size_t n) {
        starts.push_back(n);
        return true;
    });
    return starts;
}

std::vector<std::size_t> best_cuts(const std::vector<net_cost> &costs, std::size_t parts)
{
    if (parts >= costs.size()) {
        std::vector<std::size_t> each(std::max<std::size_t>(costs.size(), 1));
        for (std::size_t n = 0; n < each.size(); ++n)
            each[n] = n;
        return each;
    }
    double low = 0;
    for (const net_cost &c : costs)
        low = std::max(low, added(c, true));
    auto below = std::bit_cast<std::uint64_t>(low);
    auto above = std::bit_cast<std::uint64_t>(part_cost(costs, 0, costs.size()));
    // The least limit, as a double's bits, within which no more parts than asked for are taken.
    while (below < above) {
        const std::uint64_t middle = below + (above - below) / 2;
        // A limit is too low once it takes one part more than asked for: no need to go on.
        std::size_t taken = 1;
        take_parts(costs, std::bit_cast<double>(middle),
                   [&](std::size_t) { return ++taken <= parts; });
        if (taken <= parts)
            above = middle;
        else
            below = middle + 1;
    }
    std::vector<std::size_t> starts = cuts_within(costs, std::bit_cast<double>(above));
    // Fewer parts may do as well; a part of several nets cut again is no longer, so the last
    // nets of the last such parts are made parts of their own until there are as many as asked.
    std::vector<std::size_t> all;
    std::size_t more = parts - starts.size(), end = costs.size();
    for (std::size_t k = starts.size(); k-- > 0; end = starts[k]) {
        for (std::size_t n = end - 1; more > 0 && n > starts[k]; --n, --more)
            all.push_back(n);
        all.push_back(starts[k]);
    }
    std::reverse(all.begin(), all.end());
    return all;
}
