// Jobs read unit by unit, checked against the layout trace2xy writes, and written one after
// another into one coordinates file as trace2xy would write their records joined: every
// net block of each as read, each move placed, the tool raised between jobs, the first
// job's moves before its first net (where the tool first stands) kept and the later jobs'
// dropped, since they draw nothing, and one trailer at the end.
#pragma once

#include "coordinates_reader.h"
#include "placement.h"
#include "xy_layout.h"

#include <cstdio>

// How a pass over a file ended: finished for a sound file, else what stopped it.
struct pass_end {
    read_result result; // unit when the unit read stopped the pass, as said below
    bool misplaced;     // it stands where trace2xy writes none; else a move could not be
                        // placed within the range
    bool write_failed;  // the output refused bytes, which stopped the pass: nothing to
                        // report of the input
};

// Reads every unit from the start of in, checking that each stands where trace2xy would
// write it, and hands each to take with whether it is a move before the first net; take
// returns false to stop the pass there.
template <typename Take>
pass_end walk(std::FILE *in, coordinates_reader &r, xy_unit &unit, Take take)
{
    start_reading(r, in);
    layout state = layout::start;
    bool before_nets = true;
    read_result result;
    while ((result = read_unit(r, unit)) == read_result::unit) {
        if ((state = next_layout(state, unit.kind)) == layout::misplaced)
            return {result, true, false};
        before_nets = before_nets && unit.kind != unit_kind::net;
        if (!take(unit, before_nets))
            return {result, false, false};
    }
    return {result, false, false};
}

// Says on standard error why a pass over the file called name did not finish, for a
// program that does what ("places") with files laid out as trace2xy writes them; returns
// the exit status for it: 3 for a move that would leave the range.
int report_pass(const pass_end &end, coordinates_reader &r, const xy_unit &unit, const char *name,
                const char *what);

// The status for a job that would leave the range of a coordinates file, or is larger
// than the bed.
constexpr int status_off_bed = 3;

struct job_writer {
    xy_block block;
    tool_state tool;
    long jobs; // appended so far
};

// Makes w write to out, with no job yet.
void start_jobs(job_writer &w, std::FILE *out);

// The extents of the moves a job appended wrote, as read and as placed, and its tool
// downs.
struct job_extents {
    extent as_read, placed;
    std::int64_t tool_downs;
};

// Appends the job that in holds, read from its start, every move placed as how says and
// taken into boxes; with signs_as_read, the moves keep the minus signs they were read with
// ("-0.00"), as when nothing moves them. Returns how the pass ended: a move that would
// leave the range stops it, and so does a write that the output refuses, at once.
pass_end append_job(job_writer &w, std::FILE *in, const placement &how, bool signs_as_read,
                    coordinates_reader &r, xy_unit &unit, job_extents &boxes);

// Writes the trailer and hands on what w holds; returns whether every byte reached the
// stream.
bool finish_jobs(job_writer &w);

// A stream that can be read again from its start: in itself when it is a regular file,
// else a copy of it in a temporary file; null, having said why under name, when in cannot
// be read or the copy cannot be made.
std::FILE *rereadable(std::FILE *in, const char *name);
