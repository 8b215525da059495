// xyview: checks an xy coordinates file before plotting. Reads the very file the
// plotter gets, prints a summary of the job, draws it as an SVG picture, and tells
// through its exit status whether the job fits the plotter's area.
#include "coordinates_reader.h"
#include "plotter.h"
#include "svg_picture.h"

#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int status_malformed = 1;
constexpr int status_trouble = 2;
constexpr int status_too_large = 3;

constexpr const char *usage_text =
    "usage: xyview [--svg OUT.svg] [--area WIDTHxHEIGHT] COORDS_FILE\n"
    "\n"
    "Reads an xy coordinates file as the plotter will (COORDS_FILE - reads standard input)\n"
    "and prints a summary of the job: nets, moves, tool downs, the length drawn, the idle\n"
    "travel and the bounding box, in output units.\n"
    "\n"
    "  --svg OUT.svg          also draw the job as an SVG picture, y up: strokes in one colour\n"
    "                         per net, idle travel dashed\n"
    "  --area WIDTHxHEIGHT    exit with status 3 when the job is wider or taller than that\n"
    "  --help, --version      show this text or the version, and exit\n"
    "\n"
    "Exit status: 0 the file is sound (and fits), 1 the file is malformed, 2 a file could\n"
    "not be read or written or the arguments are wrong, 3 the job does not fit the area.\n";

struct options {
    const char *input; // the coordinates file, or "-"
    const char *svg;   // where to draw the picture, or null
    bool has_area;
    double area_width, area_height;
};

bool parse_area(const char *text, options &o)
{
    char *end;
    o.area_width = std::strtod(text, &end);
    if (end == text || (*end != 'x' && *end != 'X'))
        return false;
    const char *height = end + 1;
    o.area_height = std::strtod(height, &end);
    o.has_area = true;
    return end != height && *end == '\0' && std::isfinite(o.area_width) &&
           std::isfinite(o.area_height) && o.area_width > 0 && o.area_height > 0;
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
        } else if (argument == "--area") {
            if (!parse_area(argv[++i], o)) {
                std::fprintf(stderr,
                             "xyview: --area wants WIDTHxHEIGHT, two positive numbers: %s\n",
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

// Shows a line between quotes, with the bytes that would not print escaped.
void put_escaped(std::FILE *to, const coordinates_reader &r)
{
    std::fputc('\'', to);
    for (std::size_t i = 0; i < r.line_length; ++i) {
        const unsigned char c = static_cast<unsigned char>(r.line[i]);
        if (c == '\\' || c == '\'')
            std::fprintf(to, "\\%c", c);
        else if (c == '\t')
            std::fputs("\\t", to);
        else if (c == '\r')
            std::fputs("\\r", to);
        else if (c < 0x20 || c >= 0x7f)
            std::fprintf(to, "\\x%02x", c);
        else
            std::fputc(c, to);
    }
    std::fputs(r.line_cut ? "...'" : "'", to);
}

int report_unread(read_result result, const coordinates_reader &r, const char *name)
{
    if (result == read_result::failed) {
        std::fprintf(stderr, "xyview: %s: %s\n", name, std::strerror(errno));
        return status_trouble;
    }
    if (result == read_result::cut_short) {
        std::fprintf(stderr, "xyview: %s: the file ends after line %ld, without its trailer\n",
                     name, r.line_number);
    } else {
        std::fprintf(stderr, "xyview: %s:%ld: not a coordinates line: ", name, r.line_number);
        put_escaped(stderr, r);
        std::fputs(r.line_fed ? "\n" : " (the file ends inside it)\n", stderr);
    }
    return status_malformed;
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

// Returns status when all that was written to standard output reached it, and reports
// the trouble otherwise.
int standard_output_written(int status)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    std::fprintf(stderr, "xyview: standard output: %s\n", std::strerror(errno));
    return status_trouble;
}

// Whether path names the file that in reads, by whatever path or link.
bool is_the_input(const char *path, std::FILE *in)
{
    struct stat named, read;
    return stat(path, &named) == 0 && fstat(fileno(in), &read) == 0 &&
           named.st_dev == read.st_dev && named.st_ino == read.st_ino;
}

// Writes the picture to a new file beside path and renames it to path once it is whole,
// so that a failed run never leaves half a picture. A path that names anything but a
// regular file (a device, a pipe, a link) is written in place, since a rename would
// replace it. A picture that replaces another must be one the user may write, and keeps
// its owner and permission bits.
bool write_picture(svg_picture &picture, const job_summary &job, const char *path)
{
    struct stat old;
    const bool exists = lstat(path, &old) == 0;
    const bool in_place = exists && !S_ISREG(old.st_mode);
    std::string written = path;
    std::FILE *out = nullptr;
    if (in_place) {
        out = std::fopen(path, "w");
    } else if (exists) {
        // Opening to append changes nothing, yet is refused exactly as writing would be.
        std::FILE *check = std::fopen(path, "a");
        if (!check || std::fclose(check) != 0)
            written.clear();
    }
    for (int attempt = 0; !in_place && !written.empty() && !out && attempt < 100; ++attempt) {
        written = std::string(path) + ".tmp" + (attempt ? std::to_string(attempt) : "");
        out = std::fopen(written.c_str(), "wx");
        if (!out && errno != EEXIST)
            break;
    }
    if (out && exists && !in_place) {
        // Only the owner's own user may give a file away; anyone else keeps it.
        const int kept_owner = fchown(fileno(out), old.st_uid, old.st_gid);
        static_cast<void>(kept_owner);
        fchmod(fileno(out), old.st_mode & 07777);
    }
    if (!out) {
        std::fprintf(stderr, "xyview: %s: %s\n", path, std::strerror(errno));
        discard_picture(picture);
        return false;
    }
    bool drawn = finish_picture(picture, job, out);
    int error = picture.temporary_error ? picture.temporary_error : errno;
    if (std::fclose(out) != 0 && drawn) {
        drawn = false;
        error = errno;
    }
    if (drawn && (in_place || std::rename(written.c_str(), path) == 0))
        return true;
    std::fprintf(stderr, "xyview: %s: %s\n",
                 picture.temporary_error ? "temporary file of the picture" : path,
                 std::strerror(drawn ? errno : error));
    if (!in_place)
        std::remove(written.c_str());
    return false;
}

// Warns when the job is wider or taller than the area; returns whether it fits.
bool fits(const job_summary &job, const options &o)
{
    if (!o.has_area || !job.has_points)
        return true;
    const std::int64_t over_x = job.max_x - job.min_x - std::llround(o.area_width * 100);
    const std::int64_t over_y = job.max_y - job.min_y - std::llround(o.area_height * 100);
    if (over_x <= 0 && over_y <= 0)
        return true;
    std::fprintf(stderr, "xyview: warning: the job does not fit the area %.2f x %.2f: it is ",
                 o.area_width, o.area_height);
    if (over_x > 0)
        std::fprintf(stderr, "%s too wide%s", units(over_x).c_str(), over_y > 0 ? " and " : "");
    if (over_y > 0)
        std::fprintf(stderr, "%s too tall", units(over_y).c_str());
    std::fputc('\n', stderr);
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Past a file-size limit a write should fail and be reported, not kill the run.
    std::signal(SIGXFSZ, SIG_IGN);
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return standard_output_written(status);
    const bool from_stdin = std::strcmp(o.input, "-") == 0;
    const char *const name = from_stdin ? "(standard input)" : o.input;
    std::FILE *in = from_stdin ? stdin : std::fopen(o.input, "r");
    if (!in) {
        std::fprintf(stderr, "xyview: %s: %s\n", name, std::strerror(errno));
        return status_trouble;
    }
    if (o.svg && is_the_input(o.svg, in)) {
        std::fprintf(stderr, "xyview: %s: is the coordinates file being read; the picture would "
                             "replace it\n", o.svg);
        return status_trouble;
    }
    svg_picture picture{};
    if (o.svg && !start_picture(picture)) {
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
        return report_unread(result, reader, name);
    }

    print_summary(name, tool.job);
    if (standard_output_written(EXIT_SUCCESS) != EXIT_SUCCESS) {
        discard_picture(picture);
        return status_trouble;
    }
    if (o.svg && !write_picture(picture, tool.job, o.svg))
        return status_trouble;
    return fits(tool.job, o) ? EXIT_SUCCESS : status_too_large;
}
