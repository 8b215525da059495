// The coordinates file's grammar, with one line of lookahead. A net header block is an
// empty line, a blank with the echoed record, and a line holding one blank; when the
// record had no line feed, its closing blank ends the record's own line instead. The
// trailer is "Tool Up " and two empty lines at the very end.
#include "coordinates_reader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// Takes the next line into r.line. Returns false at the end of the file or on a read
// error.
bool take_line(coordinates_reader &r)
{
    if (r.held) {
        r.held = false;
        return true;
    }
    r.line_offset = r.taken;
    r.line_length = 0;
    r.line_cut = false;
    r.line_fed = false;
    bool any = false;
    while (!r.line_fed) {
        if (r.at == r.end) {
            r.at = 0;
            r.end = std::fread(r.block, 1, sizeof r.block, r.in);
            if (r.end == 0)
                break;
        }
        const char *const from = r.block + r.at;
        const std::size_t left = r.end - r.at;
        const char *const feed = static_cast<const char *>(std::memchr(from, '\n', left));
        const std::size_t size = feed ? static_cast<std::size_t>(feed - from) : left;
        const std::size_t kept = std::min(size, xy_line_size - 1 - r.line_length);
        std::memcpy(r.line + r.line_length, from, kept);
        r.line_length += kept;
        r.line_cut = r.line_cut || kept < size;
        r.line_fed = feed != nullptr;
        r.at += size + r.line_fed;
        r.taken += static_cast<std::int64_t>(size + r.line_fed);
        any = true;
    }
    r.line[r.line_length] = '\0';
    if (std::ferror(r.in) || !any)
        return false;
    ++r.line_number;
    return true;
}

// The line as the grammar sees it. A line cut short, or one that the end of the file
// ends, stands for no unit at all: it reads as a lone line feed, which no unit holds.
std::string_view line_of(const coordinates_reader &r)
{
    return r.line_cut || !r.line_fed ? std::string_view("\n")
                                     : std::string_view(r.line, r.line_length);
}

read_result ended(const coordinates_reader &r)
{
    return std::ferror(r.in) ? read_result::failed : read_result::cut_short;
}

enum class field { sound, malformed, beyond_range };

// Reads one number as "%10.2f" writes it, in hundredths.
field parse_field(std::string_view field_text, std::int64_t &hundredths, bool &negative)
{
    const std::string_view f = field_text;
    std::size_t at = f.find_first_not_of(' ');
    if (f.size() < field_width || at == std::string_view::npos ||
        (at > 0 && f.size() > field_width))
        return field::malformed;
    negative = f[at] == '-';
    at += negative;
    const std::size_t point = f.size() - 3;
    if (point <= at || f[point] != '.')
        return field::malformed;
    std::int64_t value = 0;
    bool beyond = false;
    for (std::size_t i = at; i < f.size(); ++i) {
        if (i == point)
            continue;
        if (f[i] < '0' || f[i] > '9')
            return field::malformed;
        // Past the range the digits are still checked, but the value is settled.
        beyond = beyond || value > (largest_hundredths - (f[i] - '0')) / 10;
        value = beyond ? value : value * 10 + (f[i] - '0');
    }
    hundredths = negative ? -value : value;
    return beyond ? field::beyond_range : field::sound;
}

field parse_move(std::string_view line, xy_unit &unit)
{
    if (!line.starts_with(move_start))
        return field::malformed;
    line.remove_prefix(move_start.size());
    // The fields are split at the blank that follows the first one's digits, which in
    // most lines, both numbers fitting their fields, stands right after the first field.
    const std::size_t blank = line.size() == 2 * field_width + 1 && line[field_width] == ' '
                                  ? field_width
                                  : line.find(' ', line.find_first_not_of(" -"));
    if (blank == std::string_view::npos)
        return field::malformed;
    const field x = parse_field(line.substr(0, blank), unit.x, unit.x_negative);
    const field y =
        x == field::malformed ? x : parse_field(line.substr(blank + 1), unit.y, unit.y_negative);
    return x == field::sound ? y : y == field::malformed ? y : x;
}

void name_net(std::string_view record, xy_unit &unit)
{
    const char *const white = " \t\r\v\f";
    const std::size_t first = record.find_first_not_of(white);
    if (first == std::string_view::npos)
        record = {};
    else
        record = record.substr(first, record.find_last_not_of(white) - first + 1);
    unit.net[record.copy(unit.net, sizeof unit.net - 1)] = '\0';
}

// Points r at an earlier line as the one at fault.
read_result blame(coordinates_reader &r, long line_number, std::string_view text)
{
    r.line_number = line_number;
    r.line_length = text.copy(r.line, sizeof r.line - 1);
    r.line[r.line_length] = '\0';
    r.line_cut = false;
    r.line_fed = true;
    return read_result::malformed;
}

// Reads what follows an empty line: the second empty line of the trailer, or the rest of
// a net header block.
read_result after_empty_line(coordinates_reader &r, xy_unit &unit, bool after_tool_up)
{
    const long empty_line = r.line_number;
    if (!take_line(r))
        return ended(r);
    if (r.line_cut || !r.line_fed)
        return read_result::malformed;
    char record[xy_line_size];
    const std::string_view next(record, line_of(r).copy(record, sizeof record));
    if (next.empty() && after_tool_up) {
        r.after_trailer = true;
        r.trailer_line = r.line_number;
        unit.kind = unit_kind::trailer;
        return read_result::unit;
    }
    if (!next.starts_with(' '))
        return blame(r, empty_line, "");
    const long record_line = r.line_number;
    if (!take_line(r))
        return ended(r);
    std::string_view as_read = next.substr(1);
    if (line_of(r) != " ") {
        // The record had no line feed of its own, so its closing blank ends its line, and
        // the line after it begins the next unit.
        if (next.size() < 2 || !next.ends_with(' '))
            return blame(r, record_line, next);
        r.held = true;
        as_read.remove_suffix(1);
        unit.record_length = as_read.copy(unit.record, sizeof unit.record);
    } else {
        unit.record_length = as_read.copy(unit.record, sizeof unit.record - 1);
        unit.record[unit.record_length++] = '\n';
    }
    name_net(next, unit);
    unit.kind = unit_kind::net;
    return read_result::unit;
}

// Finds the first line after the trailer that is not blank, to show what follows the
// end of the job (most often another job, joined on); the first line after the trailer
// when all are blank.
read_result text_after_end(coordinates_reader &r)
{
    r.fault = line_fault::after_end;
    const long first = r.line_number;
    char blank[xy_line_size];
    const std::string_view first_text(
        blank, std::string_view(r.line, r.line_length).copy(blank, sizeof blank));
    do {
        const std::string_view line(r.line, r.line_length);
        if (line.find_first_not_of(" \t\r") != std::string_view::npos || r.line_cut)
            return read_result::malformed;
    } while (take_line(r));
    if (std::ferror(r.in))
        return read_result::failed;
    return blame(r, first, first_text);
}

} // namespace

void start_reading(coordinates_reader &r, std::FILE *in)
{
    r.in = in;
    r.at = r.end = 0;
    r.line_number = 0;
    r.unit_line = 0;
    r.taken = r.line_offset = r.unit_offset = 0;
    r.line[0] = '\0';
    r.line_length = 0;
    r.line_cut = false;
    r.line_fed = false;
    r.held = false;
    r.after_trailer = false;
    r.after_tool_up = false;
    r.fault = line_fault::not_a_unit;
    r.trailer_line = 0;
}

read_result read_unit(coordinates_reader &r, xy_unit &unit)
{
    if (!take_line(r))
        return r.after_trailer && !std::ferror(r.in) ? read_result::finished : ended(r);
    r.fault = line_fault::not_a_unit;
    if (r.after_trailer)
        return text_after_end(r);
    r.unit_line = r.line_number;
    r.unit_offset = r.line_offset;
    const std::string_view line = line_of(r);
    const bool after_tool_up = r.after_tool_up;
    r.after_tool_up = false;
    // A line as taken has no line feed.
    if (line == tool_up_line.substr(0, tool_up_line.size() - 1)) {
        r.after_tool_up = true;
        unit.kind = unit_kind::tool_up;
    } else if (line == tool_down_line.substr(0, tool_down_line.size() - 1)) {
        unit.kind = unit_kind::tool_down;
    } else if (const field move = parse_move(line, unit); move == field::sound) {
        unit.kind = unit_kind::move;
    } else if (move == field::beyond_range) {
        r.fault = line_fault::beyond_range;
        return read_result::malformed;
    } else if (line.empty()) {
        return after_empty_line(r, unit, after_tool_up);
    } else {
        return read_result::malformed;
    }
    return read_result::unit;
}

bool next_line(coordinates_reader &r)
{
    return take_line(r);
}
