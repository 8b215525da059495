// What the front ends of the companions, xyview and xyorder, share: the report of a
// coordinates file that could not be read, files written whole or not at all, and the
// checks that keep them from writing over the file they read or losing what they print.
#pragma once

#include "coordinates_reader.h"
#include "plotting_time.h"

#include <cstdio>
#include <getopt.h>
#include <string>

// Exit statuses: the coordinates file is malformed; a file could not be read or written,
// or the arguments are wrong.
constexpr int status_malformed = 1;
constexpr int status_trouble = 2;

// Opens the coordinates file at path for reading, standard input for "-", and sets name
// to what messages call it; returns null, having said why on standard error after
// program, when it does not open.
std::FILE *open_coordinates(const char *program, const char *path, const char *&name);

// Writes to standard error why the unit after r could not be read (result is not unit
// or finished), program and name leading the line; returns the exit status for it.
int report_unread(const char *program, read_result result, const coordinates_reader &r,
                  const char *name);

// Returns status when all that was written to standard output reached it; otherwise
// reports the system's reason after program and returns status_trouble.
int standard_output_written(const char *program, int status);

// Whether writing to path (standard output for "-") would write to the file that in
// reads, by whatever path or link: a regular file or a named pipe. A device such as a
// terminal may be both.
bool writes_to_input(const char *path, std::FILE *in);

// A file written whole or not at all: an unnamed file (or, where the file system has no
// such files, a file of a unique name) in the folder of the file it is to become, put in
// place by a rename once whole. A symbolic link is followed to the file it names, which
// is replaced as a regular file is. A device or a pipe (standard output for "-") is
// written in place, since a rename would replace it.
struct whole_file {
    std::FILE *out;
    std::string path;    // the file to write, links followed
    std::string written; // the named file the bytes go to until whole, if any
    bool in_place;
};

// Opens f for path. A regular file already there is replaced only if the user may write
// it, and its owner (where the user may give it away) and permission bits are kept.
// Returns false, with errno telling why, when nothing can be written.
bool open_whole_file(whole_file &f, const char *path);

// Closes f and, when complete is true and every byte reached the file, puts it in place;
// otherwise removes what was written. Returns whether f is whole in place, with errno
// telling why not (kept as it was when complete is false).
bool close_whole_file(whole_file &f, bool complete);

// Reads a decimal number at text ([+-]digits[.digits][e[+-]digits], nothing else: no
// blanks, no hexadecimal, no infinity) and moves text past it. Returns false when there
// is none or it is too large for a double.
bool read_decimal(const char *&text, double &value);

// The motion model's options, as getopt_long returns them; values are kept as given and
// read by motion_of once all options are known.
enum motion_option {
    speed_option = 256,
    travel_speed_option,
    accel_option,
    corner_option,
    tool_time_option,
    motion_option_end
};
struct motion_arguments {
    const char *values[motion_option_end - speed_option]; // null when not given
};

// Writes to standard error why the arguments are wrong (why, then what), on one line,
// and a line pointing to program's --help; returns status_trouble.
int wrong_arguments(const char *program, const char *why, const char *what);

// The same for what getopt_long returned ':' (a value missing) or '?' (an option unknown
// or ambiguous) for, with opterr 0.
int wrong_option(const char *program, int code, char **argv);

// Reads the motion model from the options given; a model without a speed times nothing.
// Returns false, having said on standard error which option and value are wrong, for a
// value that is no number in range or an option that needs another one not given.
bool motion_of(const char *program, const motion_arguments &given, motion_model &m);

// The motion model's long options, for a table of getopt_long's.
constexpr option motion_long_options[] = {
    {"speed", required_argument, nullptr, speed_option},
    {"travel-speed", required_argument, nullptr, travel_speed_option},
    {"accel", required_argument, nullptr, accel_option},
    {"corner", required_argument, nullptr, corner_option},
    {"tool-time", required_argument, nullptr, tool_time_option}};

// The lines of a usage text that tell the motion model's options.
constexpr const char *motion_usage =
    "  --speed V              estimate the plotting time: drawing speed, in output units\n"
    "                         per second\n"
    "  --travel-speed V       speed with the tool up (default: --speed)\n"
    "  --accel A              acceleration, in output units per second squared (default:\n"
    "                         none, every move at its speed throughout)\n"
    "  --corner D             junction deviation for corners, in output units (default 0:\n"
    "                         the head stops at every corner), with --accel\n"
    "  --tool-time DOWN[,UP]  seconds to lower and to raise the tool (default 0)\n";
