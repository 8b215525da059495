// xymerge: puts several plotter jobs on one sheet. Writes the jobs of several xy
// coordinates files into one, job after job, as trace2xy would write their records joined,
// as they lie or side by side in a row, and tells where each lies and which overlap.
#include "bed.h"
#include "front_end.h"
#include "job_writer.h"
#include "json_writer.h"
#include "output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char *usage_text =
    "usage: xymerge [-q] [--json] [--row G] -o OUT.xy IN.xy...\n"
    "               (- for standard input or output)\n"
    "\n"
    "Merges the plotter jobs of the coordinates files IN.xy into one, OUT.xy: every\n"
    "net block of each as read, job after job in the order given, with the tool\n"
    "raised between jobs. The first job's moves before its first net stay first; the\n"
    "later jobs' are dropped, since they draw nothing. OUT.xy is written whole or\n"
    "not at all, and never over an input. A report on standard error gives each\n"
    "job's bounding box and which jobs overlap.\n"
    "\n"
    "  -o, --output OUT.xy    the merged job (- for standard output); always named,\n"
    "                         never taken from among the inputs\n"
    "      --row G            place the jobs side by side instead of as they lie:\n"
    "                         each one's bounding box G to the right of the one\n"
    "                         before, its lower edge on the first one's (G a plain\n"
    "                         decimal, at most two places)\n";

constexpr const char *exit_text =
    "\n"
    "Exit status: 0 written, 1 an input is malformed or not laid out as trace2xy\n"
    "writes a file, 2 a file could not be read or written or the arguments are\n"
    "wrong, 3 a position would leave the range of a coordinates file.\n";

enum own_option { row_option = first_own_option };

constexpr option own_options[] = {{"output", required_argument, nullptr, 'o'},
                                  {"row", required_argument, nullptr, row_option},
                                  {}};

constexpr length_option lengths[] = {{row_option, length_kind::exact}, {}};

constexpr companion xymerge{.usage = usage_text,
                            .exit_text = exit_text,
                            .version = "xymerge " XYMERGE_VERSION,
                            .own_short = "o:",
                            .own_long = own_options,
                            .timed = false,
                            .bed_option = nullptr,
                            .lengths = lengths};

struct options {
    const char *output;
    bool row;
    std::int64_t gap; // hundredths, with --row
    common_options common;
};

// Takes one of xymerge's own options; returns -1, or the exit status to end with.
int take_option(int code, const char *value, options &o)
{
    const char *at = value;
    if (code == 'o' && *value == '\0')
        return wrong_arguments("--output wants a file name, or - for standard output: ''");
    if (code == row_option && (!read_hundredths(at, o.gap) || *at != '\0' || o.gap < 0))
        return wrong_arguments("--row wants a plain decimal at or above zero with at most two "
                               "places: '%s'",
                               value);
    o.output = code == 'o' ? value : o.output;
    o.row = o.row || code == row_option;
    return -1;
}

// Compares every input, and the plotter's profile, with the output, and the inputs with
// standard output when the report goes there, before the first byte is written, since the
// output may be written through as it goes. Returns -1, or status_trouble having said which
// is one of the inputs or the profile.
int inputs_apart(int argc, char **argv, const options &o)
{
    if (names_the_profile(o.output, o.common.profile.path))
        return status_trouble;
    for (int k = optind; k < argc; ++k) {
        const char *input = std::strcmp(argv[k], "-") ? argv[k] : "(standard input)";
        if (writes_to_named_input(o.output, argv[k])) {
            complain("%s: is the input %s; the merge would replace it", output_name(o.output),
                     input);
            return status_trouble;
        }
        if (o.common.json && writes_to_named_input("-", argv[k])) {
            complain("standard output: is the input %s; the object would be written into it",
                     input);
            return status_trouble;
        }
    }
    return -1;
}

// Returns -1 when the run goes on, or the exit status to end with.
int parse_arguments(int argc, char **argv, options &o)
{
    o = options{};
    if (const int status = read_options(argc, argv, xymerge, o.common, take_option, o); status >= 0)
        return status;
    if (!o.output)
        return wrong_arguments("name the merged job with -o OUT.xy: it is never taken from "
                               "among the inputs");
    if (optind == argc)
        return wrong_arguments("name the jobs to merge, IN.xy...");
    int from_stdin = 0;
    for (int k = optind; k < argc; ++k) {
        if (*argv[k] == '\0')
            return wrong_arguments("IN.xy wants a file name, or - for standard input: ''");
        from_stdin += std::strcmp(argv[k], "-") == 0;
    }
    if (from_stdin > 1)
        return wrong_arguments("standard input can be read only once: one - only");
    return inputs_apart(argc, argv, o);
}

// A job as merged: its name in messages, and the extent of what it draws there.
struct merged_job {
    std::string name;
    extent box;
    point moved;
    std::int64_t tool_downs;
};

// The extent of what the job in in draws once merged (all its moves, but those before the
// first net of a job after the first); in is read again from its start after.
pass_end measure(std::FILE *in, bool first, extent &box, coordinates_reader &r, xy_unit &unit)
{
    box = no_extent;
    const pass_end end = walk(in, r, unit, [&](const xy_unit &u, bool before_nets) {
        if (u.kind == unit_kind::move && (first || !before_nets))
            take_in(box, {u.x, u.y});
        return true;
    });
    std::rewind(in);
    return end;
}

// Where --row puts a job of extent box: G to the right of the last job drawn so far, its
// lower edge on the first's.
point row_shift(const std::vector<merged_job> &jobs, const extent &box, std::int64_t gap)
{
    const merged_job *first = nullptr, *last = nullptr;
    for (const merged_job &j : jobs)
        if (!j.box.empty) {
            first = first ? first : &j;
            last = &j;
        }
    if (!last || box.empty)
        return {0, 0};
    return {last->box.max_x + gap - box.min_x, first->box.min_y - box.min_y};
}

// Opens the input named path and appends its job. Returns -1, or the exit status to end
// with having said why.
int merge_one(const char *path, const options &o, job_writer &w, std::vector<merged_job> &jobs)
{
    const char *name;
    std::FILE *in = open_coordinates(path, name);
    if (!in)
        return status_trouble;
    const file_stamp stamp = stamp_of(in);
    coordinates_reader reader;
    xy_unit unit;
    merged_job job{name, no_extent, {0, 0}, 0};
    pass_end end{read_result::finished, false, false};
    if (o.row) {
        std::FILE *again = rereadable(in, name);
        if (!again)
            return status_trouble;
        in = again;
        end = measure(in, jobs.empty(), job.box, reader, unit);
        job.moved = row_shift(jobs, job.box, o.gap);
    }
    const placement how{false, false, 0, job.moved};
    job_extents boxes{no_extent, no_extent, 0};
    if (end.result == read_result::finished)
        end = append_job(w, in, how, job.moved.x == 0 && job.moved.y == 0, reader, unit, boxes);
    job.box = boxes.placed;
    job.tool_downs = boxes.tool_downs;
    // The report may look at the lines after a faulty one; a refused write is the output's
    // to report.
    int status = end.result == read_result::finished || end.write_failed
                     ? -1
                     : report_pass(end, reader, unit, name, "merges");
    if (status < 0 && !end.write_failed && !still_as_read(in, stamp, name))
        status = status_trouble;
    if (in != stdin)
        std::fclose(in);
    jobs.push_back(job);
    return status;
}

std::string box_text(const extent &e)
{
    if (e.empty)
        return "no moves";
    return "x " + units_text(e.min_x) + " to " + units_text(e.max_x) + ", y " +
           units_text(e.min_y) + " to " + units_text(e.max_y);
}

// Calls tell(a, b, width, height) for every two jobs whose boxes overlap, with by how much.
template <typename Tell> void for_overlaps(const std::vector<merged_job> &jobs, Tell tell)
{
    for (std::size_t a = 0; a < jobs.size(); ++a)
        for (std::size_t b = a + 1; b < jobs.size(); ++b) {
            const extent &p = jobs[a].box, &q = jobs[b].box;
            const std::int64_t wide = std::min(p.max_x, q.max_x) - std::max(p.min_x, q.min_x);
            const std::int64_t high = std::min(p.max_y, q.max_y) - std::max(p.min_y, q.min_y);
            if (!p.empty && !q.empty && wide >= 0 && high >= 0)
                tell(a, b, wide, high);
        }
}

// Tells each job's bounding box and how far it was moved, and every two that overlap.
void report(const std::vector<merged_job> &jobs)
{
    for (const merged_job &j : jobs) {
        const bool moved = j.moved.x != 0 || j.moved.y != 0;
        complain(
            "%s: %s%s", j.name.c_str(), box_text(j.box).c_str(),
            moved ? (", moved by " + units_text(j.moved.x) + ", " + units_text(j.moved.y)).c_str()
                  : "");
    }
    int overlaps = 0;
    for_overlaps(jobs, [&](std::size_t a, std::size_t b, std::int64_t wide, std::int64_t high) {
        complain("%s and %s overlap by %s x %s", jobs[a].name.c_str(), jobs[b].name.c_str(),
                 units_text(wide).c_str(), units_text(high).c_str());
        ++overlaps;
    });
    if (overlaps == 0 && jobs.size() > 1)
        complain("no two jobs overlap");
}

// The same as one JSON object on standard output; returns the exit status.
int report_json(const std::vector<merged_job> &jobs, const char *output)
{
    json_writer w;
    json_begin(w, stdout, "xymerge");
    json_string(w, "output", output_name(output));
    extent all = no_extent;
    json_array(w, "jobs");
    for (const merged_job &j : jobs) {
        json_object(w, nullptr);
        json_string(w, "file", j.name);
        json_extent(w, "bounding_box", j.box);
        json_hundredths(w, "moved_x", j.moved.x);
        json_hundredths(w, "moved_y", j.moved.y);
        json_close(w, '}');
        if (!j.box.empty) {
            take_in(all, {j.box.min_x, j.box.min_y});
            take_in(all, {j.box.max_x, j.box.max_y});
        }
    }
    json_close(w, ']');
    json_array(w, "overlaps");
    for_overlaps(jobs, [&](std::size_t a, std::size_t b, std::int64_t wide, std::int64_t high) {
        json_object(w, nullptr);
        json_integer(w, "first", static_cast<long long>(a));
        json_integer(w, "second", static_cast<long long>(b));
        json_hundredths(w, "width", wide);
        json_hundredths(w, "height", high);
        json_close(w, '}');
    });
    json_close(w, ']');
    json_extent(w, "bounding_box", all);
    json_end(w);
    return standard_output_written(EXIT_SUCCESS);
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return status;
    job_files files{.in = nullptr, .name = nullptr, .stamp = {}, .out = {}, .output = o.output};
    if (!open_whole_file(files.out, o.output)) {
        complain("%s: %s", output_name(o.output), whole_file_failure(files.out));
        return status_trouble;
    }
    if (const int status = json_beside(files, o.common); status >= 0)
        return status;
    auto writer = std::make_unique<job_writer>();
    start_jobs(*writer, files.out.out);
    std::vector<merged_job> jobs;
    for (int k = optind; k < argc && !writer->block.failed; ++k)
        if (const int status = merge_one(argv[k], o, *writer, jobs); status >= 0)
            return abandon(files, status);
    const int status = finish_output(files, finish_jobs(*writer));
    if (status != EXIT_SUCCESS)
        return status;
    std::int64_t tool_downs = 0;
    for (const merged_job &j : jobs)
        tool_downs += j.tool_downs;
    warn_when_nothing_drawn(tool_downs);
    if (o.common.quiet)
        return status;
    if (o.common.json)
        return report_json(jobs, o.output);
    report(jobs);
    return status;
}
