// What the front ends of the companions, xyview, xyorder and xyplace, share: their error
// lines, the report of a coordinates file that could not be read, the reading of their
// options, and the checks that keep them from writing over the file they read or losing
// what they print.
#pragma once

#include "bed.h"
#include "coordinates_reader.h"
#include "plotting_time.h"
#include "whole_file.h"

#include <cstdio>
#include <getopt.h>
#include <string>

// Exit statuses: the coordinates file is malformed; a file could not be read or written,
// or the arguments are wrong.
constexpr int status_malformed = 1;
constexpr int status_trouble = 2;

// Writes program's name, then the message that format and what follows it make, as one
// line on standard error. Every error line of a companion comes from here.
[[gnu::format(printf, 2, 3)]] void complain(const char *program, const char *format, ...);

// Opens the coordinates file at path for reading, standard input for "-", and sets name
// to what messages call it; returns null, having said why on standard error after
// program, when it does not open.
std::FILE *open_coordinates(const char *program, const char *path, const char *&name);

// Writes to standard error why the unit after r could not be read (result is not unit
// or finished), program and name leading the line, and when a look at the lines after a
// malformed one finds trace data, that it seems to be; returns the exit status for it.
int report_unread(const char *program, read_result result, coordinates_reader &r, const char *name);

// Returns status when all that was written to standard output reached it; otherwise
// reports the system's reason after program and returns status_trouble.
int standard_output_written(const char *program, int status);

// Whether writing to path (standard output for "-") would write to the file that in
// reads, by whatever path or link: a regular file or a named pipe. A device such as a
// terminal may be both.
bool writes_to_input(const char *path, std::FILE *in);

// Whether the file at path, if it is there and a regular file, is empty or begins as an
// SVG picture or any XML file does (after a byte order mark and white space: "<?xml",
// "<svg" or "<!"); a file that cannot be read counts as not.
bool holds_picture_or_nothing(const char *path);

// What messages call the output path: "standard output" for "-", else path.
const char *output_name(const char *path);

// Opens the coordinates file to write at path as file, before any work, so that a name
// that cannot be written is refused at once, as is the file that in reads; returns
// false, having said why after program.
bool open_output(const char *program, whole_file &file, const char *path, std::FILE *in);

// Reads a decimal number at text ([+-]digits[.digits][e[+-]digits] of any length, nothing
// else: no blanks, no hexadecimal, no infinity) and moves text past it. Returns false
// when there is none or it is too large for a double.
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

// Writes to standard error why unit, read by r at its line, stands where trace2xy
// writes none, for a program that does what with files laid out as trace2xy writes
// them; returns status_malformed.
int report_misplaced(const char *program, const char *what, const coordinates_reader &r,
                     const xy_unit &unit, const char *name);

// Writes to standard error why the arguments are wrong, the message that format makes,
// and a line pointing to program's --help; returns status_trouble.
[[gnu::format(printf, 2, 3)]] int wrong_arguments(const char *program, const char *format, ...);

// Takes the two names left after the options into input and output; returns -1, or,
// having said why as wrong_arguments does, status_trouble when there are not two or
// either is empty.
int take_input_and_output(const char *program, int argc, char **argv, const char *&input,
                          const char *&output);

// The same for what getopt_long, with opterr 0 and the long options of table, returned
// ':' (a value missing) or '?' for: an unknown option, a prefix that several options
// begin with (which are named), or a value given to an option that takes none.
int wrong_option(const char *program, int code, char **argv, const option *table);

// The largest value the motion model takes for a speed, an acceleration, a corner or a
// tool time, and the smallest for a speed or an acceleration: between them every time
// it works out is a finite number of seconds.
constexpr double motion_largest = 1e6, motion_smallest = 1e-6;

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
    "                         per second (0.000001 to 1000000, as are the other values)\n"
    "  --travel-speed V       speed with the tool up (default: --speed)\n"
    "  --accel A              acceleration, in output units per second squared (default:\n"
    "                         none, every move at its speed throughout)\n"
    "  --corner D             junction deviation for corners, in output units (default 0:\n"
    "                         the head stops at every corner), with --accel\n"
    "  --tool-time DOWN[,UP]  seconds to lower and to raise the tool (default 0)\n";
