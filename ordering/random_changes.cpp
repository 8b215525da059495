// The random numbers come from a fixed start, so that the same job gives the same changes
// and the same tour on any machine.
#include "random_changes.h"

#include "local_search.h"

#include <algorithm>

namespace {

// The longest run of nodes that a random change moves.
constexpr std::uint32_t longest_run = 8;

// The work a random change takes before its local search: picking and walking its runs.
constexpr std::uint64_t first_kick_looks = 2 * longest_run;

std::uint64_t next_random(std::uint64_t &state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

} // namespace

void random_changes(search &s, std::uint64_t limit)
{
    const auto nodes = static_cast<std::uint32_t>(s.t.next.size());
    if (nodes < 8)
        return;
    const std::uint32_t longest = std::min(longest_run, (nodes - 2) / 2);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    s.journaling = true;
    while (work_done(s) < limit) {
        s.looks += first_kick_looks;
        const auto a1 = static_cast<std::uint32_t>(next_random(state) % nodes);
        const auto first = static_cast<std::uint32_t>(next_random(state) % longest) + 1;
        const auto second = static_cast<std::uint32_t>(next_random(state) % longest) + 1;
        const std::uint32_t a2 = tour_next(s.t, a1);
        std::uint32_t b1 = a2;
        for (std::uint32_t k = 1; k < first; ++k)
            b1 = tour_next(s.t, b1);
        const std::uint32_t b2 = tour_next(s.t, b1);
        std::uint32_t c1 = b2;
        for (std::uint32_t k = 1; k < second; ++k)
            c1 = tour_next(s.t, c1);
        const std::uint32_t c2 = tour_next(s.t, c1);
        s.gained = link_after(s, a1, 0) + link_after(s, b1, 0) + link_after(s, c1, 0) -
                   gap(s.e, exit_of(s, a1, 0), entry_of(s, b2, 0)) -
                   gap(s.e, exit_of(s, c1, 0), entry_of(s, a2, 0)) -
                   gap(s.e, exit_of(s, b1, 0), entry_of(s, c2, 0));
        int forward = 0;
        swap_runs(s, a2, b1, b2, c1, forward);
        wake_all(s, {a1, a2, b1, b2, c1, c2});
        const bool finished = local_search(s, limit);
        if (s.gained < -s.least_gain)
            undo_journal(s);
        s.journal.clear();
        if (!finished)
            break;
    }
    s.journaling = false;
}
