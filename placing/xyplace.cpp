// xyplace: puts a plotter job on its bed. Mirrors, turns and shifts every position of an
// xy coordinates file exactly, or fits the job's bounding box on a bed, and writes the
// file that trace2xy would write from the records so placed: only move lines change.
#include "bed.h"
#include "coordinates_reader.h"
#include "front_end.h"
#include "output_file.h"
#include "placement.h"
#include "standard_descriptors.h"
#include "whole_file.h"
#include "xy_layout.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace {

constexpr int status_off_bed = 3;

constexpr const char *usage_text =
    "usage: xyplace [-q] [-s DX,DY] [-r 90|180|270|auto] [-m x|y] [-f WxH[+X+Y]\n"
    "               [--margin M] [-c]] IN.xy OUT.xy   (- for standard input or output)\n"
    "\n"
    "Puts the plotter job in the coordinates file IN.xy on the plotter's bed and writes it\n"
    "to OUT.xy: every position mirrored, then turned by quarter turns counter-clockwise\n"
    "about the origin, then shifted, exactly, in hundredths; everything but the move lines\n"
    "kept byte for byte (a position read as -0.00 is written 0.00). OUT.xy is written whole\n"
    "or not at all.\n"
    "\n"
    "  -m, --mirror x|y       negate x, or y (given for both, both)\n"
    "  -r, --rotate 90|180|270|auto\n"
    "                         turn counter-clockwise by so many degrees; auto, with --fit,\n"
    "                         turns a quarter when the job fits the bed only so\n"
    "  -s, --shift DX,DY      move by DX, DY output units, plain decimals with at most two\n"
    "                         places\n"
    "  -f, --fit WxH[+X+Y]    shift the job onto the bed W wide and H high with its\n"
    "                         lower-left corner at (X, Y), (0, 0) if not given: the job's\n"
    "                         lower-left corner on the bed's\n"
    "      --margin M         keep M output units inside the bed's edges\n"
    "  -c, --centre           put the job's middle on the bed's middle\n";

constexpr const char *exit_text =
    "\n"
    "Exit status: 0 written, 1 IN.xy is malformed or not laid out as trace2xy writes a\n"
    "file, 2 a file could not be read or written or the arguments are wrong, 3 the job is\n"
    "larger than the bed, or a position would leave the range of a coordinates file.\n";

constexpr int margin_option = first_own_option;

// The options that say where the job goes come first: each may be given once.
constexpr option own_options[] = {{"shift", required_argument, nullptr, 's'},
                                  {"rotate", required_argument, nullptr, 'r'},
                                  {"fit", required_argument, nullptr, 'f'},
                                  {"margin", required_argument, nullptr, margin_option},
                                  {"mirror", required_argument, nullptr, 'm'},
                                  {"centre", no_argument, nullptr, 'c'},
                                  {}};
enum once_option { shift_given, rotate_given, fit_given, margin_given, once_options };

constexpr companion xyplace{usage_text,  exit_text,   "xyplace " XYPLACE_VERSION,
                            "s:r:m:f:c", own_options, false};

struct options {
    placement how;
    bool centred, turn_to_fit;
    bed area;
    std::int64_t margin;      // hundredths
    bool given[once_options]; // which of the options given once were
    common_options common;
};

// Reads DX,DY into the placement's shift.
bool read_shift(const char *text, point &shift)
{
    return read_hundredths(text, shift.x) && *text++ == ',' && read_hundredths(text, shift.y) &&
           *text == '\0';
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
    if (code == 's' && !read_shift(value, o.how.shift))
        return wrong_arguments("--shift wants DX,DY, plain decimals with at most two places: '%s'",
                               value);
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
    const char *at = value;
    if (code == margin_option && (!read_hundredths(at, o.margin) || *at != '\0' || o.margin < 0))
        return wrong_arguments("--margin wants a plain decimal at or above zero with at most "
                               "two places: '%s'",
                               value);
    o.centred = o.centred || code == 'c';
    return -1;
}

// Reads the arguments and opens the files they name; returns -1 when the run goes on, or
// the exit status to end with.
int parse_arguments(int argc, char **argv, options &o, job_files &files)
{
    o = options{};
    if (const int status = read_options(argc, argv, xyplace, o.common, take_option, o); status >= 0)
        return status;
    if (o.given[shift_given] && o.given[fit_given])
        return wrong_arguments("--shift and --fit both say where the job goes: give one");
    if (!o.given[fit_given] && (o.given[margin_given] || o.centred || o.turn_to_fit))
        return wrong_arguments("%s needs --fit", o.turn_to_fit           ? "--rotate auto"
                                                 : o.given[margin_given] ? "--margin"
                                                                         : "--centre");
    return take_job_files(argc, argv, files);
}

// A copy of in in a temporary file, read from its start, for a second pass over a
// stream that cannot be read twice; null, with errno, when it could not be made.
std::FILE *spooled(std::FILE *in)
{
    std::FILE *copy = std::tmpfile();
    char block[1 << 16];
    for (std::size_t got; copy && (got = std::fread(block, 1, sizeof block, in)) > 0;)
        if (std::fwrite(block, 1, got, copy) != got) {
            std::fclose(copy);
            return nullptr;
        }
    if (!copy || std::ferror(in) || std::fflush(copy) != 0 || std::fseek(copy, 0, SEEK_SET) != 0) {
        if (copy)
            std::fclose(copy);
        return nullptr;
    }
    return copy;
}

// How a pass over the file ended: finished for a sound file, else what stopped it.
struct pass_end {
    read_result result; // unit when the unit read stopped the pass, as said below
    bool misplaced;     // it stands where trace2xy writes none
};

// Reads every unit from the start of in, checking that each stands where trace2xy would
// write it, and hands each to take, which returns false to stop the pass there.
template <typename Take>
pass_end walk(std::FILE *in, coordinates_reader &r, xy_unit &unit, Take take)
{
    start_reading(r, in);
    layout state = layout::start;
    read_result result;
    while ((result = read_unit(r, unit)) == read_result::unit) {
        if ((state = next_layout(state, unit.kind)) == layout::misplaced)
            return {result, true};
        if (!take(unit))
            return {result, false};
    }
    return {result, false};
}

// Says on standard error why a pass did not finish; returns the exit status for it.
int report_pass(const pass_end &end, coordinates_reader &r, const xy_unit &unit, const char *name)
{
    if (end.result != read_result::unit)
        return report_unread(end.result, r, name);
    if (end.misplaced)
        return report_misplaced("places", r, unit, name);
    complain("%s:%ld: the move to %s would be placed beyond what a coordinates file "
             "holds; nothing written",
             name, r.unit_line, std::string(r.line + move_start.size()).c_str());
    return status_off_bed;
}

// The job's extent as o's mirror and turns place it, and turned a quarter more, for a
// choice of turn.
struct measured {
    extent as_placed, turned;
};

pass_end measure(std::FILE *in, const options &o, measured &m, coordinates_reader &r, xy_unit &unit)
{
    placement turn_only = o.how, turned = o.how;
    turn_only.shift = turned.shift = {0, 0};
    turned.quarter_turns = (o.how.quarter_turns + 1) % 4;
    m = measured{{true, 0, 0, 0, 0}, {true, 0, 0, 0, 0}};
    return walk(in, r, unit, [&](const xy_unit &u) {
        point a{u.x, u.y}, b{u.x, u.y};
        // A point that cannot be placed stops the pass, to be reported, unmeasured.
        if (u.kind == unit_kind::move && !(place(turn_only, a) && place(turned, b)))
            return false;
        if (u.kind == unit_kind::move) {
            take_in(m.as_placed, a);
            take_in(m.turned, b);
        }
        return true;
    });
}

// Chooses the shift, and with --rotate auto the turn, that fits the job on the bed.
// Returns false, having said by how much the job is too large, when it fits no way.
bool choose_fit(options &o, const measured &m)
{
    const bed room = inside_margin(o.area, o.margin);
    fit placed = fit_on(m.as_placed, room, o.centred);
    if ((placed.too_wide > 0 || placed.too_high > 0) && o.turn_to_fit) {
        if (const fit turned = fit_on(m.turned, room, o.centred);
            turned.too_wide == 0 && turned.too_high == 0) {
            placed = turned;
            o.how.quarter_turns = (o.how.quarter_turns + 1) % 4;
        }
    }
    const bool room_left = room.width >= 0 && room.height >= 0;
    if (placed.too_wide == 0 && placed.too_high == 0 && room_left) {
        o.how.shift = placed.shift;
        return true;
    }
    complain("%s%s; nothing written", too_large(m.as_placed, o.area, o.margin).c_str(),
             o.turn_to_fit && room_left ? ", turned either way" : "");
    return false;
}

// Writes the job from in to out: each move placed as o says, everything else as trace2xy
// writes it, which for a sound file is as read. The tool lines follow from the layout.
pass_end write_job(std::FILE *in, const options &o, std::FILE *out, coordinates_reader &r,
                   xy_unit &unit, bool &written)
{
    auto block = std::make_unique<xy_block>();
    start_block(*block, out);
    tool_state tool{0, 0};
    constexpr std::size_t unit_room = xy_line_size + net_room;
    const pass_end end = walk(in, r, unit, [&](const xy_unit &u) {
        char *const to = block_room(*block, unit_room);
        point at{u.x, u.y};
        if (u.kind == unit_kind::move && place(o.how, at))
            block_used(*block, put_move(to, tool, at.x, at.x < 0, at.y, at.y < 0));
        else if (u.kind == unit_kind::move)
            return false;
        else if (u.kind == unit_kind::net)
            block_used(*block, put_net(to, tool, u.record, u.record_length));
        else if (u.kind == unit_kind::trailer)
            block_used(*block, put_trailer(to));
        return true;
    });
    // A file cut short is not handed on further, so that it never ends in a trailer.
    written = end.result == read_result::finished && finish_block(*block);
    return end;
}

// Whether in is a regular file, which a second pass can read again from its start.
bool rereadable(std::FILE *in)
{
    struct stat s;
    return fstat(fileno(in), &s) == 0 && S_ISREG(s.st_mode);
}

// Measures the job and chooses where on the bed it goes (and with --rotate auto, its
// turn), leaving files.in to be read again from its start: the file itself, or a copy of
// a stream that cannot be read twice. Returns -1, or the exit status to end with, having
// said why and left the output as it was.
int fit_job(options &o, job_files &files)
{
    if (!rereadable(files.in) && !(files.in = spooled(files.in))) {
        complain("%s: %s", files.name, std::strerror(errno));
        return abandon(files, status_trouble);
    }
    coordinates_reader reader;
    xy_unit unit;
    measured m;
    if (const pass_end end = measure(files.in, o, m, reader, unit);
        end.result != read_result::finished)
        return abandon(files, report_pass(end, reader, unit, files.name));
    if (!choose_fit(o, m))
        return abandon(files, status_off_bed);
    std::rewind(files.in);
    return -1;
}

// Writes the job placed, and puts it in place; returns the exit status.
int place_job(const options &o, job_files &files)
{
    coordinates_reader reader;
    xy_unit unit;
    bool written;
    if (const pass_end end = write_job(files.in, o, files.out.out, reader, unit, written);
        end.result != read_result::finished)
        return abandon(files, report_pass(end, reader, unit, files.name));
    return finish_output(files, written);
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    job_files files;
    if (const int status = parse_arguments(argc, argv, o, files); status >= 0)
        return status;
    if (const int status = o.given[fit_given] ? fit_job(o, files) : -1; status >= 0)
        return status;
    return place_job(o, files);
}
