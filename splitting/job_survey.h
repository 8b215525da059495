// The passes xysplit makes over a job, net by net: where each net begins and ends in the
// file, what each part sums to as xyview would sum the part's own file, and where the nets
// are that an operator names by a time, a length or a point.
#pragma once

#include "job_writer.h"
#include "part_cuts.h"
#include "plotting_time.h"
#include "split_where.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What a part sums to: xyview's summary and plotting time of its file.
struct figures {
    job_summary job;
    plotting_time time;
};

// A part's own plotter and timer, fed the units its file holds; the timer only when the
// motion model has a speed, since without one no time is reported.
struct tally {
    plotter pen;
    motion_timer timer;
    bool timing;
};

// A part of the job: the bytes [from, to) of the file, then the trailer.
struct part_span {
    std::int64_t first_net, last_net; // numbers from 1; last_net < first_net when it has none
    std::string first_name, last_name;
    std::int64_t from, to;
    figures of;
    bool lone; // a net alone that passes the limit of a sitting
};

// What a pass learnt of the job besides its parts.
struct job_facts {
    std::int64_t nets;
    figures whole;  // of the whole job
    double nearest; // for a point: how near the nearest net's strokes pass, or -1
};

// The seconds of a plotting time, or the length drawn, by which parts are measured.
double measure(const figures &f, bool timed);

// Turns every where of kind time, length or point in wheres into the net it names: the
// first net that the job has not finished by that time or length drawn, or the first net
// whose strokes pass nearest the point, within near; a net number past the last, or where
// none is, stays or becomes nets + 1. Reads the whole job.
pass_end locate_nets(std::FILE *in, where *wheres, std::size_t count, double near,
                     const motion_model &m, job_facts &facts, coordinates_reader &r, xy_unit &unit);

// The parts that begin at the nets starts (numbers from 1, rising; the first part begins at
// the file's start whatever starts[0] says) and end before the next, the last before
// end_net, summed up. Reads the whole job.
pass_end survey_parts(std::FILE *in, const std::vector<std::int64_t> &starts, std::int64_t end_net,
                      const motion_model &m, std::vector<part_span> &parts, job_facts &facts,
                      coordinates_reader &r, xy_unit &unit);

// Parts of at most limit each (seconds when timed, else length drawn), each taking the nets
// that follow while it stays within; a net that alone passes the limit is a part of its own.
pass_end survey_sittings(std::FILE *in, double limit, bool timed, const motion_model &m,
                         std::vector<part_span> &parts, job_facts &facts, coordinates_reader &r,
                         xy_unit &unit);

// What each net adds to a part, by time when timed, else by length drawn.
pass_end survey_costs(std::FILE *in, bool timed, const motion_model &m,
                      std::vector<net_cost> &costs, job_facts &facts, coordinates_reader &r,
                      xy_unit &unit);
