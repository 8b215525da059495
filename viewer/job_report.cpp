// Every figure is printed as the job summed it: counts whole, lengths and positions to
// the hundredth, times to the tenth of a second.
#include "job_report.h"

#include "diagnostics.h"
#include "json_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr const char *side_names[] = {"left", "right", "bottom", "top"};

double total(const plotting_time &t)
{
    return t.drawing + t.travel + t.tool;
}

// n things, as "1 net" or "2 nets".
std::string counted(long n, const char *thing)
{
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string duration(double seconds)
{
    char text[32];
    format_duration(seconds, text);
    return text;
}

// The bed's verdict in a few words: "fits", or the sides the job crosses.
std::string verdict(const bed_standing &s)
{
    return s.crossed.empty() ? "fits"
                             : "crosses its " + s.crossed +
                                   (s.crossed.find(' ') == std::string::npos ? " side" : " sides");
}

// Stands in a value for a blank at which the line must not be broken, as inside a command.
constexpr char unbroken_blank = '\x1f';

// Whether a value may be carried on to the next line at the blank at, before a word: not
// before a number or a sign, nor the "x" between two numbers.
bool breaks_at(const std::string &value, std::size_t at)
{
    const char next = at + 1 < value.size() ? value[at + 1] : '\0';
    return value[at] == ' ' && std::isalpha(static_cast<unsigned char>(next)) &&
           !(next == 'x' && at + 2 < value.size() && value[at + 2] == ' ');
}

// Writes a line of the summary: its label in a column of its own, then its value, carried
// on to lines indented as the values are wherever it would pass 80 columns.
void print_line(std::FILE *to, const char *label, const std::string &value)
{
    constexpr std::size_t indent = 18, room = 80 - indent;
    std::string text = std::string(label).append(indent - std::strlen(label), ' ');
    std::size_t at = 0;
    while (value.size() - at > room) {
        std::size_t cut = at + room;
        while (cut > at && !breaks_at(value, cut))
            --cut;
        if (cut == at)
            break;
        text.append(value, at, cut - at).append("\n").append(indent, ' ');
        at = cut + 1;
    }
    text.append(value, at).append("\n");
    std::replace(text.begin(), text.end(), unbroken_blank, ' ');
    std::fputs(text.c_str(), to);
}

// A length in output units, and with the unit known, in millimetres too.
std::string length_text(double units, double unit_mm)
{
    char text[96];
    std::snprintf(text, sizeof text, unit_mm > 0 ? "%.2f (%.1f mm)" : "%.2f", units,
                  units * unit_mm);
    return text;
}

void print_time(std::FILE *to, const plotting_time &time)
{
    print_line(to, "plotting time",
               duration(total(time)) + " (drawing " + duration(time.drawing) + ", travel " +
                   duration(time.travel) + ", tool " + duration(time.tool) + ")");
}

void print_bed(std::FILE *to, const job_report &r)
{
    const bed &b = r.area;
    const bed_standing s = standing_of(r.job, b);
    std::string where = units_text(b.width) + " x " + units_text(b.height) + " at (" +
                        units_text(b.x) + ", " + units_text(b.y) + "): ";
    if (s.crossed.empty()) {
        where += "fits";
    } else {
        // The command is copied as it stands: it is never broken.
        std::string remedy = s.remedy;
        std::replace(remedy.end() - static_cast<long>(s.command.size()), remedy.end(), ' ',
                     unbroken_blank);
        where += "the job " + verdict(s) + "; " + remedy;
    }
    print_line(to, "bed", where);
}

void json_bed(json_writer &w, const job_report &r)
{
    if (!r.has_bed) {
        json_null(w, "bed");
        return;
    }
    const bed_standing s = standing_of(r.job, r.area);
    json_object(w, "bed");
    json_hundredths(w, "width", r.area.width);
    json_hundredths(w, "height", r.area.height);
    json_hundredths(w, "x", r.area.x);
    json_hundredths(w, "y", r.area.y);
    json_boolean(w, "fits", s.crossed.empty());
    json_object(w, "overhang");
    for (int side = 0; side < 4; ++side)
        json_hundredths(w, side_names[side], overhang_on(s.over, side));
    json_close(w, '}');
    if (s.command.empty())
        json_null(w, "command");
    else
        json_string(w, "command", s.command);
    json_close(w, '}');
}

// The profile and the unit, and the lengths and the size in millimetres.
void json_real_sizes(json_writer &w, const job_report &r)
{
    if (r.profile.empty())
        json_null(w, "profile");
    else
        json_string(w, "profile", r.profile);
    if (r.unit_mm <= 0) {
        json_null(w, "unit_mm");
        return;
    }
    json_number(w, "unit_mm", r.unit_mm, 4);
    json_number(w, "pen_down_length_mm", r.job.pen_down_length * r.unit_mm, 1);
    json_number(w, "idle_travel_mm", r.job.idle_length * r.unit_mm, 1);
    const extent &box = r.job.box;
    for (const bool across : {true, false}) {
        const char *const key = across ? "width_mm" : "height_mm";
        if (box.empty)
            json_null(w, key);
        else
            json_number(
                w, key,
                static_cast<double>(across ? box.max_x - box.min_x : box.max_y - box.min_y) / 100 *
                    r.unit_mm,
                1);
    }
}

} // namespace

bed_standing standing_of(const job_summary &job, const bed &b)
{
    bed_standing s{overhang_of(job.box, b), {}, {}, {}};
    const int crossed =
        (s.over.left > 0) + (s.over.right > 0) + (s.over.bottom > 0) + (s.over.top > 0);
    for (int side = 0, told = 0; side < 4; ++side)
        if (overhang_on(s.over, side) > 0)
            s.crossed.append(told++ == 0       ? ""
                             : told == crossed ? " and "
                                               : ", ")
                .append(side_names[side]);
    if (crossed == 0)
        return s;
    const std::int64_t width = job.box.max_x - job.box.min_x;
    const std::int64_t height = job.box.max_y - job.box.min_y;
    if (width <= b.width && height <= b.height) {
        const std::string dx = units_text(s.over.left - s.over.right),
                          dy = units_text(s.over.bottom - s.over.top);
        s.command = "xyplace --shift " + dx + "," + dy;
        s.remedy = "move it by " + dx + ", " + dy + " to fit: " + s.command;
    } else if (height <= b.width && width <= b.height) {
        s.command = "xyplace --fit " + bed_argument(b) + " --rotate auto";
        s.remedy = "turned a quarter it fits: " + s.command;
    } else {
        s.remedy = "it cannot fit: " + too_large(job.box, b, 0) + ", turned either way";
    }
    return s;
}

void print_summary(std::FILE *to, const job_report &r)
{
    const job_summary &job = r.job;
    std::fprintf(to, "coordinates file  %s\n", shown_name(r.name).c_str());
    if (!r.profile.empty())
        print_line(to, "profile", shown_name(r.profile));
    std::fprintf(to,
                 "nets              %ld\n"
                 "moves             %ld\n"
                 "tool downs        %ld\n"
                 "holes             %ld\n",
                 job.nets, job.moves, job.tool_downs, job.holes);
    print_line(to, "pen-down length", length_text(job.pen_down_length, r.unit_mm));
    print_line(to, "idle travel", length_text(job.idle_length, r.unit_mm));
    if (r.timed)
        print_time(to, r.time);
    const extent &box = job.box;
    if (box.empty) {
        print_line(to, "bounding box", "none: no moves");
    } else {
        print_line(to, "bounding box",
                   "x " + units_text(box.min_x) + " to " + units_text(box.max_x) + ", y " +
                       units_text(box.min_y) + " to " + units_text(box.max_y));
        std::string size =
            units_text(box.max_x - box.min_x) + " x " + units_text(box.max_y - box.min_y);
        char mm[64];
        std::snprintf(mm, sizeof mm, " (%.1f x %.1f mm)",
                      static_cast<double>(box.max_x - box.min_x) / 100 * r.unit_mm,
                      static_cast<double>(box.max_y - box.min_y) / 100 * r.unit_mm);
        print_line(to, "size", size + (r.unit_mm > 0 ? mm : ""));
    }
    if (r.has_bed)
        print_bed(to, r);
    if (r.done > 0) {
        char figures[160];
        std::snprintf(figures, sizeof figures, ": %s, pen-down length %.2f, idle travel %.2f",
                      counted(r.left.nets, "net").c_str(), r.left.pen_down_length,
                      r.left.idle_length);
        const std::string nets = r.done == job.nets ? "net " + std::to_string(job.nets)
                                                    : "nets " + std::to_string(r.done) + " to " +
                                                          std::to_string(job.nets);
        print_line(to, "left to plot",
                   nets + figures +
                       (r.timed ? ", plotting time " + duration(total(r.left_time)) : ""));
    }
}

void print_json(std::FILE *to, const job_report &r)
{
    json_writer w;
    json_begin(w, to, "xyview");
    json_string(w, "file", r.name);
    json_integer(w, "nets", r.job.nets);
    json_integer(w, "moves", r.job.moves);
    json_integer(w, "tool_downs", r.job.tool_downs);
    json_integer(w, "holes", r.job.holes);
    json_number(w, "pen_down_length", r.job.pen_down_length, 2);
    json_number(w, "idle_travel", r.job.idle_length, 2);
    if (r.timed) {
        json_time(w, "plotting_time", r.time);
    } else {
        json_null(w, "plotting_time");
    }
    json_extent(w, "bounding_box", r.job.box);
    json_bed(w, r);
    if (r.done > 0) {
        json_object(w, "left");
        json_integer(w, "from_net", r.done);
        json_integer(w, "nets", r.left.nets);
        json_integer(w, "moves", r.left.moves);
        json_number(w, "pen_down_length", r.left.pen_down_length, 2);
        json_number(w, "idle_travel", r.left.idle_length, 2);
        if (r.timed)
            json_time(w, "plotting_time", r.left_time);
        else
            json_null(w, "plotting_time");
        json_close(w, '}');
    }
    if (!r.profile.empty() || r.unit_mm > 0)
        json_real_sizes(w, r);
    json_end(w);
}

picture_caption caption_of(const job_report &r)
{
    char figures[256];
    std::snprintf(figures, sizeof figures, "%s, %s, pen-down length %.2f, idle travel %.2f",
                  counted(r.job.nets, "net").c_str(), counted(r.job.holes, "hole").c_str(),
                  r.job.pen_down_length, r.job.idle_length);
    std::string line = figures;
    if (r.timed)
        line += ", plotting time " + duration(total(r.time));
    if (r.has_bed)
        line += ", bed " + bed_words(r.area) + ": " + verdict(standing_of(r.job, r.area));
    return {r.name, line};
}
