// SVG output. Coordinates are written in output units with the y axis negated, so that
// the picture shows y up as the plotter table does, and every polyline holds one whole
// run of moves, which keeps pictures of large jobs small enough for a browser. The
// picture is scaled to fit a browser window whatever the job's size and shape.
#include "svg_picture.h"

#include "net_colours.h"
#include "picture_frame.h"

#include "plotter.h"
#include "xy_layout.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

static_assert(palette_size <= 10, "a colour's number is written as one digit");

// A net group's colour is not known while its strokes are written, so the group opens
// with these marks in its place, and with a mark for the number of its colour where its
// arrowheads are named; control characters appear nowhere else in the picture, since
// net names are written with them replaced.
constexpr char colour_mark = '\x01', colour_number_mark = '\x02';
constexpr char colour_marks[] = "\x01\x01\x01\x01\x01\x01\x01";
static_assert(sizeof colour_marks == colour_length + 1);

// Writes the point in output units, y negated as the picture's coordinates have it.
void put_point(std::FILE *f, std::int64_t x, std::int64_t y)
{
    char text[48];
    char *end = put_units(text, x, x < 0);
    *end++ = ',';
    end = put_units(end, -y, y > 0);
    std::fwrite(text, 1, static_cast<std::size_t>(end - text), f);
}

// The length of the UTF-8 sequence at c of a character that XML allows, or 0 when the
// bytes there are no such sequence.
std::size_t utf8_length(const unsigned char *c)
{
    const auto follows = [](unsigned char b) { return (b & 0xC0) == 0x80; };
    if (c[0] >= 0xC2 && c[0] <= 0xDF)
        return follows(c[1]) ? 2 : 0;
    if (c[0] >= 0xE0 && c[0] <= 0xEF) {
        // Not too short a form, no surrogate, and neither U+FFFE nor U+FFFF.
        const unsigned char low = c[0] == 0xE0 ? 0xA0 : 0x80, high = c[0] == 0xED ? 0x9F : 0xBF;
        const bool allowed = c[0] != 0xEF || c[1] != 0xBF || (c[2] != 0xBE && c[2] != 0xBF);
        return c[1] >= low && c[1] <= high && follows(c[2]) && allowed ? 3 : 0;
    }
    if (c[0] >= 0xF0 && c[0] <= 0xF4) {
        const unsigned char low = c[0] == 0xF0 ? 0x90 : 0x80, high = c[0] == 0xF4 ? 0x8F : 0xBF;
        return c[1] >= low && c[1] <= high && follows(c[2]) && follows(c[3]) ? 4 : 0;
    }
    return 0;
}

// Writes text as XML character data. Characters in UTF-8 pass as they are; other bytes
// above ASCII are taken as Latin-1 characters, and control characters, which XML does
// not allow, become question marks.
void put_xml_text(std::FILE *f, const char *text)
{
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
        switch (*c) {
        case '&': std::fputs("&amp;", f); break;
        case '<': std::fputs("&lt;", f); break;
        case '>': std::fputs("&gt;", f); break;
        default:
            if (const std::size_t length = *c >= 0x80 ? utf8_length(c) : 0; length > 0) {
                std::fwrite(c, 1, length, f);
                c += length - 1;
            } else if (*c >= 0x80) {
                std::fprintf(f, "&#x%02X;", *c);
            } else if (*c < 0x20 && *c != '\t') {
                std::fputc('?', f);
            } else {
                std::fputc(*c, f);
            }
        }
    }
}

void close_stroke(svg_picture &p)
{
    if (p.stroke_open)
        std::fputs("\"/>\n", p.strokes);
    p.stroke_open = false;
}

// Extends the open polyline of f when the move starts where it ends, or opens a new one.
// Returns whether it opened one.
bool extend(std::FILE *f, bool &open, std::int64_t &last_x, std::int64_t &last_y, std::int64_t x0,
            std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const bool opening = !open || last_x != x0 || last_y != y0;
    if (opening) {
        if (open)
            std::fputs("\"/>\n", f);
        std::fputs("<polyline points=\"", f);
        put_point(f, x0, y0);
        open = true;
    }
    std::fputc(' ', f);
    put_point(f, x1, y1);
    last_x = x1;
    last_y = y1;
    return opening;
}

// Keeps the reason of the first failed write to a temporary file, while errno still
// holds it.
void note_failure(svg_picture &p)
{
    if (p.temporary_error == 0 && (std::ferror(p.strokes) || std::ferror(p.idle)))
        p.temporary_error = errno ? errno : EIO;
}

// Copies all of from to out. With colours, the marks are replaced in order: the first
// colour_length colour marks by the first net's colour, and so on, and a colour number
// mark by the number of the colour of the net whose colour came last.
bool copy_all(std::FILE *from, std::FILE *to, const unsigned char *colours = nullptr)
{
    std::rewind(from);
    char block[1 << 16];
    std::size_t marks = 0;
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, from)) > 0;) {
        for (std::size_t i = 0; colours && i < got; ++i) {
            if (block[i] == colour_mark) {
                block[i] = palette[colours[marks / colour_length]][marks % colour_length];
                ++marks;
            } else if (block[i] == colour_number_mark) {
                block[i] = static_cast<char>('0' + colours[(marks - 1) / colour_length]);
            }
        }
        if (std::fwrite(block, 1, got, to) != got)
            return false;
    }
    return !std::ferror(from);
}

// Arrowheads for the ends of strokes, one in each colour of the palette, about eight
// pixels long whatever the strokes' width.
void put_arrowheads(std::FILE *out, double stroke_px)
{
    std::fputs("<defs>", out);
    for (std::size_t k = 0; k < palette_size; ++k)
        std::fprintf(out,
                     "<marker id=\"arrow%zu\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" "
                     "markerWidth=\"%.3g\" markerHeight=\"%.3g\" orient=\"auto\"><path "
                     "d=\"M0 1L10 5L0 9z\" fill=\"%s\"/></marker>",
                     k, 8 / stroke_px, 8 / stroke_px, palette[k]);
    std::fputs("</defs>\n", out);
}

} // namespace

bool start_picture(svg_picture &p, bool travel, bool direction)
{
    p = svg_picture{};
    p.travel = travel;
    p.direction = direction;
    p.strokes = std::tmpfile();
    p.idle = std::tmpfile();
    if (p.strokes && p.idle)
        return true;
    discard_picture(p);
    return false;
}

namespace {

// Starts the group for a new net, named by name.
void start_group(svg_picture &p, const char *name)
{
    close_stroke(p);
    if (p.group_open)
        std::fputs("</g>\n", p.strokes);
    std::fprintf(p.strokes, "<g stroke=\"%s\"", colour_marks);
    if (p.direction)
        std::fprintf(p.strokes, " marker-end=\"url(#arrow%c)\"", colour_number_mark);
    std::fputs("><title>", p.strokes);
    put_xml_text(p.strokes, name);
    std::fputs("</title>\n", p.strokes);
    p.nets.push_back(net_box{});
    p.group_open = true;
}

void draw_move(svg_picture &p, bool pen_down, std::int64_t x0, std::int64_t y0, std::int64_t x1,
               std::int64_t y1)
{
    if (!pen_down) {
        if (p.travel)
            extend(p.idle, p.idle_open, p.idle_x, p.idle_y, x0, y0, x1, y1);
        return;
    }
    if (!p.group_open)
        start_group(p, "(moves before the first net)");
    p.stroke_count += extend(p.strokes, p.stroke_open, p.stroke_x, p.stroke_y, x0, y0, x1, y1);
    net_box &box = p.nets.back();
    if (!box.drawn)
        box = {true, x0, y0, x0, y0};
    box.min_x = std::min({box.min_x, x0, x1});
    box.max_x = std::max({box.max_x, x0, x1});
    box.min_y = std::min({box.min_y, y0, y1});
    box.max_y = std::max({box.max_y, y0, y1});
}

} // namespace

void picture_unit(svg_picture &p, const plotter &tool, const xy_unit &unit)
{
    if (unit.kind == unit_kind::move && tool.has_position)
        draw_move(p, tool.tool_down, tool.x, tool.y, unit.x, unit.y);
    else if (unit.kind == unit_kind::net)
        start_group(p, unit.net);
    else if (unit.kind == unit_kind::tool_down || unit.kind == unit_kind::tool_up)
        close_stroke(p);
    note_failure(p);
}

namespace {

// Ends what is open in the temporary files and judges them, before rewinding clears a
// stream's error. Returns false, having discarded them, when a write to them failed.
bool close_temporaries(svg_picture &p)
{
    close_stroke(p);
    if (p.group_open)
        std::fputs("</g>\n", p.strokes);
    if (p.idle_open)
        std::fputs("\"/>\n", p.idle);
    std::fflush(p.strokes);
    std::fflush(p.idle);
    note_failure(p);
    if (p.temporary_error == 0)
        return true;
    discard_picture(p);
    return false;
}

// The job in output units, idle travel under the strokes, drawn again in red where it
// lies off the bed. Returns false when a temporary file could not be read or out written.
bool put_job(std::FILE *out, svg_picture &p, const view &v, double stroke_px, bool off_bed)
{
    const std::vector<unsigned char> colours = net_colours(p.nets);
    std::fprintf(out,
                 "<g transform=\"translate(%.6g %.6g) scale(%.6g)\">\n<g id=\"job\">\n"
                 "<g fill=\"none\" stroke=\"#808080\" stroke-width=\"%.6g\" "
                 "stroke-dasharray=\"%.6g %.6g\">\n<title>idle travel</title>\n",
                 v.x(0), v.y(0), v.scale, 1 / v.scale, 6 / v.scale, 4 / v.scale);
    bool written = copy_all(p.idle, out);
    std::fprintf(out,
                 "</g>\n<g fill=\"none\" stroke-width=\"%.6g\" stroke-linecap=\"round\" "
                 "stroke-linejoin=\"round\">\n",
                 stroke_px / v.scale);
    written = copy_all(p.strokes, out, colours.data()) && written;
    std::fputs("</g>\n</g>\n", out);
    if (off_bed)
        std::fputs("<use xlink:href=\"#job\" clip-path=\"url(#off-bed)\" "
                   "filter=\"url(#in-red)\"><title>off the bed</title></use>\n",
                   out);
    std::fputs("</g>\n", out);
    return written;
}

} // namespace

bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &bed, std::FILE *out)
{
    if (!close_temporaries(p))
        return false;
    const view v = view_of(job.box, bed);
    // Strokes stay apart on a dense board: the more there are, the thinner, down to a
    // pixel.
    const double stroke_px = std::clamp(
        2.5 * std::sqrt(2000.0 / static_cast<double>(std::max(p.stroke_count, 1L))), 1.0, 2.5);
    const bool off_bed = bed.given && !on_bed(overhang_of(job.box, bed.area));
    put_header(out, v, job);
    if (off_bed)
        put_off_bed_clip(out, v, bed, stroke_px);
    if (p.direction)
        put_arrowheads(out, stroke_px);
    put_bed(out, v, bed, false);
    put_bounding_box(out, v, job.box);
    put_axes(out, v);
    const bool written = put_job(out, p, v, stroke_px, off_bed);
    put_bed(out, v, bed, true);
    put_marks(out, v, job);
    std::fputs("</svg>\n", out);
    discard_picture(p);
    return written && std::fflush(out) == 0 && !std::ferror(out);
}

void discard_picture(svg_picture &p)
{
    if (p.strokes)
        std::fclose(p.strokes);
    if (p.idle)
        std::fclose(p.idle);
    p.strokes = nullptr;
    p.idle = nullptr;
}
