// xyview: checks an xy coordinates file before plotting. Reads the very file the
// plotter gets, prints a summary of the job, draws it as an SVG picture, and tells
// through its exit status whether the job lies on the plotter's bed.
#include "companion.h"
#include "coordinates_reader.h"
#include "plotter.h"
#include "svg_picture.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int status_too_large = 3;

constexpr const char *usage_text =
    "usage: xyview [--svg OUT.svg] [--no-travel] [--area WxH[+X+Y]] COORDS_FILE\n"
    "\n"
    "Reads an xy coordinates file as the plotter will (COORDS_FILE - reads standard input)\n"
    "and prints a summary of the job: nets, moves, tool downs, the length drawn, the idle\n"
    "travel and the bounding box, in output units.\n"
    "\n"
    "  --svg OUT.svg          also draw the job as an SVG picture, y up: strokes in one colour\n"
    "                         per net, idle travel dashed, axes in output units\n"
    "  --no-travel            leave the idle travel out of the picture\n"
    "  --area WxH[+X+Y]       the plotter's bed: W wide and H high, its lower-left corner at\n"
    "                         (X, Y), (0, 0) if not given; exit with status 3 when any point\n"
    "                         of the job lies off it\n"
    "  --help, --version      show this text or the version, and exit\n"
    "\n"
    "Exit status: 0 the file is sound (and lies on the bed), 1 the file is malformed, 2 a\n"
    "file could not be read or written or the arguments are wrong, 3 the job is off the bed.\n";

struct options {
    const char *input; // the coordinates file, or "-"
    const char *svg;   // where to draw the picture, or null
    bool no_travel;    // leave idle travel out of the picture
    bool has_area;
    double area_width, area_height; // the bed, in output units
    double area_x, area_y;          // its lower-left corner
};

// Reads a number at text that ends where the next part of the value begins.
bool parse_number(const char *&text, double &value)
{
    char *end;
    value = std::strtod(text, &end);
    const bool read = end != text && std::isfinite(value);
    text = end;
    return read;
}

// Reads WxH, then +X+Y when given; each offset may carry its own sign instead of the
// plus (10x10-5+0).
bool parse_area(const char *text, options &o)
{
    o.has_area = true;
    o.area_x = o.area_y = 0;
    if (!parse_number(text, o.area_width) || (*text != 'x' && *text != 'X'))
        return false;
    ++text;
    if (!parse_number(text, o.area_height) || o.area_width <= 0 || o.area_height <= 0)
        return false;
    if (*text == '\0')
        return true;
    for (double *offset : {&o.area_x, &o.area_y}) {
        if (*text != '+' && *text != '-')
            return false;
        text += *text == '+';
        if (!parse_number(text, *offset))
            return false;
    }
    return *text == '\0';
}

// Returns -1 when the run goes on, or the exit status to end with.
int parse_arguments(int argc, char **argv, options &o)
{
    o = options{};
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool takes_value = argument == "--svg" || argument == "--area";
        if (options_ended || argument == "-" || argument[0] != '-') {
            if (o.input) {
                std::fprintf(stderr, "xyview: one coordinates file only\n%s", usage_text);
                return status_trouble;
            }
            o.input = argv[i];
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "--help") {
            std::fputs(usage_text, stdout);
            return EXIT_SUCCESS;
        } else if (argument == "--version") {
            std::puts("xyview " XYVIEW_VERSION);
            return EXIT_SUCCESS;
        } else if (takes_value && i + 1 == argc) {
            std::fprintf(stderr, "xyview: %s needs a value\n", argv[i]);
            return status_trouble;
        } else if (argument == "--svg") {
            o.svg = argv[++i];
        } else if (argument == "--no-travel") {
            o.no_travel = true;
        } else if (argument == "--area") {
            if (!parse_area(argv[++i], o)) {
                std::fprintf(stderr,
                             "xyview: --area wants WxH[+X+Y], a positive width and height and "
                             "the corner's position: %s\n",
                             argv[i]);
                return status_trouble;
            }
        } else {
            std::fprintf(stderr, "xyview: unknown option %s\n%s", argv[i], usage_text);
            return status_trouble;
        }
    }
    if (!o.input) {
        std::fprintf(stderr, "xyview: no coordinates file named\n%s", usage_text);
        return status_trouble;
    }
    return -1;
}

std::string units(std::int64_t hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%" PRId64 ".%02" PRId64, hundredths < 0 ? "-" : "",
                  std::abs(hundredths / 100), std::abs(hundredths % 100));
    return text;
}

void print_summary(const char *name, const job_summary &job)
{
    std::printf("coordinates file  %s\n"
                "nets              %ld\n"
                "moves             %ld\n"
                "tool downs        %ld\n"
                "pen-down length   %.2f\n"
                "idle travel       %.2f\n",
                name, job.nets, job.moves, job.tool_downs, job.pen_down_length, job.idle_length);
    if (!job.has_points) {
        std::puts("bounding box      none: no moves");
        return;
    }
    std::printf("bounding box      x %s to %s, y %s to %s\n"
                "size              %s x %s\n",
                units(job.min_x).c_str(), units(job.max_x).c_str(), units(job.min_y).c_str(),
                units(job.max_y).c_str(), units(job.max_x - job.min_x).c_str(),
                units(job.max_y - job.min_y).c_str());
}

// Writes the picture whole or not at all: a failed run leaves no half picture, and an
// existing one untouched.
bool write_picture(svg_picture &picture, const job_summary &job, const options &o)
{
    whole_file file;
    if (!open_whole_file(file, o.svg)) {
        std::fprintf(stderr, "xyview: %s: %s\n", o.svg, std::strerror(errno));
        discard_picture(picture);
        return false;
    }
    const picture_bed bed{o.has_area, o.area_x, o.area_y, o.area_width, o.area_height};
    const bool drawn = finish_picture(picture, job, bed, file.out);
    if (close_whole_file(file, drawn))
        return true;
    const bool temporary = picture.temporary_error != 0;
    std::fprintf(stderr, "xyview: %s: %s\n", temporary ? "temporary file of the picture" : o.svg,
                 std::strerror(temporary ? picture.temporary_error : errno));
    return false;
}

// Warns when any point of the job lies off the bed, naming each side it crosses and by
// how much; returns whether the job lies on it. The bed is compared in hundredths held
// as doubles, so that a bed too large for the job's integers simply holds every job.
bool fits(const job_summary &job, const options &o)
{
    if (!o.has_area || !job.has_points)
        return true;
    const double left = std::round(o.area_x * 100), bottom = std::round(o.area_y * 100);
    const double right = left + std::round(o.area_width * 100);
    const double top = bottom + std::round(o.area_height * 100);
    const double over[] = {
        left - static_cast<double>(job.min_x), static_cast<double>(job.max_x) - right,
        bottom - static_cast<double>(job.min_y), static_cast<double>(job.max_y) - top};
    const char *const sides[] = {"left of", "right of", "below", "above"};
    bool warned = false;
    for (int side = 0; side < 4; ++side) {
        if (over[side] <= 0)
            continue;
        if (!warned)
            std::fprintf(stderr,
                         "xyview: warning: the job does not fit the bed %g x %g at (%g, %g): ",
                         o.area_width, o.area_height, o.area_x, o.area_y);
        std::fprintf(stderr, "%s%.2f %s %s", warned ? ", " : "", over[side] / 100, sides[side],
                     warned ? "it" : "the bed");
        warned = true;
    }
    if (warned)
        std::fputc('\n', stderr);
    return !warned;
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file-size limit a write should fail and be reported, not kill the run.
    std::signal(SIGXFSZ, SIG_IGN);
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return standard_output_written("xyview", status);
    const char *name;
    std::FILE *in = open_coordinates("xyview", o.input, name);
    if (!in)
        return status_trouble;
    if (o.svg && is_the_input(o.svg, in)) {
        std::fprintf(stderr,
                     "xyview: %s: is the coordinates file being read; the picture would "
                     "replace it\n",
                     o.svg);
        return status_trouble;
    }
    svg_picture picture{};
    if (o.svg && !start_picture(picture, !o.no_travel)) {
        std::fprintf(stderr, "xyview: no room for a temporary file: %s\n", std::strerror(errno));
        return status_trouble;
    }

    coordinates_reader reader;
    start_reading(reader, in);
    plotter tool;
    start_plotting(tool);
    xy_unit unit;
    read_result result;
    while ((result = read_unit(reader, unit)) == read_result::unit)
        plot(tool, unit, o.svg ? &picture : nullptr);
    if (result != read_result::finished) {
        discard_picture(picture);
        return report_unread("xyview", result, reader, name);
    }

    print_summary(name, tool.job);
    if (standard_output_written("xyview", EXIT_SUCCESS) != EXIT_SUCCESS) {
        discard_picture(picture);
        return status_trouble;
    }
    if (o.svg && !write_picture(picture, tool.job, o))
        return status_trouble;
    return fits(tool.job, o) ? EXIT_SUCCESS : status_too_large;
}
