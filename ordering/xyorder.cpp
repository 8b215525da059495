// xyorder: reorders the nets of an xy coordinates file so that the plotter travels less
// with the tool up, and writes the file that trace2xy would write from the same records
// in that order. Says on standard error how far the idle travel, and the plotting time
// when a speed is given, fell.
#include "coordinates_reader.h"
#include "front_end.h"
#include "json_writer.h"
#include "net_blocks.h"
#include "net_order.h"
#include "output_file.h"
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

constexpr const char *usage_text =
    "usage: xyorder [-q] [--json] [-k] [--effort E] [--speed V ...] IN.xy OUT.xy\n"
    "               (- for standard input or output)\n"
    "\n"
    "Reorders the nets of the coordinates file IN.xy to cut the plotter's idle\n"
    "travel, and writes the result to OUT.xy (- for standard input or output): every\n"
    "net with its moves, drawn from either end, in an order that travels less with\n"
    "the tool up; the moves before the first net stay first. OUT.xy is written whole\n"
    "or not at all.\n"
    "\n"
    "  -k, --keep-direction   draw every net from the end it starts at, as a router\n"
    "                         must\n"
    "  --effort E             search E times as long as by default, from 0 (the\n"
    "                         local search alone) to 100\n";

constexpr const char *exit_text =
    "\n"
    "With --speed, the plotting time before and after is told too.\n"
    "Exit status: 0 written, 1 IN.xy is malformed or not laid out as trace2xy writes\n"
    "a file, 2 a file could not be read or written or the arguments are wrong.\n";

constexpr int effort_option = first_own_option;

constexpr option own_options[] = {{"keep-direction", no_argument, nullptr, 'k'},
                                  {"effort", required_argument, nullptr, effort_option},
                                  {}};

constexpr companion xyorder{.usage = usage_text,
                            .exit_text = exit_text,
                            .version = "xyorder " XYORDER_VERSION,
                            .own_short = "k",
                            .own_long = own_options,
                            .timed = true,
                            .bed_option = nullptr,
                            .lengths = nullptr};

struct options {
    bool keep_direction;
    double effort;
    common_options common;
};

// Takes one of xyorder's own options; returns -1, or the exit status to end with.
int take_option(int code, const char *value, options &o)
{
    o.keep_direction = o.keep_direction || code == 'k';
    const char *text = value;
    if (code == effort_option && (!read_decimal(text, o.effort) || *text != '\0' || o.effort < 0 ||
                                  o.effort > effort_largest))
        return wrong_arguments("--effort wants a number from 0 to %g: '%s'", effort_largest, value);
    return -1;
}

// Reads the arguments and opens the files they name; returns -1 when the run goes on, or
// the exit status to end with.
int parse_arguments(int argc, char **argv, options &o, job_files &files)
{
    o = options{false, 1, {}};
    if (const int status = read_options(argc, argv, xyorder, o.common, take_option, o); status >= 0)
        return status;
    if (const int status = take_job_files(argc, argv, o.common.profile.path, files); status >= 0)
        return status;
    return json_beside(files, o.common);
}

// What the file said of itself while it was read.
struct job_before {
    double idle;        // idle travel, as xyview measures it
    plotting_time time; // when the motion is timed
};

// Reads the whole file into job, measuring it as xyview does. Returns -1 when the file
// was sound, or the exit status to end with, having said why and left the output as it
// was.
int read_job(job_files &files, const motion_model &motion, job_blocks &job, job_before &before)
{
    coordinates_reader reader;
    xy_unit unit;
    start_reading(reader, files.in);
    plotter tool;
    start_plotting(tool);
    motion_timer timer;
    start_timing(timer, motion);
    start_job(job);
    read_result result;
    while ((result = read_unit(reader, unit)) == read_result::unit && add_unit(job, unit)) {
        plot(tool, unit);
        if (motion.speed > 0)
            time_plotted(timer, tool, unit);
    }
    finish_job(job);
    before = {tool.job.idle_length, finish_timing(timer)};
    if (result == read_result::finished) {
        warn_when_nothing_drawn(tool.job.tool_downs);
        return -1;
    }
    return abandon(files, result == read_result::unit
                              ? report_misplaced("reorders", reader, unit, files.name)
                              : report_unread(result, reader, files.name));
}

// What the run found, for its report.
struct order_report {
    job_before before;
    double after; // idle travel in the order written
    plotting_time time_after;
    bool kept; // the file's order was written
};

// The order that travels least: xyorder's, or the file's own when that is no longer.
std::vector<visit> shortest_order(const job_blocks &job, const options &o, order_report &report)
{
    const ordering_problem problem = problem_of(job, !o.keep_direction);
    search_result found = short_order(problem, budget_for(job.groups.size(), o.effort));
    std::vector<visit> &order = found.order;
    report.after = idle_travel(problem, order);
    const std::vector<visit> kept = file_order(job);
    report.kept = false;
    if (const double kept_travel = idle_travel(problem, kept); kept_travel <= report.after) {
        report.after = kept_travel;
        report.kept = true;
        return kept;
    }
    return order;
}

// Writes the job in order to the output, timing the plotter over it into time, and puts
// it in place; returns -1, or status_trouble having said why.
int write_order(const job_blocks &job, const std::vector<visit> &order, job_files &files,
                const motion_model &motion, plotting_time &time)
{
    motion_timer timer;
    start_timing(timer, motion);
    const bool complete = write_job(job, order, files.out.out, motion.speed > 0 ? &timer : nullptr);
    time = finish_timing(timer);
    return finish_output(files, complete) == EXIT_SUCCESS ? -1 : status_trouble;
}

void report(const order_report &r, const motion_model &motion)
{
    char gain[64], times[96] = "";
    const double before = r.before.idle;
    if (r.after < before)
        std::snprintf(gain, sizeof gain, "%.1f %% less", 100 * (before - r.after) / before);
    else
        std::snprintf(gain, sizeof gain, "no shorter order found, the file's order is kept");
    if (motion.speed > 0) {
        char was[32], is[32];
        format_duration(r.before.time.drawing + r.before.time.travel + r.before.time.tool, was);
        format_duration(r.time_after.drawing + r.time_after.travel + r.time_after.tool, is);
        std::snprintf(times, sizeof times, "; plotting time %s before, %s after", was, is);
    }
    complain("idle travel %.2f before, %.2f after: %s%s", before, r.after, gain, times);
}

// The same figures as one JSON object on standard output; returns the exit status.
int report_json(const order_report &r, const job_files &files, std::size_t nets,
                const motion_model &motion)
{
    json_writer w;
    json_begin(w, stdout, "xyorder");
    json_string(w, "file", files.name);
    json_string(w, "output", output_name(files.output));
    json_integer(w, "nets", static_cast<long long>(nets));
    json_object(w, "idle_travel");
    json_number(w, "before", r.before.idle, 2);
    json_number(w, "after", r.after, 2);
    json_close(w, '}');
    if (motion.speed > 0) {
        json_object(w, "plotting_time");
        json_time(w, "before", r.before.time);
        json_time(w, "after", r.time_after);
        json_close(w, '}');
    } else {
        json_null(w, "plotting_time");
    }
    json_boolean(w, "file_order_kept", r.kept);
    // Kept for scripts that read it: the search is bounded by its counted work alone.
    json_boolean(w, "cut_short", false);
    json_end(w);
    return standard_output_written(EXIT_SUCCESS);
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    job_files files;
    job_blocks job;
    order_report r{};
    if (int status = parse_arguments(argc, argv, o, files);
        status >= 0 || (status = read_job(files, o.common.motion, job, r.before)) >= 0)
        return status;
    const std::vector<visit> order = shortest_order(job, o, r);
    if (const int status = write_order(job, order, files, o.common.motion, r.time_after);
        status >= 0)
        return status;
    if (o.common.quiet)
        return EXIT_SUCCESS;
    if (o.common.json)
        return report_json(r, files, job.nets.size(), o.common.motion);
    report(r, o.common.motion);
    return EXIT_SUCCESS;
}
