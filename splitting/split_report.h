// What xysplit tells of the parts it wrote: a line each on standard error, or one JSON
// object on standard output, with the figures xyview would give of each part's file.
#pragma once

#include "job_survey.h"

#include <string>
#include <vector>

// What a split made.
struct split_outcome {
    const char *input;              // as messages name it
    std::vector<std::string> files; // a part's file each, as messages name them
    const std::vector<part_span> *parts;
    job_facts facts;
    bool timed;          // a speed was given, so parts have plotting times
    bool by_time;        // sittings are limited by time, else by length drawn
    bool one_net_a_part; // more parts were asked for than there are nets
};

// Writes a line for each part on standard error.
void report_parts(const split_outcome &s);

// Writes the same as one JSON object on standard output; returns the exit status.
int report_parts_json(const split_outcome &s);
