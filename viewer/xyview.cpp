// xyview: checks an xy coordinates file before plotting. Reads the very file the
// plotter gets, prints a summary of the job, draws it as an SVG picture, and tells
// through its exit status whether the job lies on the plotter's bed.
#include "bed.h"
#include "coordinates_reader.h"
#include "front_end.h"
#include "job_report.h"
#include "output_file.h"
#include "plotter.h"
#include "plotting_time.h"
#include "standard_descriptors.h"
#include "svg_picture.h"
#include "whole_file.h"
#include "xy_layout.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include <strings.h>
#include <sys/stat.h>

namespace {

constexpr int status_too_large = 3;

constexpr const char *usage_text =
    "usage: xyview [-q] [--json] [-s OUT.svg [-n] [-d] [--size WxH]] [-a WxH[+X+Y]]\n"
    "              [--done N] [--speed V ...] COORDS_FILE\n"
    "\n"
    "Reads an xy coordinates file as the plotter will (COORDS_FILE - reads standard\n"
    "input) and prints a summary of the job: nets, moves, tool downs, holes, the\n"
    "length drawn, the idle travel and the bounding box, in output units.\n"
    "\n"
    "  -s, --svg OUT.svg      also draw the job as an SVG picture, y up: strokes in\n"
    "                         one colour per net, idle travel in grey, holes as\n"
    "                         rings, axes in output units (- writes it to standard\n"
    "                         output, and the summary to standard error)\n"
    "  -n, --no-travel        leave the idle travel out of the picture\n"
    "  -d, --direction        mark the direction each stroke is drawn in with an\n"
    "                         arrowhead\n"
    "      --size WxH         the picture's size in pixels (default 1100x800)\n"
    "  -a, --area WxH[+X+Y]   the plotter's bed: W wide and H high, its lower-left\n"
    "                         corner at (X, Y), (0, 0) if not given, or a4, a3,\n"
    "                         letter (also -landscape), or none for not the\n"
    "                         profile's; exit with status 3 when any point of the\n"
    "                         job lies off it\n"
    "      --done N           nets before net N are plotted: draw them faded, mark\n"
    "                         where net N begins, and tell what is left to plot\n";

constexpr const char *exit_text =
    "\n"
    "Exit status: 0 the file is sound (and lies on the bed), 1 the file is\n"
    "malformed, 2 a file could not be read or written or the arguments are wrong,\n"
    "3 the job is off the bed.\n";

enum own_option { size_option = first_own_option, done_option };

constexpr option own_options[] = {{"svg", required_argument, nullptr, 's'},
                                  {"no-travel", no_argument, nullptr, 'n'},
                                  {"direction", no_argument, nullptr, 'd'},
                                  {"area", required_argument, nullptr, 'a'},
                                  {"size", required_argument, nullptr, size_option},
                                  {"done", required_argument, nullptr, done_option},
                                  {}};

constexpr length_option lengths[] = {{'a', length_kind::bed}, {}};

constexpr companion xyview{.usage = usage_text,
                           .exit_text = exit_text,
                           .version = "xyview " XYVIEW_VERSION,
                           .own_short = "s:nda:",
                           .own_long = own_options,
                           .timed = true,
                           .bed_option = "--area",
                           .lengths = lengths};

struct options {
    const char *input;       // the coordinates file, or "-"
    const char *svg;         // where to draw the picture, or null
    const char *for_picture; // an option given that only a picture takes, or null
    const char *done;        // --done as typed, or null
    picture_style style;
    bool has_area;
    bool no_area; // --area none: not the profile's bed either
    bed area;     // the plotter's bed
    common_options common;
};

// Reads a net number, a bare whole number from 1; one past the range is its largest, more
// nets than any job has.
bool read_net_number(const char *text, std::int64_t &net)
{
    char *end = nullptr;
    const long long value = text[0] >= '1' && text[0] <= '9' ? std::strtoll(text, &end, 10) : 0;
    net = value;
    return value >= 1 && *end == '\0';
}

// Reads WxH, whole numbers of pixels from 100 to largest_picture_side.
bool read_size(const char *text, picture_style &style)
{
    int width = 0, height = 0, used = 0;
    if (std::sscanf(text, "%5d%*[xX]%5d%n", &width, &height, &used) != 2 || text[used] != '\0' ||
        text[0] < '0' || text[0] > '9')
        return false;
    style.width = width;
    style.height = height;
    return width >= 100 && height >= 100 && width <= largest_picture_side &&
           height <= largest_picture_side;
}

// Takes one of xyview's own options; returns -1, or the exit status to end with.
int take_option(int code, const char *value, options &o)
{
    if (code == 's' && *value == '\0')
        return wrong_arguments("--svg wants a file name, or - for standard output: ''");
    o.no_area = code == 'a' ? std::strcmp(value, "none") == 0 : o.no_area;
    if (code == 'a' && !o.no_area && !read_bed(value, o.area))
        return wrong_arguments("--area %s: '%s'", bed_wanted, value);
    if (code == done_option && !read_net_number(value, o.style.done))
        return wrong_arguments("--done wants a net number from 1: '%s'", value);
    o.done = code == done_option ? value : o.done;
    if (code == size_option && !read_size(value, o.style))
        return wrong_arguments("--size wants WxH, whole numbers of pixels from 100 to %d: '%s'",
                               largest_picture_side, value);
    o.svg = code == 's' ? value : o.svg;
    if (!o.for_picture)
        o.for_picture = code == 'n'           ? "--no-travel"
                        : code == 'd'         ? "--direction"
                        : code == size_option ? "--size"
                                              : nullptr;
    o.style.travel = o.style.travel && code != 'n';
    o.style.direction = o.style.direction || code == 'd';
    o.has_area = code == 'a' ? !o.no_area : o.has_area;
    return -1;
}

// The ending of a picture's name that names another kind of picture (".png", in any case),
// which an SVG file under it would belie; null for any other name, and for standard output,
// a device, a pipe or a descriptor, which have no kind.
const char *other_picture_kind(const char *path)
{
    const std::string_view name(path);
    struct stat s;
    if (name == "-" || name.starts_with("/dev/") || name.starts_with("/proc/self/fd/") ||
        (stat(path, &s) == 0 && !S_ISREG(s.st_mode)))
        return nullptr;
    for (const char *kind : {".png", ".jpg", ".jpeg", ".gif", ".bmp", ".tif", ".tiff", ".webp",
                             ".pdf", ".eps", ".ps"}) {
        const std::size_t length = std::strlen(kind);
        if (name.size() > length && strcasecmp(path + name.size() - length, kind) == 0)
            return kind;
    }
    return nullptr;
}

// Returns -1 when the run goes on, or the exit status to end with.
int parse_arguments(int argc, char **argv, options &o)
{
    o = options{};
    o.style = {.width = default_picture_width,
               .height = default_picture_height,
               .travel = true,
               .direction = false,
               .most_layer_bytes = most_layer_bytes,
               .done = 0};
    if (const int status = read_options(argc, argv, xyview, o.common, take_option, o); status >= 0)
        return status;
    // The profile's bed is the default, as if given as --area.
    if (!o.has_area && !o.no_area && !o.common.bed.empty())
        o.has_area = read_bed(o.common.bed.c_str(), o.area);
    o.style.unit_mm = o.common.unit.mm;
    o.style.unit_inches = o.common.unit.inches;
    if (!o.svg && o.for_picture)
        return wrong_arguments("%s needs --svg", o.for_picture);
    if (const char *kind = o.svg ? other_picture_kind(o.svg) : nullptr)
        return wrong_arguments("--svg %s: the picture is SVG: name it .svg, not %s", o.svg, kind);
    if (argc - optind != 1)
        return wrong_arguments(argc == optind ? "no coordinates file named"
                                              : "one coordinates file only");
    o.input = argv[optind];
    return -1;
}

// The picture and the file it goes to, which is opened before the job is read, so that
// a name that cannot be written is refused before any work, yet written only when the
// picture is whole: a failed run leaves no half picture, and an existing one untouched.
struct picture_output {
    svg_picture picture;
    whole_file file;
    const char *shown; // the file's name in messages
    bool on_stdout;    // it goes to the file open on standard output, and the summary not
};

// Opens the picture's file and its temporary files, unless it would replace the
// coordinates file being read. Returns false, having said why.
bool open_picture(picture_output &p, const options &o, std::FILE *in)
{
    p.picture = svg_picture{};
    p.shown = output_name(o.svg);
    if (writes_to_input(o.svg, in)) {
        complain("%s: is the coordinates file being read; the picture would replace it", p.shown);
        return false;
    }
    if (!open_whole_file(p.file, o.svg)) {
        complain("%s: %s", p.shown, whole_file_failure(p.file));
        return false;
    }
    p.on_stdout = writes_to_standard_output(p.file);
    if (o.common.json && p.on_stdout) {
        close_whole_file(p.file, false);
        wrong_arguments("--json and the picture both go to standard output: name a file for "
                        "the picture");
        return false;
    }
    // A picture name forgotten before the job's (xyview -s job.xy other.xy) must not cost
    // the job: only an empty file or a picture is replaced.
    if (!p.file.in_place && !holds_picture_or_nothing(p.file.path.c_str())) {
        complain("%s: holds something other than a picture, which the picture would "
                 "replace; remove it first to draw there",
                 p.shown);
        close_whole_file(p.file, false);
        return false;
    }
    if (start_picture(p.picture, o.style))
        return true;
    const char *const reason = std::strerror(errno);
    complain("no room for a temporary file in %s: %s", scratch_folder().c_str(), reason);
    close_whole_file(p.file, false);
    return false;
}

void drop_picture(picture_output &p)
{
    discard_picture(p.picture);
    close_whole_file(p.file, false);
}

bool write_picture(picture_output &p, const job_report &report, const options &o)
{
    const picture_bed bed{o.has_area, o.area};
    const bool drawn = finish_picture(p.picture, report.job, bed, caption_of(report), p.file.out);
    if (close_whole_file(p.file, drawn))
        return true;
    if (p.picture.temporary_error != 0)
        complain("temporary file of the picture in %s: %s", scratch_folder().c_str(),
                 std::strerror(p.picture.temporary_error));
    else
        complain("%s: %s", p.shown, whole_file_failure(p.file));
    return false;
}

// Warns when any point of the job lies off the bed, naming each side it crosses and by
// how much, and when the job draws nothing; returns whether the job lies on the bed.
bool fits(const job_summary &job, const options &o)
{
    warn_when_nothing_drawn(job.tool_downs);
    if (!o.has_area)
        return true;
    const overhang over = overhang_of(job.box, o.area);
    const char *const sides[] = {"left of", "right of", "below", "above"};
    std::string told;
    for (int side = 0; side < 4; ++side) {
        if (overhang_on(over, side) == 0)
            continue;
        told += (told.empty() ? "" : ", ") + units_text(overhang_on(over, side)) + " " +
                sides[side] + (told.empty() ? " the bed" : " it");
    }
    if (!told.empty())
        complain("warning: the job does not fit the bed %s: %s", bed_words(o.area).c_str(),
                 told.c_str());
    return told.empty();
}

// Prints the summary, or its JSON object, where it goes: to standard error when the
// picture takes standard output. Returns whether all of it was written, having said why
// not.
bool summary_written(const job_report &report, const options &o, const picture_output &p)
{
    if (o.common.quiet)
        return true;
    const bool to_stdout = !o.svg || !p.on_stdout;
    (o.common.json ? print_json : print_summary)(to_stdout ? stdout : stderr, report);
    if (to_stdout)
        return standard_output_written(EXIT_SUCCESS) == EXIT_SUCCESS;
    return std::fflush(stderr) == 0 && !std::ferror(stderr);
}

// Reads the job from in, drawing it on the picture when one is asked for. Returns -1 when
// the file was sound, or the exit status to end with, having said why and dropped the
// picture.
int read_view(std::FILE *in, const options &o, picture_output &out, job_report &report)
{
    const file_stamp stamp = stamp_of(in);
    coordinates_reader reader;
    start_reading(reader, in);
    plotter tool;
    start_plotting(tool);
    motion_timer timer;
    start_timing(timer, o.common.motion);
    // The part left to plot, from net o.style.done on, as its own file would be summed up.
    plotter left;
    start_plotting(left);
    motion_timer left_timer;
    start_timing(left_timer, o.common.motion);
    xy_unit unit;
    read_result result;
    // The part from the first net is the whole file, with any moves before that net.
    bool leaving = o.style.done == 1;
    const bool timed = o.common.motion.speed > 0;
    while ((result = read_unit(reader, unit)) == read_result::unit) {
        if (o.svg)
            picture_unit(out.picture, tool, unit);
        leaving = leaving || (unit.kind == unit_kind::net && tool.job.nets + 1 == o.style.done);
        if (leaving) {
            plot(left, unit);
            if (timed)
                time_plotted(left_timer, left, unit);
        }
        plot(tool, unit);
        if (timed)
            time_plotted(timer, tool, unit);
    }
    report.job = tool.job;
    report.time = finish_timing(timer);
    report.left = left.job;
    report.left_time = finish_timing(left_timer);
    if (result == read_result::finished && o.style.done > tool.job.nets) {
        complain("--done %s: the job has %ld net%s", o.done, tool.job.nets,
                 tool.job.nets == 1 ? "" : "s");
        result = read_result::failed;
    } else if (result == read_result::finished && !still_as_read(in, stamp, report.name.c_str())) {
        result = read_result::failed;
    } else if (result == read_result::finished) {
        return -1;
    }
    if (result == read_result::failed && !std::ferror(in)) {
        if (o.svg)
            drop_picture(out);
        return status_trouble;
    }
    if (o.svg)
        drop_picture(out);
    return report_unread(result, reader, report.name.c_str());
}

// Writes the picture, then prints the summary, so that nothing is printed for a picture
// that failed; returns -1, or status_trouble having said why and left no half picture.
int write_view(const job_report &report, const options &o, picture_output &out)
{
    if (o.svg && !write_picture(out, report, o))
        return status_trouble;
    return summary_written(report, o, out) ? -1 : status_trouble;
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return status;
    const char *name;
    std::FILE *in = open_coordinates(o.input, name);
    picture_output out{};
    if (!in || (o.svg && !open_picture(out, o, in)))
        return status_trouble;
    if (!o.common.quiet && !out.on_stdout && writes_to_input("-", in)) {
        complain("standard output: is the coordinates file being read; the summary would be "
                 "written into it");
        if (o.svg)
            drop_picture(out);
        return status_trouble;
    }
    job_report report{.name = name,
                      .job = {},
                      .time = {},
                      .timed = o.common.motion.speed > 0,
                      .has_bed = o.has_area,
                      .area = o.area,
                      .done = o.style.done,
                      .left = {},
                      .left_time = {},
                      .profile = o.common.profile.path,
                      .unit_mm = o.common.unit.mm};
    if (int status = read_view(in, o, out, report);
        status >= 0 || (status = write_view(report, o, out)) >= 0)
        return status;
    return fits(report.job, o) ? EXIT_SUCCESS : status_too_large;
}
