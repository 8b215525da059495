// A coordinates file taken apart into what xyorder may move: the moves before the first
// net, which stay first, and groups of net blocks, each a net with its moves and the
// moveless nets that follow it; and put together again, in a new order, exactly as
// trace2xy writes a file.
#pragma once

#include "coordinates_reader.h"
#include "plotter.h"
#include "plotting_time.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Where a net's record and moves begin; they end where the next net's begin.
struct net_block {
    std::size_t record_at;  // in job_blocks::records
    std::size_t first_move; // in job_blocks::moves
};

struct job_blocks {
    std::vector<point> moves;         // every move, in file order
    std::vector<unsigned char> minus; // for each move, 1 when x and 2 when y shows a minus
    std::string records;              // every net's record, one after another
    std::vector<net_block> nets;      // in file order
    std::size_t leading_moves;        // moves before the first net
    std::size_t leading_nets;         // moveless nets before the first net with moves
    std::vector<std::size_t> groups;  // the first net of each group after those, in file
                                      // order; a group runs to the next one's first net
    layout state;
};

// The first and last move of a group, as the file draws them.
struct stroke_ends {
    point start, end;
};

// One group in a drawing order; reversed draws its moves last to first.
struct visit {
    std::uint32_t group;
    bool reversed;
};

// Starts a job with nothing in it.
void start_job(job_blocks &job);

// Adds unit, just read, to the job; the tool lines are left out, since they follow from
// the order of the moves and nets. Returns false, adding nothing, when unit stands where
// trace2xy would not write it (a file rewritten in another order would then draw other
// strokes); the job takes no more units after that. Call finish_job after the trailer.
bool add_unit(job_blocks &job, const xy_unit &unit);

// Groups the nets read into job.groups, and gives back the room kept for growing.
void finish_job(job_blocks &job);

stroke_ends stroke_of(const job_blocks &job, std::size_t group);

// The order in which the file had the groups.
std::vector<visit> file_order(const job_blocks &job);

// Writes the job to out in order (each group once), with "Tool Down" after the first move
// of each net, "Tool Up" before each net that follows a move, and the trailer: the file
// trace2xy writes from the same records; and carries out each move and tool line on
// timer when it is not null. Returns false if a write failed.
bool write_job(const job_blocks &job, const std::vector<visit> &order, std::FILE *out,
               motion_timer *timer);
