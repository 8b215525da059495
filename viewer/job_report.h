// What xyview says of a job: the summary's lines, the same figures as one JSON object, the
// picture's caption, and where the job stands on the bed, worked out once for all three.
#pragma once

#include "bed.h"
#include "plotter.h"
#include "plotting_time.h"
#include "svg_picture.h"

#include <cstdio>
#include <string>

struct job_report {
    std::string name; // the coordinates file, as messages call it
    job_summary job;
    plotting_time time;
    bool timed; // a speed was given
    bool has_bed;
    bed area;
    std::int64_t done; // the net that the part left to plot begins with, or 0
    job_summary left;  // that part, summed up as its own file would be
    plotting_time left_time;
    std::string profile; // the plotter's profile read, or empty
    double unit_mm;      // an output unit's length, or 0 when unknown
};

// Where the job stands on the bed: how far it reaches past each side, the sides it
// crosses ("left and bottom"), and what to do about it, with the xyplace command that
// does (empty when it fits).
struct bed_standing {
    overhang over;
    std::string crossed;
    std::string remedy;
    std::string command;
};
bed_standing standing_of(const job_summary &job, const bed &area);

// Writes the summary, a line a figure, as xyview prints it.
void print_summary(std::FILE *to, const job_report &r);

// Writes the same figures as one JSON object, with the keys that xyview(1) lists.
void print_json(std::FILE *to, const job_report &r);

// The picture's title: the file's name, and its figures on one line.
picture_caption caption_of(const job_report &r);
