// Measures what xyorder gains on a coordinates file: the idle travel of the file's own
// order, of a plain greedy nearest-neighbour order from the same first point, and of
// xyorder's order, with the time the ordering took.
#include "coordinates_reader.h"
#include "greedy_start.h"
#include "net_blocks.h"
#include "net_order.h"

#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    const bool reversible = !(argc >= 3 && std::strcmp(argv[1], "--keep-direction") == 0);
    std::FILE *in = argc >= 2 ? std::fopen(argv[argc - 1], "r") : nullptr;
    if (!in) {
        std::fputs("usage: order_bench [--keep-direction] FILE.xy\n", stderr);
        return 2;
    }
    coordinates_reader reader;
    start_reading(reader, in);
    job_blocks job;
    start_job(job);
    xy_unit unit;
    read_result result;
    while ((result = read_unit(reader, unit)) == read_result::unit && add_unit(job, unit))
        ;
    if (result != read_result::finished) {
        std::fprintf(stderr, "order_bench: %s is no sound coordinates file\n", argv[argc - 1]);
        return 1;
    }
    finish_job(job);
    const ordering_problem problem = problem_of(job, reversible);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<visit> greedy = greedy_order(problem, first_point(problem));
    const auto greedy_done = std::chrono::steady_clock::now();
    const std::vector<visit> improved =
        short_order(problem, budget_for(job.groups.size(), 1)).order;
    const auto done = std::chrono::steady_clock::now();
    const double file = idle_travel(problem, file_order(job));
    const double nearest = idle_travel(problem, greedy);
    const double ordered = idle_travel(problem, improved);
    std::printf("%zu nets: idle travel %.2f in the file, %.2f greedy, %.2f xyorder "
                "(%.1f %% below greedy); greedy %.3f s, xyorder's ordering %.3f s\n",
                job.groups.size(), file, nearest, ordered, 100 * (nearest - ordered) / nearest,
                std::chrono::duration<double>(greedy_done - start).count(),
                std::chrono::duration<double>(done - greedy_done).count());
    return 0;
}
