// Whether parts draw exactly what their job draws: the same strokes, each once, in the same
// order and direction, whatever the travel between them. A stroke is a move made with the
// tool down, or a hole, where the tool goes down and up at one point.
#pragma once

#include "coordinates_reader.h"
#include "front_end.h"
#include "plotter.h"

#include <cstdint>
#include <cstdio>
#include <string>

struct stroke {
    point from, to;
};

// A file read stroke by stroke.
struct stroke_reader {
    std::FILE *in;
    const char *name; // as messages name it
    coordinates_reader reader;
    xy_unit unit;
    bool tool_down, moved; // moved: since the tool went down
    point at;
    std::string net;   // the name of the net being read
    std::int64_t nets; // read so far
    long line;         // where the last stroke was read
};

// Makes s read the strokes of in, called name.
void start_strokes(stroke_reader &s, std::FILE *in, const char *name);

// Reads the next stroke into next: read_result::unit for one, finished at the file's end,
// else what stopped it, as read_unit tells.
read_result next_stroke(stroke_reader &s, stroke &next);

// Where the parts first draw otherwise than the job, for the message: empty when they draw
// the same.
struct check_outcome {
    const char *original; // the job, as messages name it
    std::int64_t strokes; // of the job, when the same
    std::string difference;
};

// Compares the strokes of parts (count of them, named names) with those of the job at
// job_path (- for standard input); returns -1 with what differs in outcome, which names the
// job as messages do, or the exit status for a file that could not be read, having said why.
int check_parts(char **names, int count, const char *job_path, check_outcome &outcome);

// Tells what outcome says of the parts (count of them) of its job, on standard error or,
// with --json, as one object on standard output; returns the exit status: 0 when they draw
// the same, 3 when not.
int report_check(const check_outcome &outcome, int count, const common_options &common);
