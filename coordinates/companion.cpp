// The companions' shared front-end pieces.
#include "companion.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The most characters of a faulty line that an error line shows: a binary file's line
// may be long and mostly escapes.
constexpr std::size_t shown_at_most = 60;

// Writes a line between quotes into text, with the bytes that would not print escaped,
// cut short with "..." where it is longer than an error line should show or than the
// reader kept of it.
void quote_line(const coordinates_reader &r, std::string &text)
{
    text = "'";
    bool cut = false;
    for (std::size_t i = 0; i < r.line_length && !cut; ++i) {
        const unsigned char c = static_cast<unsigned char>(r.line[i]);
        char shown[8] = {static_cast<char>(c), '\0'};
        if (c == '\\' || c == '\'')
            std::snprintf(shown, sizeof shown, "\\%c", c);
        else if (c == '\t')
            std::strcpy(shown, "\\t");
        else if (c == '\r')
            std::strcpy(shown, "\\r");
        else if (c < 0x20 || c >= 0x7f)
            std::snprintf(shown, sizeof shown, "\\x%02x", c);
        cut = text.size() + std::strlen(shown) > shown_at_most;
        if (!cut)
            text += shown;
    }
    text += cut || r.line_cut ? "...'" : "'";
}

// Whether line is a record of trace data as trace2xy takes it: a segment or a net.
bool is_trace_record(std::string_view line)
{
    return line.starts_with("SEG") || (line.size() >= 5 && line.substr(2, 3) == "NET");
}

// Whether the malformed line of r, or one of the few lines after it, is a record of trace
// data: the file given is then most likely trace data, not yet converted.
bool looks_like_trace_data(coordinates_reader &r)
{
    for (int lines = 0; lines < 64; ++lines)
        if (is_trace_record(std::string_view(r.line, r.line_length)))
            return true;
        else if (!next_line(r))
            break;
    return false;
}

void complain_v(const char *program, const char *format, std::va_list values)
{
    std::fprintf(stderr, "%s: ", program);
    std::vfprintf(stderr, format, values);
    std::fputc('\n', stderr);
}

} // namespace

void complain(const char *program, const char *format, ...)
{
    std::va_list values;
    va_start(values, format);
    complain_v(program, format, values);
    va_end(values);
}

std::FILE *open_coordinates(const char *program, const char *path, const char *&name)
{
    const bool from_stdin = std::strcmp(path, "-") == 0;
    name = from_stdin ? "(standard input)" : path;
    std::FILE *in = from_stdin ? stdin : std::fopen(path, "r");
    if (!in)
        complain(program, "%s: %s", name, std::strerror(errno));
    return in;
}

int report_unread(const char *program, read_result result, coordinates_reader &r, const char *name)
{
    if (result == read_result::failed) {
        complain(program, "%s: %s", name, std::strerror(errno));
        return status_trouble;
    }
    if (result == read_result::cut_short) {
        complain(program, "%s: the file ends after line %ld, without its trailer", name,
                 r.line_number);
        return status_malformed;
    }
    std::string line;
    quote_line(r, line);
    const char *const ends_inside = r.line_fed ? "" : " (the file ends inside it)";
    if (r.fault == line_fault::beyond_range) {
        complain(program,
                 "%s:%ld: a position beyond what a coordinates file holds (92233720368547.77 "
                 "either way): %s%s",
                 name, r.line_number, line.c_str(), ends_inside);
        return status_malformed;
    }
    if (r.fault == line_fault::after_end) {
        complain(program, "%s:%ld: text after the end of the job, which ends at line %ld: %s%s",
                 name, r.line_number, r.trailer_line, line.c_str(), ends_inside);
        return status_malformed;
    }
    complain(program, "%s:%ld: not a coordinates line: %s%s", name, r.line_number, line.c_str(),
             ends_inside);
    if (looks_like_trace_data(r))
        complain(program,
                 "%s looks like trace data, not a coordinates file: trace2xy converts it into one",
                 name);
    return status_malformed;
}

int standard_output_written(const char *program, int status)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    complain(program, "standard output: %s", std::strerror(errno));
    return status_trouble;
}

bool writes_to_input(const char *path, std::FILE *in)
{
    struct stat named, read;
    const bool to_stdout = std::strcmp(path, "-") == 0;
    return (to_stdout ? fstat(STDOUT_FILENO, &named) : stat(path, &named)) == 0 &&
           fstat(fileno(in), &read) == 0 && named.st_dev == read.st_dev &&
           named.st_ino == read.st_ino && (S_ISREG(read.st_mode) || S_ISFIFO(read.st_mode));
}

bool holds_picture_or_nothing(const char *path)
{
    struct stat s;
    // Nothing there to lose, or nothing that the picture would be renamed over.
    if (stat(path, &s) != 0 || !S_ISREG(s.st_mode) || s.st_size == 0)
        return true;
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    char start[256];
    const std::string_view head(start, std::fread(start, 1, sizeof start, f));
    std::fclose(f);
    std::string_view text = head.starts_with("\xef\xbb\xbf") ? head.substr(3) : head;
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(" \t\r\n")));
    return text.starts_with("<?xml") || text.starts_with("<svg") || text.starts_with("<!");
}

const char *output_name(const char *path)
{
    return std::strcmp(path, "-") ? path : "standard output";
}

bool open_output(const char *program, whole_file &file, const char *path, std::FILE *in)
{
    if (writes_to_input(path, in))
        complain(program, "%s: is the coordinates file being read", output_name(path));
    else if (!open_whole_file(file, path))
        complain(program, "%s: %s", output_name(path), whole_file_failure(file));
    else
        return true;
    return false;
}

int wrong_arguments(const char *program, const char *format, ...)
{
    std::va_list values;
    va_start(values, format);
    complain_v(program, format, values);
    va_end(values);
    std::fprintf(stderr, "Try '%s --help'.\n", program);
    return status_trouble;
}

int take_input_and_output(const char *program, int argc, char **argv, const char *&input,
                          const char *&output)
{
    if (argc - optind != 2)
        return wrong_arguments(program, "name IN.xy and OUT.xy");
    input = argv[optind];
    output = argv[optind + 1];
    if (*input == '\0' || *output == '\0')
        return wrong_arguments(program, "IN.xy and OUT.xy want a file name, or - for standard "
                                        "input or output: ''");
    return -1;
}

int wrong_option(const char *program, int code, char **argv, const option *table)
{
    const char *given = argv[optind - 1];
    const std::string_view word(given);
    const bool long_word = word.starts_with("--");
    // A long option's name as given, up to any value. A short option's error may come
    // while argv[optind - 1] is still an earlier word, so a long name counts only when
    // it fits optopt.
    const std::string_view name = long_word ? word.substr(2, word.find('=') - 2) : "";
    std::string could_be;
    const option *chosen = nullptr;
    int matches = 0;
    for (const option *o = table; long_word && o->name; ++o) {
        if (!std::string_view(o->name).starts_with(name))
            continue;
        if (o->name == name) {
            matches = 1;
            chosen = o;
            break;
        }
        if (!could_be.empty())
            could_be.append(", ");
        could_be.append("--").append(o->name);
        chosen = o;
        ++matches;
    }
    // The last of several is joined with "or".
    if (const std::size_t comma = could_be.rfind(", "); matches > 1)
        could_be.replace(comma, 2, " or ");
    const bool long_error = long_word && (optopt == 0 || (chosen && chosen->val == optopt));
    if (!long_error) {
        const char shown[3] = {'-', static_cast<char>(optopt), '\0'};
        return code == ':' ? wrong_arguments(program, "%s needs a value", shown)
                           : wrong_arguments(program, "unknown option: %s", shown);
    }
    if (matches > 1)
        return wrong_arguments(program, "ambiguous option: --%.*s could be %s",
                               static_cast<int>(name.size()), name.data(), could_be.c_str());
    if (matches == 0)
        return wrong_arguments(program, "unknown option: %s", given);
    if (code == ':')
        return wrong_arguments(program, "--%s needs a value", chosen->name);
    return wrong_arguments(program, "--%s takes no value: '%s'", chosen->name, given);
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

int report_misplaced(const char *program, const char *what, const coordinates_reader &r,
                     const xy_unit &unit, const char *name)
{
    if (unit.kind == unit_kind::net)
        complain(program,
                 "%s:%ld: the net header block of %s is out of place: %s %s only files "
                 "laid out as trace2xy writes them",
                 name, r.unit_line, unit.net, program, what);
    else
        complain(program,
                 "%s:%ld: '%s' is out of place: %s %s only files laid out as trace2xy "
                 "writes them",
                 name, r.unit_line, r.line, program, what);
    return status_malformed;
}

bool motion_of(const char *program, const motion_arguments &given, motion_model &m)
{
    const char *const names[] = {"--speed", "--travel-speed", "--accel", "--corner", "--tool-time"};
    m = motion_model{};
    double values[5] = {0, 0, 0, 0, 0};
    double tool_up = 0;
    const auto in_range = [](double value, bool above_zero) {
        return value >= (above_zero ? motion_smallest : 0) && value <= motion_largest;
    };
    for (int k = 0; k < 5; ++k) {
        const char *text = given.values[k];
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
            wrong_arguments(program, "%s wants %s from %s to 1000000: '%s'", names[k],
                            k == 4 ? "DOWN[,UP], seconds" : "a number",
                            above_zero ? "0.000001" : "0", given.values[k]);
            return false;
        }
    }
    for (int k = 1; k < 5; ++k) {
        const char *needed = !given.values[0]             ? "--speed"
                             : k == 3 && !given.values[2] ? "--accel"
                                                          : nullptr;
        if (given.values[k] && needed) {
            wrong_arguments(program, "%s %s needs %s", names[k], given.values[k], needed);
            return false;
        }
    }
    m.speed = values[0];
    m.travel_speed = given.values[1] ? values[1] : values[0];
    m.accel = values[2];
    m.corner = values[3];
    m.tool_down_time = values[4];
    m.tool_up_time = given.values[4] ? tool_up : 0;
    return true;
}
