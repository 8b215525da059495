// The figures of the budget, measured on routed boards, dense boards and nets on a line.
#include "search_budget.h"

#include <algorithm>

namespace {

// The local search from the start does some 90 to 150 steps of work a group on routed
// boards, up to 500 on dense ones and 1,500 on nets all on one line: it may do 400. A
// step of the random changes' budget is some 44 steps of work a group.
constexpr double local_work_per_group = 400, kick_work_per_group = 44;

// The local search's work a group beyond which the random changes give up twice what it
// does more.
constexpr double usual_local_work = 150;

} // namespace

search_budget budget_for(std::size_t groups, double effort)
{
    const double n = static_cast<double>(std::max<std::size_t>(groups, 1));
    const double local = local_work_per_group * n;
    // Beyond some ten thousand groups the random changes' share shrinks slowly, as the
    // rest of the work grows with the groups.
    const double kicks =
        effort * kick_work_per_group * std::min(100 * n, 1e6 / (1 + n / 3e5) + 2 * n);
    return {static_cast<std::uint64_t>(local), static_cast<std::uint64_t>(kicks)};
}

std::uint64_t kick_work_after(const search_budget &budget, std::uint64_t local_done,
                              std::size_t groups)
{
    const double beyond =
        static_cast<double>(local_done) - usual_local_work * static_cast<double>(groups);
    return static_cast<std::uint64_t>(
        std::max(static_cast<double>(budget.kick_work) - 2 * std::max(beyond, 0.0),
                 static_cast<double>(budget.kick_work) / 4));
}
