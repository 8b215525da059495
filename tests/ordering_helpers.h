// Jobs for the ordering tests: coordinates files taken apart and put together again in
// an order.
#pragma once

#include "net_blocks.h"
#include "routed_board.h"
#include "streams.h"
#include "units.h"

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
    write_job(job, order, out.get(), nullptr);
    return contents(out.get());
}
