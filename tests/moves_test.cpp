// The local search's moves one by one, on small random tours: what a move says it gained
// is what the tour's length, summed anew, fell by, and the journal takes it back exactly.
#include "moves.h"
#include "ordering_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct tour_reading {
    std::vector<std::uint32_t> order;
    std::vector<unsigned char> turned;
    bool operator==(const tour_reading &) const = default;
};

// The tour from node 0 on, read the way that passes node 0 unturned.
tour_reading reading_of(const search &s)
{
    tour_reading r;
    read_tour(s.t, 0, is_turned(s.t, 0), r.order, r.turned);
    return r;
}

// The tour's length summed anew, hop by hop, back to node 0.
double length_of(const search &s)
{
    const tour_reading r = reading_of(s);
    double length = 0;
    for (std::size_t k = 0; k < r.order.size(); ++k) {
        const std::size_t next = (k + 1) % r.order.size();
        length += gap(s.e, 2 * r.order[k] + (r.turned[k] ? 0 : 1),
                      2 * r.order[next] + (r.turned[next] ? 1 : 0));
    }
    return length;
}

// A tour over e's nodes in a random order, each turnable node turned or not at random.
void random_tour(search &s, std::uint64_t &state)
{
    const auto nodes = static_cast<std::uint32_t>(s.e.turnable.size());
    std::vector<std::uint32_t> order(nodes);
    std::vector<unsigned char> turned(nodes);
    for (std::uint32_t v = 0; v < nodes; ++v)
        order[v] = v;
    for (std::uint32_t v = nodes - 1; v > 1; --v)
        std::swap(order[v], order[1 + next_random(state) % v]);
    for (std::uint32_t k = 1; k < nodes; ++k)
        turned[k] = s.e.turnable[order[k]] && next_random(state) % 2 == 1;
    build_tour(s.t, order, turned);
}

struct move_case {
    const char *name;
    move made;
    bool at_exit; // tried for hops to a node's exit, or to its entry
};

bool sent_to_end(search &s, hop_try h)
{
    return send_to_end(s, h.from, h.dir, link_after(s, h.from, h.dir));
}

class each_move : public testing::TestWithParam<move_case> {};

// On jobs of sixteen nets of one or two points, turnable or not, with and without moves
// before the first net, every hop that the local search would try from every node.
TEST_P(each_move, gains_what_the_tour_loses_and_is_undone_by_the_journal)
{
    std::uint64_t state = 3;
    int made = 0;
    for (int job_number = 0; job_number < 12; ++job_number) {
        const bool holes = job_number % 3 == 2;
        std::string trace = job_number % 2 ? "SEG 700000 0\n" : "";
        for (int net = 0; net < 16; ++net) {
            trace += "  NET 'N" + std::to_string(net) + "'\n";
            for (int point = 0; point < (holes ? 1 : 2); ++point)
                trace += "SEG " + std::to_string(on_grid(state, 30)) + " " +
                         std::to_string(on_grid(state, 30)) + "\n";
        }
        const job_blocks job = job_of(converted(trace));
        std::vector<std::uint32_t> group_of(job.groups.size());
        for (std::uint32_t g = 0; g < group_of.size(); ++g)
            group_of[g] = g;
        const node_ends e = ends_of(problem_of(job, job_number % 4 < 2), group_of);
        const std::vector<std::uint32_t> neighbours = neighbours_of(e);
        search s = search_over(e, neighbours);
        s.journaling = true;
        for (std::uint32_t from = 0; from < e.turnable.size(); ++from)
            for (int dir = 0; dir < 2; ++dir)
                for (std::size_t k = 0; k < 2 * listed_count(e); ++k) {
                    random_tour(s, state);
                    const std::uint32_t exit = exit_of(s, from, dir);
                    const std::uint32_t listed =
                        is_free(e, exit) ? none : neighbours[list_of(e, exit) + k / 2];
                    if (listed == none)
                        continue;
                    const hop_try h = hop_to(s, from, reached(s, listed, k % 2 == 0, dir), dir);
                    if ((h.reached == exit_of(s, h.to, dir)) != GetParam().at_exit ||
                        (!GetParam().at_exit && h.to == h.from_next))
                        continue;
                    const tour_reading before = reading_of(s);
                    const double length = length_of(s);
                    s.gained = 0;
                    if (GetParam().made(s, h)) {
                        ++made;
                        EXPECT_NEAR(length - length_of(s), s.gained, 1e-6) << job_number;
                        undo_journal(s);
                    }
                    EXPECT_TRUE(reading_of(s) == before) << job_number << " " << from;
                    s.journal.clear();
                }
    }
    EXPECT_GT(made, 10);
}

INSTANTIATE_TEST_SUITE_P(moves, each_move,
                         testing::Values(move_case{"reverse_run", reverse_run, true},
                                         move_case{"turn_run_from_to", turn_run_from_to, true},
                                         move_case{"turn_run_from_from", turn_run_from_from, true},
                                         move_case{"reverse_twice", reverse_twice, true},
                                         move_case{"move_run_after", move_run_after, false},
                                         move_case{"move_run_before", move_run_before, false},
                                         move_case{"exchange_near_runs", exchange_near_runs, false},
                                         move_case{"send_to_end", sent_to_end, false}),
                         [](const auto &info) { return info.param.name; });

} // namespace
