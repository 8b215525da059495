// The job and the parts are read side by side, a stroke of each at a time, so that any
// number of parts of any size are checked in constant memory.
#include "part_check.h"

#include "bed.h"
#include "diagnostics.h"
#include "front_end.h"
#include "json_writer.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::string point_text(point p)
{
    return units_text(p.x) + "," + units_text(p.y);
}

// Where s stands, for the message: "FILE:LINE: NET 'NAME' draws X,Y to X,Y", the net named
// by its record.
std::string stroke_text(const stroke_reader &s, const stroke &k)
{
    return std::string(s.name) + ":" + std::to_string(s.line) + ": " + shown_text(s.net) +
           " draws " +
           (k.from.x == k.to.x && k.from.y == k.to.y
                ? "a hole at " + point_text(k.from)
                : point_text(k.from) + " to " + point_text(k.to));
}

bool same(const stroke &a, const stroke &b)
{
    return a.from.x == b.from.x && a.from.y == b.from.y && a.to.x == b.to.x && a.to.y == b.to.y;
}

void close_input(std::FILE *in)
{
    if (in != stdin)
        std::fclose(in);
}

} // namespace

void start_strokes(stroke_reader &s, std::FILE *in, const char *name)
{
    s.in = in;
    s.name = name;
    start_reading(s.reader, in);
    s.tool_down = s.moved = false;
    s.at = {0, 0};
    s.net.clear();
    s.nets = 0;
    s.line = 0;
}

read_result next_stroke(stroke_reader &s, stroke &next)
{
    read_result result;
    while ((result = read_unit(s.reader, s.unit)) == read_result::unit) {
        const xy_unit &u = s.unit;
        const point to{u.x, u.y};
        const bool hole = u.kind == unit_kind::tool_up && s.tool_down && !s.moved;
        const bool drawn =
            u.kind == unit_kind::move && s.tool_down && (to.x != s.at.x || to.y != s.at.y);
        if (hole || drawn) {
            next = {s.at, hole ? s.at : to};
            s.line = s.reader.unit_line;
        }
        if (u.kind == unit_kind::net) {
            s.net = u.net;
            ++s.nets;
        }
        s.moved = (s.moved && u.kind != unit_kind::tool_down) || drawn;
        s.tool_down =
            u.kind == unit_kind::tool_down || (s.tool_down && u.kind != unit_kind::tool_up);
        s.at = u.kind == unit_kind::move ? to : s.at;
        if (hole || drawn)
            return read_result::unit;
    }
    return result;
}

int check_parts(char **names, int count, const char *job_path, check_outcome &outcome)
{
    const auto job = std::make_unique<stroke_reader>(), part = std::make_unique<stroke_reader>();
    const char *job_name, *part_name;
    std::FILE *const job_in = open_coordinates(job_path, job_name);
    if (!job_in)
        return status_trouble;
    const file_stamp job_stamp = stamp_of(job_in);
    start_strokes(*job, job_in, job_name);
    stroke a, b;
    read_result at_job = next_stroke(*job, a), at_part = read_result::finished;
    outcome = check_outcome{.original = job_name, .strokes = 0, .difference = {}};
    int status = -1;
    for (int k = 0; k < count && status < 0 && outcome.difference.empty(); ++k) {
        std::FILE *const part_in = open_coordinates(names[k], part_name);
        if (!part_in)
            return status_trouble;
        const file_stamp part_stamp = stamp_of(part_in);
        start_strokes(*part, part_in, part_name);
        while (outcome.difference.empty() &&
               (at_part = next_stroke(*part, b)) == read_result::unit) {
            if (at_job == read_result::unit && !same(a, b))
                outcome.difference = stroke_text(*part, b) + ", where " + stroke_text(*job, a);
            else if (at_job == read_result::finished)
                outcome.difference = stroke_text(*part, b) + " past the end of " + job_name;
            else if (at_job != read_result::unit)
                status = report_unread(at_job, job->reader, job_name);
            if (!outcome.difference.empty() || status >= 0)
                break;
            ++outcome.strokes;
            at_job = next_stroke(*job, a);
        }
        if (outcome.difference.empty() && status < 0 && at_part != read_result::finished)
            status = report_unread(at_part, part->reader, part_name);
        if (status < 0 && !still_as_read(part_in, part_stamp, part_name))
            status = status_trouble;
        close_input(part_in);
    }
    if (outcome.difference.empty() && status < 0 && at_job == read_result::unit)
        outcome.difference = "the parts end before " + stroke_text(*job, a);
    else if (outcome.difference.empty() && status < 0 && at_job != read_result::finished)
        status = report_unread(at_job, job->reader, job_name);
    if (status < 0 && !still_as_read(job_in, job_stamp, job_name))
        status = status_trouble;
    close_input(job_in);
    return status;
}

int report_check(const check_outcome &outcome, int count, const common_options &common)
{
    constexpr int status_different = 3;
    const int status = outcome.difference.empty() ? EXIT_SUCCESS : status_different;
    if (common.json) {
        json_writer w;
        json_begin(w, stdout, "xysplit");
        json_string(w, "original", outcome.original);
        json_integer(w, "parts", count);
        json_boolean(w, "same", status == EXIT_SUCCESS);
        json_integer(w, "strokes", outcome.strokes);
        if (outcome.difference.empty())
            json_null(w, "difference");
        else
            json_string(w, "difference", outcome.difference);
        json_end(w);
        return standard_output_written(status);
    }
    if (!outcome.difference.empty()) {
        complain("%s", outcome.difference.c_str());
    } else if (!common.quiet) {
        const std::string parts =
            count == 1 ? "the part draws" : "the " + std::to_string(count) + " parts draw";
        complain("%s the %lld stroke%s of %s, each once, in order", parts.c_str(),
                 static_cast<long long>(outcome.strokes), outcome.strokes == 1 ? "" : "s",
                 outcome.original);
    }
    return status;
}
