// The companions' front end, written once: the options they share (-h, -V, -q, --json
// and, where a companion times the job, the motion model's) merged into each companion's
// own table and read in one place, the names of the files they take, and the reading of
// numbers given as options. A companion states only what is its own.
#pragma once

#include "diagnostics.h"
#include "output_file.h"
#include "plotter_profile.h"
#include "plotting_time.h"
#include "standard_descriptors.h"
#include "unit_lengths.h"
#include "whole_file.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <getopt.h>

// One of a companion's own options that takes lengths, which may carry a unit.
struct length_option {
    int code;
    length_kind kind;
};

// What a companion tells the front end of itself.
struct companion {
    const char *usage;            // its synopsis and its own options, for --help
    const char *exit_text;        // what its exit statuses mean, at the end of --help
    const char *version;          // what --version prints
    const char *own_short;        // its own short options, as getopt_long takes them
    const option *own_long;       // its own long options, ended by an entry of zeros
    bool timed;                   // it takes the motion model's options
    const char *bed_option;       // the option that names the plotter's bed, told to one who
                                  // types --bed; or null
    const length_option *lengths; // its own options that take lengths, ended by zeros
};

// What the shared options and the plotter's profile say.
struct common_options {
    bool quiet;          // leave out the summary or report, never a warning or an error
    bool json;           // the summary or report as one JSON object on standard output
    motion_model motion; // without a speed when none was given
    plotter_profile profile;
    output_unit unit;                        // from --unit or the profile; mm 0 when unknown
    std::string bed, margin;                 // the profile's, in output units; empty when not given
    std::array<std::string, 5> motion_given; // the profile's motion values, in output units
    // Options' values with their lengths in output units, which the values taken point to.
    std::array<std::string, 32> converted;
    int conversions; // made so far
};

// The codes of the long options without a short one: the shared ones below, a
// companion's own from first_own_option on.
enum shared_option {
    speed_option = 256,
    travel_speed_option,
    accel_option,
    corner_option,
    tool_time_option,
    motion_option_end,
    json_option,
    plotter_option,
    unit_option,
    first_own_option = 512
};

// A companion's own options and the shared ones, as getopt_long takes them: room for
// some twenty of its own.
struct option_table {
    option entries[32];
    char shorts[48];
    const char *motion[motion_option_end - speed_option]; // values as given, or null
};

// Puts common as it stands before any option is read.
void start_options(common_options &common);

// Builds t from c's own options and the shared ones.
void merge_options(const companion &c, option_table &t);

// Takes code, as getopt_long returned it from t, when it is a shared option or an error;
// returns -1 when the run goes on, the exit status to end with after --help, --version or
// a wrong option, or not_shared for one of the companion's own.
constexpr int not_shared = -2;
int take_shared(int code, const char *value, const companion &c, option_table &t, char **argv,
                common_options &common);

// Reads the motion model from the values t holds, once all options are known, the
// profile's standing for those not given: -1, or status_trouble, having said which option
// and value are wrong, for a value that is no number in range or an option that needs
// another one not given.
int finish_shared(option_table &t, common_options &common);

// Reads the motion model from given, the values of --speed, --travel-speed, --accel,
// --corner and --tool-time (null where not given), or when from is not null, of those keys
// of the profile: false, having said which is wrong and why.
bool motion_of(const char *const given[], motion_model &m, const plotter_profile *from);

// Finds --plotter and --unit among the options, reads the profile and checks its values,
// before the options are read in turn: -1, or status_trouble having said why.
int read_setting(int argc, char **argv, const companion &c, option_table &t,
                 common_options &common);

// Turns the lengths of value, given to option code, into output units where it is one of
// the motion model's or c's own length options ("bed" naming the profile's bed), keeping
// the text in t; returns -1, or status_trouble having said why.
int convert_option(int code, const char *&value, const companion &c, option_table &t,
                   common_options &common);

// Readies the program (standard_descriptors.h), with a line of its own should memory run
// out (diagnostics.h), then reads the options of argv: the shared ones into common, and
// each of the companion's own through take(code, value, o), which returns -1 or the exit
// status to end with. Returns -1 when the run goes on, with optind at the first name, or
// the exit status to end with, what was printed having reached standard output; refuses a
// standard output that is the plotter's profile.
template <typename Options>
int read_options(int argc, char **argv, const companion &c, common_options &common,
                 int (*take)(int code, const char *value, Options &o), Options &o)
{
    prepare_program();
    fail_when_out_of_memory();
    option_table t;
    merge_options(c, t);
    start_options(common);
    opterr = 0;
    if (const int status = read_setting(argc, argv, c, t, common); status >= 0)
        return status;
    for (int code; (code = getopt_long(argc, argv, t.shorts, t.entries, nullptr)) != -1;) {
        const char *value = optarg;
        int status = convert_option(code, value, c, t, common);
        if (status < 0)
            status = take_shared(code, value, c, t, argv, common);
        if (status == not_shared)
            status = take(code, value, o);
        if (status >= 0)
            return standard_output_written(status);
    }
    // A summary or an object written to the profile would break it for every later run.
    const int status = finish_shared(t, common);
    return status < 0 && names_the_profile("-", common.profile.path) ? status_trouble : status;
}

// Opens the coordinates file at path for reading, standard input for "-", and sets name
// to what messages call it; returns null, having said why, when it does not open.
std::FILE *open_coordinates(const char *path, const char *&name);

// A companion's input and the output it writes whole.
struct job_files {
    std::FILE *in;
    const char *name; // of the input, as messages call it
    file_stamp stamp; // of the input when it was opened
    whole_file out;
    const char *output; // as given
};

// Opens input and, before any work, output, refusing an output that is the input or the
// plotter's profile read, at path profile (as output_file.h tells); returns -1, or
// status_trouble having said why.
int open_job_files(const char *input, const char *output, const std::string &profile, job_files &f);

// Takes the two names left after the options, IN.xy and OUT.xy, and opens them as
// open_job_files does; returns -1, or status_trouble having said why (as wrong_arguments
// does when there are not two names or either is empty).
int take_job_files(int argc, char **argv, const std::string &profile, job_files &files);

// Refuses --json when the output goes to the file open on standard output, by any name or
// descriptor, where the job and the object would mix, or when standard output is the
// input: -1, or status_trouble having said why and closed the output unwritten.
int json_beside(job_files &f, const common_options &common);

// Closes f's output unwritten, leaving an old file as it was; gives back status.
int abandon(job_files &f, int status);

// Closes f's output and, when complete and the input unchanged since it was opened, puts
// it in place: 0, or status_trouble having said why not.
int finish_output(job_files &f, bool complete);

// Reads a decimal number at text ([+-]digits[.digits][e[+-]digits] of any length, nothing
// else: no blanks, no hexadecimal, no infinity) and moves text past it. Returns false
// when there is none or it is too large for a double.
bool read_decimal(const char *&text, double &value);

// The largest value the motion model takes for a speed, an acceleration, a corner or a
// tool time, and the smallest for a speed or an acceleration: between them every time
// it works out is a finite number of seconds.
constexpr double motion_largest = 1e6, motion_smallest = 1e-6;
