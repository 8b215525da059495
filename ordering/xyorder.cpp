// xyorder: reorders the nets of an xy coordinates file so that the plotter travels less
// with the tool up, and writes the file that trace2xy would write from the same records
// in that order. Says on standard error how far the idle travel, and the plotting time
// when a speed is given, fell.
#include "companion.h"
#include "coordinates_reader.h"
#include "net_blocks.h"
#include "net_order.h"
#include "plotter.h"
#include "plotting_time.h"
#include "standard_descriptors.h"
#include "whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr const char *program = "xyorder";

constexpr const char *usage_text =
    "usage: xyorder [-k] [--effort E] [--speed V ...] IN.xy OUT.xy   (- for standard input\n"
    "       or output)\n"
    "\n"
    "Reorders the nets of the coordinates file IN.xy to cut the plotter's idle travel, and\n"
    "writes the result to OUT.xy (- for standard input or output): every net with its moves,\n"
    "drawn from either end, in an order that travels less with the tool up; the moves\n"
    "before the first net stay first. OUT.xy is written whole or not at all.\n"
    "\n"
    "  -k, --keep-direction   draw every net from the end it starts at, as a router must\n"
    "  --effort E             search E times as long as by default, from 0 (the local\n"
    "                         search alone) to 100\n";

constexpr const char *usage_end =
    "  -h, --help             show this text and exit\n"
    "  -V, --version          show the version and exit\n"
    "\n"
    "With --speed, the plotting time before and after is told too.\n"
    "Exit status: 0 written, 1 IN.xy is malformed or not laid out as trace2xy writes a\n"
    "file, 2 a file could not be read or written or the arguments are wrong.\n";

constexpr int effort_option = motion_option_end;

struct options {
    const char *input;  // or "-"
    const char *output; // or "-"
    bool keep_direction;
    double effort;
    motion_model motion;
};

// Returns -1 when the run goes on, or the exit status to end with.
int parse_arguments(int argc, char **argv, options &o)
{
    constexpr option own[] = {{"keep-direction", no_argument, nullptr, 'k'},
                              {"effort", required_argument, nullptr, effort_option},
                              {"help", no_argument, nullptr, 'h'},
                              {"version", no_argument, nullptr, 'V'}};
    option table[std::size(own) + std::size(motion_long_options) + 1] = {};
    std::copy(std::begin(motion_long_options), std::end(motion_long_options),
              std::copy(std::begin(own), std::end(own), table));
    o = options{nullptr, nullptr, false, 1, {}};
    motion_arguments motion{};
    opterr = 0;
    for (int code; (code = getopt_long(argc, argv, ":khV", table, nullptr)) != -1;) {
        if (code == 'k') {
            o.keep_direction = true;
        } else if (code == effort_option) {
            const char *text = optarg;
            if (!read_decimal(text, o.effort) || *text != '\0' || o.effort < 0 ||
                o.effort > effort_largest)
                return wrong_arguments(program, "--effort wants a number from 0 to %g: '%s'",
                                       effort_largest, optarg);
        } else if (code >= speed_option && code < motion_option_end) {
            motion.values[code - speed_option] = optarg;
        } else if (code == 'h') {
            std::fputs(usage_text, stdout);
            std::fputs(motion_usage, stdout);
            std::fputs(usage_end, stdout);
            return EXIT_SUCCESS;
        } else if (code == 'V') {
            std::puts("xyorder " XYORDER_VERSION);
            return EXIT_SUCCESS;
        } else {
            return wrong_option(program, code, argv, table);
        }
    }
    if (const int status = take_input_and_output(program, argc, argv, o.input, o.output);
        status >= 0)
        return status;
    return motion_of(program, motion, o.motion) ? -1 : status_trouble;
}

// What the file said of itself while it was read.
struct job_before {
    double idle;        // idle travel, as xyview measures it
    plotting_time time; // when the motion is timed
};

// Reads the whole file into job, measuring it as xyview does. Returns the result that
// ended the reading: finished when the file was sound, unit when the unit read into unit
// stands where trace2xy writes none.
read_result read_job(std::FILE *in, const motion_model &motion, job_blocks &job, job_before &before,
                     coordinates_reader &reader, xy_unit &unit)
{
    start_reading(reader, in);
    plotter tool;
    start_plotting(tool);
    motion_timer timer;
    start_timing(timer, motion);
    start_job(job);
    read_result result;
    while ((result = read_unit(reader, unit)) == read_result::unit && add_unit(job, unit)) {
        plot(tool, unit);
        if (motion.speed > 0)
            time_unit(timer, unit);
    }
    finish_job(job);
    before = {tool.job.idle_length, finish_timing(timer)};
    return result;
}

// The order that travels least: xyorder's, or the file's own when that is no longer.
std::vector<visit> shortest_order(const job_blocks &job, const options &o, double &travel)
{
    const ordering_problem problem = problem_of(job, !o.keep_direction);
    search_result found = short_order(problem, budget_for(job.groups.size(), o.effort));
    if (found.cut_short)
        complain(program,
                 "the search was cut short after %.1f s; another run may order differently",
                 found.seconds);
    std::vector<visit> &order = found.order;
    travel = idle_travel(problem, order);
    const std::vector<visit> kept = file_order(job);
    if (const double kept_travel = idle_travel(problem, kept); kept_travel <= travel) {
        travel = kept_travel;
        return kept;
    }
    return order;
}

// Writes the job in order to file, timing the plotter over it, and puts it in place.
bool write_order(const job_blocks &job, const std::vector<visit> &order, whole_file &file,
                 const char *output, motion_timer &timer)
{
    if (close_whole_file(file,
                         write_job(job, order, file.out, timer.model.speed > 0 ? &timer : nullptr)))
        return true;
    complain(program, "%s: %s", output_name(output), whole_file_failure(file));
    return false;
}

void report(const job_before &before, double after, const motion_model &motion,
            const plotting_time &time_after)
{
    char gain[64], times[96] = "";
    if (after < before.idle)
        std::snprintf(gain, sizeof gain, "%.1f %% less", 100 * (before.idle - after) / before.idle);
    else
        std::snprintf(gain, sizeof gain, "no shorter order found, the file's order is kept");
    if (motion.speed > 0) {
        char was[32], is[32];
        format_duration(before.time.drawing + before.time.travel + before.time.tool, was);
        format_duration(time_after.drawing + time_after.travel + time_after.tool, is);
        std::snprintf(times, sizeof times, "; plotting time %s before, %s after", was, is);
    }
    complain(program, "idle travel %.2f before, %.2f after: %s%s", before.idle, after, gain, times);
}

} // namespace

int main(int argc, char **argv)
{
    prepare_program();
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return standard_output_written(program, status);
    const char *name;
    std::FILE *in = open_coordinates(program, o.input, name);
    whole_file out;
    if (!in || !open_output(program, out, o.output, in))
        return status_trouble;

    job_blocks job;
    job_before before;
    coordinates_reader reader;
    xy_unit unit;
    if (const read_result result = read_job(in, o.motion, job, before, reader, unit);
        result != read_result::finished) {
        close_whole_file(out, false);
        return result == read_result::unit
                   ? report_misplaced(program, "reorders", reader, unit, name)
                   : report_unread(program, result, reader, name);
    }
    double after;
    const std::vector<visit> order = shortest_order(job, o, after);
    motion_timer timer;
    start_timing(timer, o.motion);
    if (!write_order(job, order, out, o.output, timer))
        return status_trouble;
    report(before, after, o.motion, finish_timing(timer));
    return EXIT_SUCCESS;
}
