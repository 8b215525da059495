// The shared options stand after a companion's own in the merged table, so that its own
// come first in a list of what an ambiguous beginning could be.
#include "front_end.h"

#include "output_file.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace {

// The motion model's long options.
constexpr option motion_long_options[] = {
    {"speed", required_argument, nullptr, speed_option},
    {"travel-speed", required_argument, nullptr, travel_speed_option},
    {"accel", required_argument, nullptr, accel_option},
    {"corner", required_argument, nullptr, corner_option},
    {"tool-time", required_argument, nullptr, tool_time_option}};

constexpr option shared_long_options[] = {{"quiet", no_argument, nullptr, 'q'},
                                          {"json", no_argument, nullptr, json_option},
                                          {"plotter", required_argument, nullptr, plotter_option},
                                          {"unit", required_argument, nullptr, unit_option},
                                          {"help", no_argument, nullptr, 'h'},
                                          {"version", no_argument, nullptr, 'V'}};

// The lines of --help that tell the motion model's options, and the shared ones.
constexpr const char *motion_usage =
    "  --speed V              estimate the plotting time: drawing speed, in output\n"
    "                         units per second (0.000001 to 1000000, as are the\n"
    "                         other values)\n"
    "  --travel-speed V       speed with the tool up (default: --speed)\n"
    "  --accel A              acceleration, in output units per second squared\n"
    "                         (default: none, every move at its speed throughout)\n"
    "  --corner D             junction deviation at corners, with --accel, in\n"
    "                         output units (default 0: a stop at every corner)\n"
    "  --tool-time DOWN[,UP]  seconds to lower and to raise the tool (default 0)\n";
constexpr const char *shared_usage =
    "  -q, --quiet            only warnings and errors, no summary or report\n"
    "      --json             the summary or report as one JSON object, on\n"
    "                         standard output\n"
    "      --plotter FILE     the plotter's profile (default $XY_PLOTTER, else\n"
    "                         ~/.config/trace2xy/plotter.conf; none for none)\n"
    "      --unit U           an output unit's length (1in, 25.4mm), so that lengths\n"
    "                         may be given in mm, cm or in\n"
    "  -h, --help             show this text and exit\n"
    "  -V, --version          show the version and exit\n";

} // namespace

bool motion_of(const char *const given[], motion_model &m, const plotter_profile *from)
{
    const char *const names[] = {"--speed", "--travel-speed", "--accel", "--corner", "--tool-time"};
    const auto place = [&](int k) {
        return from ? profile_place(*from, static_cast<profile_key>(speed_key + k)) : names[k];
    };
    m = motion_model{};
    double values[5] = {0, 0, 0, 0, 0};
    double tool_up = 0;
    const auto in_range = [](double value, bool above_zero) {
        return value >= (above_zero ? motion_smallest : 0) && value <= motion_largest;
    };
    for (int k = 0; k < 5; ++k) {
        const char *text = given[k];
        if (!text)
            continue;
        const bool above_zero = k < 3;
        bool read = read_decimal(text, values[k]) && in_range(values[k], above_zero);
        if (k == 4)
            tool_up = values[k];
        if (read && k == 4 && *text == ',') {
            ++text;
            read = read_decimal(text, tool_up) && in_range(tool_up, false);
        }
        if (!read || *text != '\0') {
            const std::string what = k == 4 ? "DOWN[,UP], seconds" : "a number";
            if (from)
                complain("%s wants %s from %s to 1000000: '%s'", place(k).c_str(), what.c_str(),
                         above_zero ? "0.000001" : "0", from->values[speed_key + k].c_str());
            else
                wrong_arguments("%s wants %s from %s to 1000000: '%s'", names[k], what.c_str(),
                                above_zero ? "0.000001" : "0", given[k]);
            return false;
        }
    }
    for (int k = 1; k < 5; ++k) {
        const char *needed = !given[0] ? "--speed" : k == 3 && !given[2] ? "--accel" : nullptr;
        if (given[k] && needed && from)
            complain("%s needs %s", place(k).c_str(), needed + 2);
        else if (given[k] && needed)
            wrong_arguments("%s %s needs %s", names[k], given[k], needed);
        if (given[k] && needed)
            return false;
    }
    m.speed = values[0];
    m.travel_speed = given[1] ? values[1] : values[0];
    m.accel = values[2];
    m.corner = values[3];
    m.tool_down_time = values[4];
    m.tool_up_time = given[4] ? tool_up : 0;
    return true;
}

void start_options(common_options &common)
{
    common.quiet = common.json = false;
    common.motion = motion_model{};
    common.profile.path.clear();
    for (std::string &value : common.profile.values)
        value.clear();
    common.unit = output_unit{0, false};
    common.bed.clear();
    common.margin.clear();
    for (std::string &value : common.motion_given)
        value.clear();
    common.conversions = 0;
}

void merge_options(const companion &c, option_table &t)
{
    t = option_table{};
    std::size_t n = 0;
    // The shared options and an entry of zeros always fit after the companion's own.
    constexpr std::size_t shared_room =
        std::size(motion_long_options) + std::size(shared_long_options) + 1;
    for (const option *o = c.own_long; o->name && n + shared_room < std::size(t.entries); ++o)
        t.entries[n++] = *o;
    if (c.timed)
        for (const option &o : motion_long_options)
            t.entries[n++] = o;
    for (const option &o : shared_long_options)
        t.entries[n++] = o;
    std::snprintf(t.shorts, sizeof t.shorts, ":qhV%s", c.own_short);
}

int take_shared(int code, const char *value, const companion &c, option_table &t, char **argv,
                common_options &common)
{
    if (code == 'h') {
        std::fputs(c.usage, stdout);
        if (c.timed)
            std::fputs(motion_usage, stdout);
        std::fputs(shared_usage, stdout);
        std::fputs(c.exit_text, stdout);
        return EXIT_SUCCESS;
    }
    if (code == 'V') {
        std::puts(c.version);
        return EXIT_SUCCESS;
    }
    if (code == ':' || code == '?')
        return wrong_option(code, argv, t.entries, c.bed_option);
    if (code == 'q' || code == json_option) {
        common.quiet = common.quiet || code == 'q';
        common.json = common.json || code == json_option;
        return -1;
    }
    if (code >= speed_option && code < motion_option_end) {
        t.motion[code - speed_option] = value;
        return -1;
    }
    return code == plotter_option || code == unit_option ? -1 : not_shared;
}

int finish_shared(option_table &t, common_options &common)
{
    for (int k = 0; k < motion_option_end - speed_option; ++k)
        if (!t.motion[k] && !common.motion_given[k].empty())
            t.motion[k] = common.motion_given[k].c_str();
    return motion_of(t.motion, common.motion, nullptr) ? -1 : status_trouble;
}

std::FILE *open_coordinates(const char *path, const char *&name)
{
    const bool from_stdin = std::strcmp(path, "-") == 0;
    name = from_stdin ? "(standard input)" : path;
    std::FILE *in = from_stdin ? stdin : std::fopen(path, "r");
    if (!in)
        complain("%s: %s", name, std::strerror(errno));
    return in;
}

int open_job_files(const char *input, const char *output, const std::string &profile, job_files &f)
{
    f.output = output;
    f.in = open_coordinates(input, f.name);
    if (f.in)
        f.stamp = stamp_of(f.in);
    return f.in && open_output(f.out, output, f.in, profile) ? -1 : status_trouble;
}

int json_beside(job_files &f, const common_options &common)
{
    if (!common.json)
        return -1;
    if (f.in && writes_to_input("-", f.in)) {
        close_whole_file(f.out, false);
        complain("standard output: is the input %s; the object would be written into it", f.name);
        return status_trouble;
    }
    if (!writes_to_standard_output(f.out))
        return -1;
    close_whole_file(f.out, false);
    return wrong_arguments(
        "--json and the job both go to standard output: name a file for the job");
}

int abandon(job_files &f, int status)
{
    close_whole_file(f.out, false);
    return status;
}

int finish_output(job_files &f, bool complete)
{
    if (complete && !still_as_read(f.in, f.stamp, f.name))
        return abandon(f, status_trouble);
    if (close_whole_file(f.out, complete))
        return EXIT_SUCCESS;
    complain("%s: %s", output_name(f.output), whole_file_failure(f.out));
    return status_trouble;
}

int take_job_files(int argc, char **argv, const std::string &profile, job_files &files)
{
    if (argc - optind != 2)
        return wrong_arguments("name IN.xy and OUT.xy");
    const char *const input = argv[optind], *const output = argv[optind + 1];
    if (*input == '\0' || *output == '\0')
        return wrong_arguments("IN.xy and OUT.xy want a file name, or - for standard "
                               "input or output: ''");
    return open_job_files(input, output, profile, files);
}

bool read_decimal(const char *&text, double &value)
{
    const char *at = text;
    at += *at == '+' || *at == '-';
    const char *digits = at;
    while (*at >= '0' && *at <= '9')
        ++at;
    if (*at == '.')
        for (++at; *at >= '0' && *at <= '9';)
            ++at;
    if (at == digits || (at == digits + 1 && *digits == '.'))
        return false;
    if (*at == 'e' || *at == 'E') {
        const char *exponent = at + 1;
        exponent += *exponent == '+' || *exponent == '-';
        if (*exponent >= '0' && *exponent <= '9') {
            while (*exponent >= '0' && *exponent <= '9')
                ++exponent;
            at = exponent;
        }
    }
    // The C library converts the text accepted above, taken apart from what follows (a
    // "0x" would make it hexadecimal), in the C locale that the program never leaves.
    value = std::strtod(std::string(text, at).c_str(), nullptr);
    text = at;
    return std::isfinite(value);
}
