// Jobs for the ordering tests: coordinates files taken apart, put together again in an
// order, and generated routed boards.
#pragma once

#include "net_blocks.h"
#include "streams.h"
#include "units.h"

#include <random>
#include <string>

// The job in the coordinates file xy, which must be sound.
inline job_blocks job_of(const std::string &xy)
{
    job_blocks job;
    start_job(job);
    for_each_unit(xy, [&](const xy_unit &unit) { add_unit(job, unit); });
    finish_job(job);
    return job;
}

// The coordinates file of job in order.
inline std::string written(const job_blocks &job, const std::vector<visit> &order)
{
    stream out(std::tmpfile());
    write_job(job, order, out.get());
    return contents(out.get());
}

// Trace data of a routed board: nets of two to four points joined by right-angle traces,
// near each other, scattered in the order of the file.
inline std::string board_trace(int nets, unsigned seed)
{
    std::mt19937 random(seed);
    std::string trace = "BOARD 'TEST'\n";
    for (int net = 0; net < nets; ++net) {
        trace += "  NET 'N" + std::to_string(net) + "'\n";
        long x = static_cast<long>(random() % 400) * 2500,
             y = static_cast<long>(random() % 300) * 2500;
        trace += "SEG " + std::to_string(x) + " " + std::to_string(y) + "\n";
        for (unsigned turn = 0, turns = 1 + random() % 3; turn < turns; ++turn) {
            (turn % 2 ? y : x) += (static_cast<long>(random() % 21) - 10) * 2500;
            trace += "SEG " + std::to_string(x) + " " + std::to_string(y) + "\n";
        }
    }
    return trace;
}
