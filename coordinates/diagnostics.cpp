// Faulty lines are quoted with what would not print escaped and cut short, so that an
// error line stays one short line whatever the file holds.
#include "diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

// The most characters of a faulty line that an error line shows: a binary file's line
// may be long and mostly escapes.
constexpr std::size_t shown_at_most = 60;

// How a byte of a file shows in a message: as itself where it prints, escaped where it would
// not and for a backslash (and a quote, in quoted text), so that no file's bytes reach a
// terminal as its controls.
const char *shown_byte(unsigned char c, bool quoted, char (&shown)[8])
{
    shown[0] = static_cast<char>(c);
    shown[1] = '\0';
    if (c == '\\' || (quoted && c == '\''))
        std::snprintf(shown, sizeof shown, "\\%c", c);
    else if (c == '\t')
        std::strcpy(shown, "\\t");
    else if (c == '\r')
        std::strcpy(shown, "\\r");
    else if (c < 0x20 || c >= 0x7f)
        std::snprintf(shown, sizeof shown, "\\x%02x", c);
    return shown;
}

// Writes line between quotes into text, with the bytes that would not print escaped, cut
// short with "..." where it is longer than an error line should show or was cut already.
void quote(std::string_view line, bool cut_already, std::string &text)
{
    text.assign(1, '\'');
    bool cut = false;
    for (std::size_t i = 0; i < line.size() && !cut; ++i) {
        char buffer[8];
        const char *const shown = shown_byte(static_cast<unsigned char>(line[i]), true, buffer);
        cut = text.size() + std::strlen(shown) > shown_at_most;
        if (!cut)
            text += shown;
    }
    text += cut || cut_already ? "...'" : "'";
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

void complain_v(const char *format, std::va_list values)
{
    std::va_list again;
    va_copy(again, values);
    const int size = std::vsnprintf(nullptr, 0, format, values);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    const std::string line = program_invocation_short_name + (": " + shown_name(text)) + "\n";
    std::fputs(line.c_str(), stderr);
}

// Runs where nothing may be allocated: stderr is unbuffered, and the exit leaves stdio's
// buffers, which may hold half a summary, unwritten.
[[noreturn]] void say_out_of_memory()
{
    std::fputs(program_invocation_short_name, stderr);
    std::fputs(": out of memory\n", stderr);
    std::_Exit(status_trouble);
}

} // namespace

void fail_when_out_of_memory()
{
    std::set_new_handler(say_out_of_memory);
}

void complain(const char *format, ...)
{
    std::va_list values;
    va_start(values, format);
    complain_v(format, values);
    va_end(values);
}

int report_unread(read_result result, coordinates_reader &r, const char *name)
{
    if (result == read_result::failed) {
        complain("%s: %s", name, std::strerror(errno));
        return status_trouble;
    }
    if (result == read_result::cut_short && r.line_number == 0) {
        complain("%s: the file is empty; a coordinates file holds its trailer at least", name);
        return status_malformed;
    }
    if (result == read_result::cut_short) {
        complain("%s: the file ends after line %ld, without its trailer", name, r.line_number);
        return status_malformed;
    }
    std::string line;
    quote(std::string_view(r.line, r.line_length), r.line_cut, line);
    const char *const ends_inside = r.line_fed ? "" : " (the file ends inside it)";
    if (r.fault == line_fault::beyond_range) {
        complain("%s:%ld: a position beyond what a coordinates file holds (92233720368547.77 "
                 "either way): %s%s",
                 name, r.line_number, line.c_str(), ends_inside);
        return status_malformed;
    }
    if (r.fault == line_fault::after_end) {
        complain("%s:%ld: text after the end of the job, which ends at line %ld: %s%s; xymerge "
                 "joins jobs into one",
                 name, r.line_number, r.trailer_line, line.c_str(), ends_inside);
        return status_malformed;
    }
    complain("%s:%ld: not a coordinates line: %s%s", name, r.line_number, line.c_str(),
             ends_inside);
    const std::string_view faulty(r.line, r.line_length);
    if (r.line_number == 1 && faulty.starts_with("\x1f\x8b"))
        complain("%s: compressed with gzip: zcat it first", name);
    else if (faulty.ends_with('\r'))
        complain("%s: the lines end in a carriage return: DOS line ends", name);
    else if (looks_like_trace_data(r))
        complain("%s looks like trace data, not a coordinates file: trace2xy converts it into one",
                 name);
    return status_malformed;
}

int report_misplaced(const char *what, const coordinates_reader &r, const xy_unit &unit,
                     const char *name)
{
    if (unit.kind == unit_kind::net)
        complain("%s:%ld: the net header block of %s is out of place: %s %s only files "
                 "laid out as trace2xy writes them",
                 name, r.unit_line, shown_text(unit.net).c_str(), program_invocation_short_name,
                 what);
    else
        complain("%s:%ld: '%s' is out of place: %s %s only files laid out as trace2xy "
                 "writes them",
                 name, r.unit_line, r.line, program_invocation_short_name, what);
    return status_malformed;
}

void warn_when_nothing_drawn(std::int64_t tool_downs)
{
    if (tool_downs == 0)
        complain("warning: the job draws nothing");
}

int wrong_arguments(const char *format, ...)
{
    std::va_list values;
    va_start(values, format);
    complain_v(format, values);
    va_end(values);
    std::fprintf(stderr, "Try '%s --help'.\n", program_invocation_short_name);
    return status_trouble;
}

int wrong_option(int code, char **argv, const option *table, const char *bed_option)
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
        return code == ':' ? wrong_arguments("%s needs a value", shown)
                           : wrong_arguments("unknown option: %s", shown);
    }
    if (matches > 1)
        return wrong_arguments("ambiguous option: --%.*s could be %s",
                               static_cast<int>(name.size()), name.data(), could_be.c_str());
    if (matches == 0 && bed_option && name == "bed")
        return wrong_arguments("unknown option: %s; the plotter's bed is %s", given, bed_option);
    if (matches == 0)
        return wrong_arguments("unknown option: %s", given);
    if (code == ':')
        return wrong_arguments("--%s needs a value", chosen->name);
    return wrong_arguments("--%s takes no value: '%s'", chosen->name, given);
}

int standard_output_written(int status)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    complain("standard output: %s", std::strerror(errno));
    return status_trouble;
}

std::string shown_name(std::string_view text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char buffer[8];
        if (byte < 0x20 || byte == 0x7f)
            shown += shown_byte(byte, false, buffer);
        else
            shown += c;
    }
    return shown;
}

std::string quoted_text(std::string_view text)
{
    std::string quoted;
    quote(text, false, quoted);
    return quoted;
}

std::string shown_text(std::string_view text)
{
    std::string shown;
    for (const char c : text) {
        char buffer[8];
        shown += shown_byte(static_cast<unsigned char>(c), false, buffer);
    }
    return shown;
}
