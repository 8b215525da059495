// The search works on a closed tour of nodes, as near_ends.h numbers them. Node 0 is
// entered from anywhere at no cost (the tool stops after the last net) and left from the
// anchor, or from anywhere when there is none. With every hop's cost the same read
// either way, a tour read backwards is the same tour, which lets the tour list reverse
// whichever side of a path is shorter.
#include "net_order.h"

#include "end_tree.h"
#include "exact_order.h"
#include "greedy_start.h"
#include "local_search.h"
#include "near_ends.h"
#include "random_changes.h"
#include "tour_view.h"

#include <utility>

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

// Orders the nodes of e: a start from the shortest hops, the local search, then the
// random changes, as far as budget allows. Gives the nodes from node 0 on and how each is
// passed; the search's lists are gone by the time the caller builds its result.
void search_tour(const node_ends &e, const search_budget &budget, std::vector<std::uint32_t> &order,
                 std::vector<unsigned char> &turned)
{
    const std::size_t groups = e.turnable.size() - 1;
    const std::vector<std::uint32_t> neighbours = neighbours_of(e);
    greedy_start(e, neighbours, order, turned);
    search s = search_over(e, neighbours);
    build_tour(s.t, order, turned);
    for (std::uint32_t v = 0; v <= groups; ++v)
        wake(s, order[v]);
    std::vector<std::uint32_t>().swap(order);
    std::vector<unsigned char>().swap(turned);
    local_search(s, budget.local_work);
    random_changes(s, work_done(s) + kick_work_after(budget, work_done(s), groups));
    read_tour(s.t, 0, is_turned(s.t, 0), order, turned);
}

} // namespace

search_result short_order(const ordering_problem &problem, const search_budget &budget)
{
    const std::size_t groups = problem.job->groups.size();
    if (groups > 0 && groups <= most_exact_groups)
        return {exact_order(problem)};
    // A job of more groups than the queue of hops numbers keeps the file's order.
    if (groups == 0 || 2 * groups + 2 > most_queued_ends)
        return {file_order(*problem.job)};
    const std::vector<std::uint32_t> group_of = groups_by_place(problem);
    std::vector<std::uint32_t> order;
    std::vector<unsigned char> turned;
    search_tour(ends_of(problem, group_of), budget, order, turned);
    search_result result;
    result.order.reserve(groups);
    for (std::size_t k = 1; k < order.size(); ++k)
        result.order.push_back({group_of[order[k] - 1], problem.reversible && turned[k]});
    return result;
}
