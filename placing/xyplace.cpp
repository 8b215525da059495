// xyplace: puts a plotter job on its bed. Mirrors, turns and shifts every position of an
// xy coordinates file exactly, or fits the job's bounding box on a bed, or repeats the
// job in a panel of copies, and writes the file that trace2xy would write from the
// records so placed: only move lines change, and copies follow one another.
#include "bed.h"
#include "front_end.h"
#include "job_writer.h"
#include "json_writer.h"
#include "output_file.h"
#include "panel.h"
#include "placement.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr const char *usage_text =
    "usage: xyplace [-q] [--json] [-s DX,DY] [-r 90|180|270|auto] [-m x|y]\n"
    "               [-f WxH[+X+Y] [--margin M] [-c]]\n"
    "               [--repeat CxR|max [--gap G | --pitch DX,DY]]\n"
    "               IN.xy OUT.xy   (- for standard input or output)\n"
    "\n"
    "Puts the plotter job in the coordinates file IN.xy on the plotter's bed and\n"
    "writes it to OUT.xy: every position mirrored, then turned by quarter turns\n"
    "counter-clockwise about the origin, then repeated and shifted, exactly, in\n"
    "hundredths; everything but the move lines kept byte for byte (a position read\n"
    "as -0.00 is written 0.00). OUT.xy is written whole or not at all.\n"
    "\n"
    "  -m, --mirror x|y       negate x, or y (given for both, both)\n"
    "  -r, --rotate 90|180|270|auto\n"
    "                         turn counter-clockwise by so many degrees, or with\n"
    "                         --fit auto: a quarter where only that fits the bed\n"
    "  -s, --shift DX,DY      move by DX, DY output units, plain decimals with at\n"
    "                         most two places\n"
    "  -f, --fit WxH[+X+Y]    shift the job onto the bed W wide and H high with its\n"
    "                         lower-left corner at (X, Y), (0, 0) if not given, or\n"
    "                         a4, a3, letter (also -landscape), or bed for the\n"
    "                         profile's: the job's lower-left corner on the bed's\n"
    "      --margin M         keep M output units inside the bed's edges\n"
    "  -c, --centre           put the job's middle on the bed's middle\n"
    "      --repeat CxR|max   C columns by R rows of copies, row by row from the\n"
    "                         lower left (max, with --fit: as many as fit the bed);\n"
    "                         --shift and --fit move the whole panel\n"
    "      --gap G            the space between copies' bounding boxes (default 0)\n"
    "      --pitch DX,DY      the step from one copy to the next instead, above zero\n";

constexpr const char *exit_text =
    "\n"
    "Exit status: 0 written, 1 IN.xy is malformed or not laid out as trace2xy writes\n"
    "a file, 2 a file could not be read or written or the arguments are wrong,\n"
    "3 the job is larger than the bed, or a position would leave the range of a\n"
    "coordinates file.\n";

enum own_option { margin_option = first_own_option, repeat_option, gap_option, pitch_option };

// The options that say where the job goes come first: each may be given once.
constexpr option own_options[] = {{"shift", required_argument, nullptr, 's'},
                                  {"rotate", required_argument, nullptr, 'r'},
                                  {"fit", required_argument, nullptr, 'f'},
                                  {"margin", required_argument, nullptr, margin_option},
                                  {"repeat", required_argument, nullptr, repeat_option},
                                  {"gap", required_argument, nullptr, gap_option},
                                  {"pitch", required_argument, nullptr, pitch_option},
                                  {"mirror", required_argument, nullptr, 'm'},
                                  {"centre", no_argument, nullptr, 'c'},
                                  {}};
constexpr length_option lengths[] = {
    {'s', length_kind::exact},           {'f', length_kind::bed},
    {margin_option, length_kind::exact}, {gap_option, length_kind::exact},
    {pitch_option, length_kind::exact},  {}};

enum once_option {
    shift_given,
    rotate_given,
    fit_given,
    margin_given,
    repeat_given,
    gap_given,
    pitch_given,
    once_options
};

constexpr companion xyplace{.usage = usage_text,
                            .exit_text = exit_text,
                            .version = "xyplace " XYPLACE_VERSION,
                            .own_short = "s:r:m:f:c",
                            .own_long = own_options,
                            .timed = false,
                            .bed_option = "--fit",
                            .lengths = lengths};

struct options {
    placement how;
    bool centred, turn_to_fit;
    bed area;
    std::int64_t margin; // hundredths
    panel copies;        // one copy unless --repeat
    bool most_copies;    // --repeat max
    bool turned;         // --rotate auto turned the job
    bool once;           // --repeat of a job without nets, whose copies would write nothing
    const char *refusal; // why nothing was written, when the job could not be placed
    std::int64_t gap;    // hundredths
    bool given[once_options];
    common_options common;
};

// Reads DX,DY into a point of hundredths.
bool read_pair(const char *text, point &pair)
{
    return read_hundredths(text, pair.x) && *text++ == ',' && read_hundredths(text, pair.y) &&
           *text == '\0';
}

// Reads CxR, each from 1 to most_copies, or max.
bool read_repeat(const char *text, options &o)
{
    o.most_copies = std::strcmp(text, "max") == 0;
    if (o.most_copies)
        return true;
    char *end;
    errno = 0;
    o.copies.columns = std::strtoll(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X') || text[0] < '0' || text[0] > '9')
        return false;
    text = end + 1;
    o.copies.rows = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && text[0] >= '0' && text[0] <= '9' && errno == 0 &&
           o.copies.columns >= 1 && o.copies.rows >= 1 && o.copies.columns <= most_copies &&
           o.copies.rows <= most_copies;
}

// Takes the value of one of the options that say how far things go into o; returns -1
// when it is sound, or the exit status to end with.
int take_distance(int code, const char *value, options &o)
{
    const char *at = value;
    if (code == 's' && !read_pair(value, o.how.shift))
        return wrong_arguments("--shift wants DX,DY, plain decimals with at most two places: '%s'",
                               value);
    if (code == margin_option && (!read_hundredths(at, o.margin) || *at != '\0' || o.margin < 0))
        return wrong_arguments("--margin wants a plain decimal at or above zero with at most "
                               "two places: '%s'",
                               value);
    if (code == gap_option && (!read_hundredths(at, o.gap) || *at != '\0' || o.gap < 0))
        return wrong_arguments("--gap wants a plain decimal at or above zero with at most two "
                               "places: '%s'",
                               value);
    if (code == pitch_option &&
        (!read_pair(value, o.copies.step) || o.copies.step.x <= 0 || o.copies.step.y <= 0))
        return wrong_arguments("--pitch wants DX,DY above zero, plain decimals with at most two "
                               "places: '%s'",
                               value);
    if (code == repeat_option && !read_repeat(value, o))
        return wrong_arguments("--repeat wants CxR, whole numbers from 1 to %lld, or max: '%s'",
                               static_cast<long long>(most_copies), value);
    return -1;
}

// Takes the value of one of xyplace's own options into o. Returns -1 when it is sound, or
// the exit status to end with.
int take_option(int code, const char *value, options &o)
{
    // Which of two would be meant is not for xyplace to guess.
    for (int k = 0; k < once_options; ++k) {
        if (code == own_options[k].val && o.given[k])
            return wrong_arguments("--%s is given twice: give it once", own_options[k].name);
        o.given[k] = o.given[k] || code == own_options[k].val;
    }
    const std::string text = value ? value : "";
    if (code == 'r') {
        const int degrees = text == "90" ? 1 : text == "180" ? 2 : text == "270" ? 3 : 0;
        o.turn_to_fit = text == "auto";
        if (degrees == 0 && !o.turn_to_fit)
            return wrong_arguments("--rotate wants 90, 180, 270 or auto: '%s'", value);
        o.how.quarter_turns = degrees;
    }
    if (code == 'm' && text != "x" && text != "y")
        return wrong_arguments("--mirror wants x or y: '%s'", value);
    // Mirrors add up: x and y both given negate both.
    o.how.mirror_x = o.how.mirror_x || (code == 'm' && text == "x");
    o.how.mirror_y = o.how.mirror_y || (code == 'm' && text == "y");
    if (code == 'f' && !read_bed(value, o.area))
        return wrong_arguments("--fit %s: '%s'", bed_wanted, value);
    o.centred = o.centred || code == 'c';
    return take_distance(code, value, o);
}

// The option that needs another that was not given, or null.
const char *missing_partner(const options &o)
{
    const bool fitting = o.given[fit_given], repeating = o.given[repeat_given];
    return !fitting && o.turn_to_fit                    ? "--rotate auto needs --fit"
           : !fitting && o.given[margin_given]          ? "--margin needs --fit"
           : !fitting && o.centred                      ? "--centre needs --fit"
           : !fitting && o.most_copies                  ? "--repeat max needs --fit"
           : !repeating && o.given[gap_given]           ? "--gap needs --repeat"
           : !repeating && o.given[pitch_given]         ? "--pitch needs --repeat"
           : o.given[gap_given] && o.given[pitch_given] ? "--gap and --pitch both say how far "
                                                          "apart copies stand: give one"
           : o.given[shift_given] && fitting ? "--shift and --fit both say where the job goes: "
                                               "give one"
                                             : nullptr;
}

// Reads the arguments and opens the files they name; returns -1 when the run goes on, or
// the exit status to end with.
int parse_arguments(int argc, char **argv, options &o, job_files &files)
{
    o = options{};
    o.copies = {1, 1, {0, 0}};
    if (const int status = read_options(argc, argv, xyplace, o.common, take_option, o); status >= 0)
        return status;
    if (const char *missing = missing_partner(o))
        return wrong_arguments("%s", missing);
    // The profile's margin stands for --margin with --fit.
    if (const char *at = o.common.margin.c_str();
        o.given[fit_given] && !o.given[margin_given] && *at)
        read_hundredths(at, o.margin);
    if (const int status = take_job_files(argc, argv, o.common.profile.path, files); status >= 0)
        return status;
    return json_beside(files, o.common);
}

// The panel of a job of extent e as o asks for it: its copies, and where it would stand
// on the bed when it is fitted.
struct arrangement {
    panel copies;
    extent whole; // the panel, or the job alone
    bool in_range;
    fit on_bed;
};

arrangement arrange(const options &o, const extent &e)
{
    const bed room = inside_margin(o.area, o.margin);
    arrangement a{o.copies, {}, false, {}};
    if (!o.given[pitch_given])
        a.copies.step = step_with_gap(e, o.gap);
    if (o.most_copies)
        a.copies = most_on(e, room, a.copies.step);
    a.in_range = a.copies.columns > 0 && a.copies.rows > 0 && panel_extent(e, a.copies, a.whole);
    if (a.in_range && o.given[fit_given])
        a.on_bed = fit_on(a.whole, room, o.centred);
    // A panel given its shift must lie within the range once shifted too.
    point corner{a.whole.min_x, a.whole.min_y}, far{a.whole.max_x, a.whole.max_y};
    const placement shifted{false, false, 0, o.how.shift};
    a.in_range = a.in_range && (a.whole.empty || o.given[fit_given] ||
                                (place(shifted, corner) && place(shifted, far)));
    return a;
}

bool lies_on_bed(const arrangement &a)
{
    return a.in_range && a.on_bed.too_wide == 0 && a.on_bed.too_high == 0;
}

// Chooses the panel, the shift that fits it on the bed, and with --rotate auto the turn
// (the one that fits, or that fits more copies, unturned on a tie). Returns -1, or the
// exit status to end with having said why.
int arrange_job(options &o, const measured &m)
{
    if (o.most_copies && m.as_placed.empty) {
        complain("the job has no moves: nothing to repeat");
        return status_trouble;
    }
    o.once = o.given[repeat_given] && m.content.nets == 0;
    if (o.once) {
        o.copies = {1, 1, {0, 0}};
        o.most_copies = false;
    }
    arrangement chosen = arrange(o, m.as_placed);
    if (o.turn_to_fit) {
        const arrangement turned = arrange(o, m.turned);
        const auto count = [](const arrangement &a) { return a.copies.columns * a.copies.rows; };
        if (lies_on_bed(turned) && (!lies_on_bed(chosen) || count(turned) > count(chosen))) {
            chosen = turned;
            o.how.quarter_turns = (o.how.quarter_turns + 1) % 4;
            o.turned = true;
        }
    }
    const bed room = inside_margin(o.area, o.margin);
    if (o.given[fit_given] && !(lies_on_bed(chosen) && room.width >= 0 && room.height >= 0)) {
        const bool one = o.most_copies || (o.copies.columns == 1 && o.copies.rows == 1);
        const extent &e = one || !chosen.in_range ? m.as_placed : chosen.whole;
        o.refusal = "larger than the bed";
        complain("%s%s; nothing written",
                 too_large(e, o.area, o.margin, one ? "the job" : "the panel").c_str(),
                 o.turn_to_fit && room.width >= 0 && room.height >= 0 ? ", turned either way" : "");
        return status_off_bed;
    }
    if (!chosen.in_range) {
        o.refusal = "beyond the range";
        complain("the panel would reach beyond what a coordinates file holds; nothing written");
        return status_off_bed;
    }
    o.copies = chosen.copies;
    if (o.given[fit_given])
        o.how.shift = chosen.on_bed.shift;
    const point &by = o.how.shift;
    const extent &e = chosen.whole;
    const extent placed{.empty = e.empty,
                        .min_x = e.min_x + by.x,
                        .min_y = e.min_y + by.y,
                        .max_x = e.max_x + by.x,
                        .max_y = e.max_y + by.y};
    if (!panel_fits_a_file(m.content, placed, o.copies)) {
        o.refusal = "larger than a file holds";
        complain("the panel would make a coordinates file of more than 9223372036854775807 "
                 "bytes; nothing written");
        return status_off_bed;
    }
    return -1;
}

// Measures the job and chooses its panel and where on the bed it goes, leaving files.in
// to be read again from its start: the file itself, or a copy of a stream that cannot be
// read twice. Returns -1, or the exit status to end with, having said why and left the
// output as it was.
int plan_job(options &o, job_files &files)
{
    if (!(files.in = rereadable(files.in, files.name)))
        return abandon(files, status_trouble);
    coordinates_reader reader;
    xy_unit unit;
    measured m;
    if (const pass_end end = measure_job(files.in, o.how, m, reader, unit);
        end.result != read_result::finished)
        return abandon(files, report_pass(end, reader, unit, files.name, "places"));
    if (const int status = arrange_job(o, m); status >= 0)
        return abandon(files, status);
    std::rewind(files.in);
    return -1;
}

// What the placing did, for the report.
struct place_report {
    extent before, after;    // the job as read, and everything written
    extent first;            // the first copy as placed
    std::int64_t tool_downs; // of one copy
};

// Tells how many copies went on the bed, and how far neighbouring copies overlap.
void report_panel(const options &o, const extent &job)
{
    if (o.most_copies)
        complain("%lld x %lld copies fit the bed %s%s", static_cast<long long>(o.copies.columns),
                 static_cast<long long>(o.copies.rows), bed_words(o.area).c_str(),
                 o.turned ? ", turned a quarter" : "");
    if (const point over = copies_overlap(job, o.copies); over.x > 0 || over.y > 0)
        complain("neighbouring copies overlap by %s across a row and %s up a column",
                 units_text(over.x).c_str(), units_text(over.y).c_str());
}

// The placing as one JSON object on standard output: what was done, or why nothing was
// written (reason not null); returns status, or status_trouble when standard output
// failed.
int report_json(const options &o, const job_files &files, const place_report *r, const char *reason,
                int status)
{
    json_writer w;
    json_begin(w, stdout, "xyplace");
    json_string(w, "file", files.name);
    json_string(w, "output", output_name(files.output));
    json_boolean(w, "written", !reason);
    if (reason)
        json_string(w, "reason", reason);
    json_object(w, "transform");
    json_boolean(w, "mirror_x", o.how.mirror_x);
    json_boolean(w, "mirror_y", o.how.mirror_y);
    json_integer(w, "quarter_turns", o.how.quarter_turns);
    json_hundredths(w, "shift_x", o.how.shift.x);
    json_hundredths(w, "shift_y", o.how.shift.y);
    json_close(w, '}');
    if (o.given[repeat_given] && !reason) {
        json_object(w, "copies");
        json_integer(w, "columns", o.copies.columns);
        json_integer(w, "rows", o.copies.rows);
        json_hundredths(w, "step_x", o.copies.step.x);
        json_hundredths(w, "step_y", o.copies.step.y);
        json_close(w, '}');
    } else {
        json_null(w, "copies");
    }
    json_extent(w, "bounding_box_before", r ? r->before : no_extent);
    json_extent(w, "bounding_box_after", r ? r->after : no_extent);
    json_end(w);
    const int written = standard_output_written(status);
    return written == status ? status : status_trouble;
}

// Writes every copy of the job placed into w, taking what was written into r, until a
// write fails; returns -1, or the exit status to end with, having said why.
int write_copies(const options &o, job_files &files, job_writer &w, place_report &r)
{
    coordinates_reader reader;
    xy_unit unit;
    const std::int64_t copies = o.copies.columns * o.copies.rows;
    for (std::int64_t k = 0; k < copies && !w.block.failed; ++k) {
        placement how = o.how;
        const point by = copy_shift(o.copies, k);
        how.shift = {how.shift.x + by.x, how.shift.y + by.y};
        job_extents boxes{no_extent, no_extent, 0};
        if (k > 0)
            std::rewind(files.in);
        if (const pass_end end = append_job(w, files.in, how, false, reader, unit, boxes);
            end.result != read_result::finished && !end.write_failed) {
            const int status = report_pass(end, reader, unit, files.name, "places");
            if (o.common.json && status == status_off_bed)
                report_json(o, files, nullptr, "beyond the range", status);
            return status;
        }
        if (k == 0) {
            r.before = boxes.as_read;
            r.first = boxes.placed;
            r.tool_downs = boxes.tool_downs;
        }
        if (!boxes.placed.empty) {
            take_in(r.after, {boxes.placed.min_x, boxes.placed.min_y});
            take_in(r.after, {boxes.placed.max_x, boxes.placed.max_y});
        }
    }
    return -1;
}

// Writes the job placed and puts the output in place; returns the exit status.
int place_job(const options &o, job_files &files)
{
    auto writer = std::make_unique<job_writer>();
    start_jobs(*writer, files.out.out);
    place_report r{no_extent, no_extent, no_extent, 0};
    if (const int status = write_copies(o, files, *writer, r); status >= 0)
        return abandon(files, status);
    const int status = finish_output(files, finish_jobs(*writer));
    if (status != EXIT_SUCCESS)
        return status;
    if (o.once)
        complain("warning: the job has no nets, so its copies would draw nothing: written once");
    warn_when_nothing_drawn(r.tool_downs);
    if (o.common.quiet)
        return status;
    if (o.common.json)
        return report_json(o, files, &r, nullptr, status);
    if (o.given[repeat_given] && !o.once)
        report_panel(o, r.first);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    job_files files;
    if (const int status = parse_arguments(argc, argv, o, files); status >= 0)
        return status;
    const bool planned = o.given[fit_given] || o.given[repeat_given];
    if (const int status = planned ? plan_job(o, files) : -1; status >= 0) {
        if (o.common.json && status == status_off_bed)
            report_json(o, files, nullptr, o.refusal, status);
        return status;
    }
    return place_job(o, files);
}
