// xyorder: reorders the nets of an xy coordinates file so that the plotter travels less
// with the tool up, and writes the file that trace2xy would write from the same records
// in that order. Says on standard error how far the idle travel fell.
#include "companion.h"
#include "coordinates_reader.h"
#include "net_blocks.h"
#include "net_order.h"
#include "plotter.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr const char *usage_text =
    "usage: xyorder [--keep-direction] IN.xy OUT.xy\n"
    "\n"
    "Reorders the nets of the coordinates file IN.xy to cut the plotter's idle travel, and\n"
    "writes the result to OUT.xy (- for standard input or output): every net with its moves,\n"
    "drawn from either end, in an order that travels less with the tool up; the moves\n"
    "before the first net stay first. OUT.xy is written whole or not at all.\n"
    "\n"
    "  --keep-direction   draw every net from the end it starts at, as a router must\n"
    "  --help, --version  show this text or the version, and exit\n"
    "\n"
    "Exit status: 0 written, 1 IN.xy is malformed, 2 a file could not be read or written or\n"
    "the arguments are wrong.\n";

struct options {
    const char *input;  // or "-"
    const char *output; // or "-"
    bool keep_direction;
};

// Returns -1 when the run goes on, or the exit status to end with.
int parse_arguments(int argc, char **argv, options &o)
{
    o = options{};
    bool options_ended = false;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options_ended || argument == "-" || !argument.starts_with('-')) {
            (files == 0 ? o.input : o.output) = argv[i];
            if (++files > 2)
                break;
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "--keep-direction") {
            o.keep_direction = true;
        } else if (argument == "--help") {
            std::fputs(usage_text, stdout);
            return EXIT_SUCCESS;
        } else if (argument == "--version") {
            std::puts("xyorder " XYORDER_VERSION);
            return EXIT_SUCCESS;
        } else {
            std::fprintf(stderr, "xyorder: unknown option %s\n%s", argv[i], usage_text);
            return status_trouble;
        }
    }
    if (files != 2) {
        std::fprintf(stderr, "xyorder: name IN.xy and OUT.xy\n%s", usage_text);
        return status_trouble;
    }
    return -1;
}

// Reads the whole file into job, measuring its idle travel as xyview does. Returns the
// result that ended the reading: finished when the file was sound.
read_result read_job(std::FILE *in, job_blocks &job, double &idle, coordinates_reader &reader)
{
    start_reading(reader, in);
    plotter tool;
    start_plotting(tool);
    start_job(job);
    xy_unit unit;
    read_result result;
    while ((result = read_unit(reader, unit)) == read_result::unit) {
        plot(tool, unit, nullptr);
        if (!add_unit(job, unit))
            break;
    }
    finish_job(job);
    idle = tool.job.idle_length;
    return result;
}

// The order that travels least: the improved greedy order, or the file's own when that
// is no longer.
std::vector<visit> shortest_order(const job_blocks &job, bool reversible, double &travel)
{
    const ordering_problem problem = problem_of(job, reversible);
    std::vector<visit> order = short_order(problem, {0.3, 10});
    travel = idle_travel(problem, order);
    const std::vector<visit> kept = file_order(job);
    if (const double kept_travel = idle_travel(problem, kept); kept_travel <= travel) {
        travel = kept_travel;
        return kept;
    }
    return order;
}

bool write_order(const job_blocks &job, const std::vector<visit> &order, const char *name)
{
    if (std::strcmp(name, "-") == 0) {
        if (write_job(job, order, stdout))
            return true;
        std::fprintf(stderr, "xyorder: standard output: %s\n", std::strerror(errno));
        return false;
    }
    whole_file file;
    if (open_whole_file(file, name) && close_whole_file(file, write_job(job, order, file.out)))
        return true;
    std::fprintf(stderr, "xyorder: %s: %s\n", name, std::strerror(errno));
    return false;
}

void report_travel(double before, double after)
{
    std::fprintf(stderr, "xyorder: idle travel %.2f before, %.2f after", before, after);
    if (after < before)
        std::fprintf(stderr, ": %.1f %% less\n", 100 * (before - after) / before);
    else
        std::fputs(": no shorter order found, the file's order is kept\n", stderr);
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file-size limit a write should fail and be reported, not kill the run.
    std::signal(SIGXFSZ, SIG_IGN);
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return standard_output_written("xyorder", status);
    const char *name;
    std::FILE *in = open_coordinates("xyorder", o.input, name);
    if (!in)
        return status_trouble;
    if (std::strcmp(o.output, "-") != 0 && is_the_input(o.output, in)) {
        std::fprintf(stderr, "xyorder: %s: is the coordinates file being read\n", o.output);
        return status_trouble;
    }

    job_blocks job;
    coordinates_reader reader;
    double before;
    if (const read_result result = read_job(in, job, before, reader);
        result != read_result::finished)
        return report_unread("xyorder", result, reader, name);
    double after;
    const std::vector<visit> order = shortest_order(job, !o.keep_direction, after);
    if (!write_order(job, order, o.output))
        return status_trouble;
    report_travel(before, after);
    return EXIT_SUCCESS;
}
