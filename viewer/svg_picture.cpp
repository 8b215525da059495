// SVG output. Coordinates are written in output units with the y axis negated, so that
// the picture shows y up as the plotter table does, and every polyline holds one whole
// run of moves, which keeps pictures of large jobs small enough for a browser. The
// picture is scaled to fit a browser window whatever the job's size and shape.
#include "svg_picture.h"

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

// Strong colours, each clearly unlike every other, on white and beside the grey of idle
// travel; none is the green of the start and end marks or the red of what lies off the
// bed. Each is written as seven characters.
constexpr const char *palette[] = {"#1f77b4", "#ff7f0e", "#9467bd", "#8c564b",
                                   "#e377c2", "#17becf", "#bcbd22", "#000000"};
constexpr std::size_t palette_size = std::size(palette);
constexpr std::size_t colour_length = 7;
static_assert(palette_size <= 10, "a colour's number is written as one digit");

// A net group's colour is not known while its strokes are written, so the group opens
// with these marks in its place, and with a mark for the number of its colour where its
// arrowheads are named; control characters appear nowhere else in the picture, since
// net names are written with them replaced.
constexpr char colour_mark = '\x01', colour_number_mark = '\x02';
constexpr char colour_marks[] = "\x01\x01\x01\x01\x01\x01\x01";
static_assert(sizeof colour_marks == colour_length + 1);

// The largest the plotting area grows, in pixels: with the axes around it, the picture
// fits a browser window of 1,100 by 800.
constexpr double plot_width_px = 910, plot_height_px = 700;
constexpr double margin_left_px = 70, margin_right_px = 20, margin_top_px = 20,
                 margin_bottom_px = 45;
constexpr const char *mark_colour = "#00a000";
constexpr const char *off_bed_colour = "#e00000";

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

// The smallest length of 1, 2 or 5 times a power of ten that is at least least.
double tick_step(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double step : {1.0, 2.0, 5.0})
        if (step * power >= least)
            return step * power;
    return 10 * power;
}

// The picture's extent in output units and where it lies in pixels.
struct view {
    double left, bottom, width, height; // output units
    double scale;                       // pixels per output unit
    double margin_left, margin_top;     // pixels
    double x(double units) const
    {
        return margin_left + (units - left) * scale;
    }
    double y(double units) const
    {
        return margin_top + (bottom + height - units) * scale;
    }
};

// The step between ticks along a side of extent output units: about eight along it, but
// never closer than room pixels, so that labels keep apart.
double step_along(const view &v, double extent, double room)
{
    return tick_step(std::max(extent / 8, room / v.scale));
}

// Ticks with labels along the bottom and the left edge, at round numbers of output units,
// each side with its own step, so that the short side of a long job or of its bed has
// ticks too; and the unit under the bottom edge.
void put_axes(std::FILE *out, const view &v)
{
    const double x_axis = v.y(v.bottom), y_axis = v.x(v.left);
    std::fprintf(out,
                 "<g font-family=\"sans-serif\" font-size=\"12\" stroke-width=\"1\">\n"
                 "<title>axes, in output units</title>\n"
                 "<path d=\"M%.6g %.6gH%.6gM%.6g %.6gV%.6g\" stroke=\"black\"/>\n"
                 "<text x=\"%.6g\" y=\"%.6g\" text-anchor=\"end\">output units</text>\n",
                 y_axis, x_axis, v.x(v.left + v.width), y_axis, x_axis, v.y(v.bottom + v.height),
                 v.x(v.left + v.width), x_axis + 38);
    for (const bool along_x : {true, false}) {
        const double low = along_x ? v.left : v.bottom, extent = along_x ? v.width : v.height;
        const double step = step_along(v, extent, along_x ? 60 : 30);
        const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, 2);
        for (double t = std::ceil(low / step - 1e-9) * step; t <= low + extent + 1e-9 * step;
             t += step) {
            const double shown = std::abs(t) < step / 2 ? 0 : t;
            if (along_x)
                std::fprintf(out,
                             "<path d=\"M%.6g %.6gv6\" stroke=\"black\"/><text x=\"%.6g\" "
                             "y=\"%.6g\" text-anchor=\"middle\">%.*f</text>\n",
                             v.x(t), x_axis, v.x(t), x_axis + 20, decimals, shown);
            else
                std::fprintf(out,
                             "<path d=\"M%.6g %.6gh-6\" stroke=\"black\"/><text x=\"%.6g\" "
                             "y=\"%.6g\" text-anchor=\"end\">%.*f</text>\n",
                             y_axis, v.y(t), y_axis - 9, v.y(t) + 4, decimals, shown);
        }
    }
    std::fputs("</g>\n", out);
}

// A bed in output units.
struct bed_units {
    double x, y, width, height;
};

bed_units units_of(const bed &b)
{
    return {b.x / 100.0, b.y / 100.0, b.width / 100.0, b.height / 100.0};
}

// The bed: a light area under the job, and a dashed frame, unlike the axes, over it with
// a light halo, so that the bed's edges show through dense strokes.
void put_bed(std::FILE *out, const view &v, const picture_bed &given, bool frame)
{
    if (!given.given)
        return;
    const bed_units bed = units_of(given.area);
    const auto rect = [&](const char *attributes) {
        std::fprintf(out, "<rect x=\"%.6g\" y=\"%.6g\" width=\"%.6g\" height=\"%.6g\" %s/>",
                     v.x(bed.x), v.y(bed.y + bed.height), bed.width * v.scale, bed.height * v.scale,
                     attributes);
    };
    if (!frame) {
        rect("fill=\"#eef3fb\"");
        std::fputc('\n', out);
        return;
    }
    std::fprintf(out, "<g fill=\"none\"><title>bed %s</title>", bed_words(given.area).c_str());
    rect("stroke=\"white\" stroke-width=\"4\" stroke-opacity=\"0.8\"");
    rect("stroke=\"#2f5fb0\" stroke-width=\"1.5\" stroke-dasharray=\"8 4\"");
    std::fputs("</g>\n", out);
}

// A point of the job marked with a circle and a word, each with a light halo that keeps
// it readable over dense strokes.
void put_point_mark(std::FILE *out, const view &v, std::int64_t x, std::int64_t y, const char *word,
                    const char *title)
{
    const double cx = v.x(x / 100.0), cy = v.y(y / 100.0);
    std::fprintf(out,
                 "<g><title>%s</title><circle cx=\"%.6g\" cy=\"%.6g\" r=\"6\" fill=\"none\" "
                 "stroke=\"white\" stroke-width=\"5\" stroke-opacity=\"0.8\"/><circle "
                 "cx=\"%.6g\" cy=\"%.6g\" r=\"6\" fill=\"none\" stroke=\"%s\" "
                 "stroke-width=\"2.5\"/><text x=\"%.6g\" y=\"%.6g\" font-family=\"sans-serif\" "
                 "font-size=\"12\" fill=\"%s\" stroke=\"white\" stroke-width=\"3\" "
                 "stroke-linejoin=\"round\" paint-order=\"stroke\">%s</text></g>\n",
                 title, cx, cy, cx, cy, mark_colour, cx + 9, cy - 9, mark_colour, word);
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

// The origin when it lies in the picture, the job's first and last points, or the words
// "no moves" on an empty job.
void put_marks(std::FILE *out, const view &v, const job_summary &job)
{
    if (0 >= v.left && 0 <= v.left + v.width && 0 >= v.bottom && 0 <= v.bottom + v.height)
        std::fprintf(out,
                     "<g stroke=\"black\" stroke-width=\"1.5\" fill=\"none\"><title>origin (0, 0)"
                     "</title><circle cx=\"%.6g\" cy=\"%.6g\" r=\"4\"/>"
                     "<path d=\"M%.6g %.6gh16M%.6g %.6gv16\"/></g>\n",
                     v.x(0), v.y(0), v.x(0) - 8, v.y(0), v.x(0), v.y(0) - 8);
    if (job.box.empty) {
        std::fprintf(out,
                     "<text x=\"%.6g\" y=\"%.6g\" font-family=\"sans-serif\" font-size=\"20\" "
                     "fill=\"#808080\" text-anchor=\"middle\">no moves</text>\n",
                     v.x(v.left + v.width / 2), v.y(v.bottom + v.height / 2) - 20);
        return;
    }
    put_point_mark(out, v, job.first_x, job.first_y, "start", "first point");
    put_point_mark(out, v, job.last_x, job.last_y, "end", "last point");
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

// The nets of a picture in a pyramid of grids over their extent, each level's cells
// twice as wide as the level's below. A net lies in the cells of the level at which
// its box spans at most two cells each way; each cell lists the nets in it, newest
// first, through links kept with the nets.
struct net_grid {
    std::uint64_t low_x, low_y;        // the extent's lower left corner, in hundredths
    std::uint64_t cell;                // the width of a cell of level 0
    std::uint64_t near;                // boxes this close look adjoining
    std::vector<std::size_t> start;    // where each level's cells begin in first
    std::vector<std::uint64_t> across; // cells along each side, at each level
    std::vector<std::uint32_t> first, link;
    std::vector<unsigned char> level;
};

constexpr std::uint32_t no_net = UINT32_MAX;

// How far a box lies from the extent's corner, in hundredths; the differences are taken
// in unsigned words, which hold them whatever the coordinates.
struct box_offsets {
    std::uint64_t low_x, low_y, high_x, high_y;
};

box_offsets offsets_of(const net_grid &g, const net_box &b)
{
    return {static_cast<std::uint64_t>(b.min_x) - g.low_x,
            static_cast<std::uint64_t>(b.min_y) - g.low_y,
            static_cast<std::uint64_t>(b.max_x) - g.low_x,
            static_cast<std::uint64_t>(b.max_y) - g.low_y};
}

// Calls visit with the index in g.first of each cell of level that the box of offsets
// o, widened by by, reaches.
template <typename Visit>
void for_cells(const net_grid &g, std::size_t level, const box_offsets &o, std::uint64_t by,
               Visit visit)
{
    const std::uint64_t across = g.across[level];
    const auto cell_of = [&](std::uint64_t at) {
        return std::min((at >> level) / g.cell, across - 1);
    };
    const auto widen = [&](std::uint64_t at) {
        return at > UINT64_MAX - by ? UINT64_MAX : at + by;
    };
    for (std::uint64_t cy = cell_of(o.low_y > by ? o.low_y - by : 0);
         cy <= cell_of(widen(o.high_y)); ++cy)
        for (std::uint64_t cx = cell_of(o.low_x > by ? o.low_x - by : 0);
             cx <= cell_of(widen(o.high_x)); ++cx)
            if (!visit(g.start[level] + cy * across + cx))
                return;
}

bool adjoining(const net_grid &g, const box_offsets &a, const box_offsets &b)
{
    const auto reaches = [&](std::uint64_t low, std::uint64_t high) {
        return low <= high || low - high <= g.near;
    };
    return reaches(a.low_x, b.high_x) && reaches(b.low_x, a.high_x) && reaches(a.low_y, b.high_y) &&
           reaches(b.low_y, a.high_y);
}

} // namespace

// Greedy colouring, the nets of the widest boxes first, so that a net need look only at
// the levels of its own size and above for the nets near it coloured before. The looks
// are counted, so that however densely the nets lie, a net costs a bounded number of
// steps; where that many nets are near it, no colour could tell it from all of them.
std::vector<unsigned char> net_colours(const std::vector<net_box> &nets)
{
    std::vector<unsigned char> colours(nets.size());
    std::uint64_t drawn = 0;
    net_box all{};
    for (const net_box &box : nets) {
        if (!box.drawn)
            continue;
        all = drawn++
                  ? net_box{true, std::min(all.min_x, box.min_x), std::min(all.min_y, box.min_y),
                            std::max(all.max_x, box.max_x), std::max(all.max_y, box.max_y)}
                  : box;
    }
    net_grid g{};
    g.low_x = static_cast<std::uint64_t>(all.min_x);
    g.low_y = static_cast<std::uint64_t>(all.min_y);
    const box_offsets whole = offsets_of(g, all);
    const std::uint64_t span = std::max(whole.high_x, whole.high_y);
    // Nets whose strokes come within half a percent of the picture's width look adjoining.
    g.near = span / 200;
    g.cell = std::max<std::uint64_t>(
        {span / (static_cast<std::uint64_t>(std::sqrt(static_cast<double>(drawn))) + 1), g.near,
         1});
    g.start = {0};
    for (std::size_t level = 0; g.across.empty() || g.across.back() > 1; ++level) {
        g.across.push_back((span >> level) / g.cell + 1);
        g.start.push_back(g.start.back() + g.across.back() * g.across.back());
    }
    const std::size_t levels = g.start.size() - 1;
    g.first.assign(g.start.back(), no_net);
    g.link.assign(4 * nets.size(), no_net);
    g.level.assign(nets.size(), 0);
    std::vector<std::uint32_t> order;
    order.reserve(drawn);
    for (std::size_t n = 0; n < nets.size(); ++n) {
        colours[n] = static_cast<unsigned char>(n % palette_size);
        if (!nets[n].drawn)
            continue;
        const box_offsets o = offsets_of(g, nets[n]);
        const std::uint64_t extent = std::max(o.high_x - o.low_x, o.high_y - o.low_y);
        while (g.level[n] + 1u < levels && g.cell <= (extent >> g.level[n]))
            ++g.level[n];
        order.push_back(static_cast<std::uint32_t>(n));
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return g.level[a] > g.level[b]; });
    constexpr int looks_per_net = 256;
    for (const std::uint32_t n : order) {
        const box_offsets o = offsets_of(g, nets[n]);
        std::uint32_t used = 0;
        int looks = 0;
        for (std::size_t level = g.level[n]; level < levels && looks < looks_per_net; ++level)
            for_cells(g, level, o, g.near, [&](std::size_t cell) {
                for (std::uint32_t k = g.first[cell]; k != no_net && looks < looks_per_net;
                     k = g.link[k], ++looks) {
                    const std::uint32_t other = k / 4;
                    if (adjoining(g, o, offsets_of(g, nets[other])))
                        used |= std::uint32_t{1} << colours[other];
                }
                return looks < looks_per_net;
            });
        // The search starts at a colour of the net's own, so that the palette is used
        // evenly rather than its first few colours everywhere.
        std::size_t colour = n % palette_size;
        for (std::size_t tried = 0; tried < palette_size && (used >> colour & 1); ++tried)
            colour = (colour + 1) % palette_size;
        colours[n] = static_cast<unsigned char>(colour);
        std::uint32_t slot = 4 * n;
        for_cells(g, g.level[n], o, 0, [&](std::size_t cell) {
            g.link[slot] = g.first[cell];
            g.first[cell] = slot++;
            return true;
        });
    }
    return colours;
}

bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &given,
                    std::FILE *out)
{
    const bed_units bed = units_of(given.area);
    const extent &box = job.box;
    close_stroke(p);
    if (p.group_open)
        std::fputs("</g>\n", p.strokes);
    if (p.idle_open)
        std::fputs("\"/>\n", p.idle);
    // Rewinding clears a stream's error, so the temporary files are judged before.
    std::fflush(p.strokes);
    std::fflush(p.idle);
    note_failure(p);
    if (p.temporary_error != 0) {
        discard_picture(p);
        return false;
    }

    // The picture shows the job's box and the bed together, at least one unit across so
    // that a job of one point or one straight line still has an area to show, with a
    // little room around them. It is scaled to fit the largest plotting area, in pixels,
    // in which the axes and marks are drawn, so that lettering keeps its size whatever
    // the job's.
    constexpr double nowhere = std::numeric_limits<double>::infinity();
    double left = nowhere, bottom = nowhere, right = -nowhere, top = -nowhere;
    const auto include = [&](double from_x, double from_y, double to_x, double to_y) {
        left = std::min(left, from_x);
        bottom = std::min(bottom, from_y);
        right = std::max(right, to_x);
        top = std::max(top, to_y);
    };
    if (!box.empty)
        include(box.min_x / 100.0, box.min_y / 100.0, box.max_x / 100.0, box.max_y / 100.0);
    if (given.given)
        include(bed.x, bed.y, bed.x + bed.width, bed.y + bed.height);
    if (left > right)
        left = bottom = right = top = 0;
    const double room = 0.03 * std::max({right - left, top - bottom, 1.0});
    const double width = std::max(right - left, 1.0) + 2 * room;
    const double height = std::max(top - bottom, 1.0) + 2 * room;
    view v{(left + right - width) / 2,
           (bottom + top - height) / 2,
           width,
           height,
           std::min(plot_width_px / width, plot_height_px / height),
           margin_left_px,
           margin_top_px};
    const double picture_width = width * v.scale + margin_left_px + margin_right_px;
    const double picture_height = height * v.scale + margin_top_px + margin_bottom_px;
    const std::vector<unsigned char> colours = net_colours(p.nets);
    // Strokes stay apart on a dense board: the more there are, the thinner, down to a
    // pixel.
    const double stroke_px = std::clamp(
        2.5 * std::sqrt(2000.0 / static_cast<double>(std::max(p.stroke_count, 1L))), 1.0, 2.5);
    const bool off_bed = given.given && !on_bed(overhang_of(box, given.area));

    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                 "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"%.0f\" "
                 "height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n"
                 "<title>xyview: %ld moves, %ld nets</title>\n"
                 "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                 picture_width, picture_height, picture_width, picture_height, job.moves, job.nets);
    // What lies off the bed is the job again, clipped to all but the bed (widened by half a
    // stroke, so that a stroke along its edge stays as it is) and filled with one colour.
    const double edge = stroke_px / 2 / v.scale;
    if (off_bed)
        std::fprintf(out,
                     "<defs><clipPath id=\"off-bed\"><path clip-rule=\"evenodd\" "
                     "d=\"M%.6g %.6gH%.6gV%.6gH%.6gZM%.6g %.6gH%.6gV%.6gH%.6gZ\"/></clipPath>"
                     "<filter id=\"in-red\"><feFlood flood-color=\"%s\"/>"
                     "<feComposite in2=\"SourceGraphic\" operator=\"in\"/></filter></defs>\n",
                     v.left, 0 - v.bottom, v.left + v.width, 0 - (v.bottom + v.height), v.left,
                     bed.x - edge, edge - bed.y, bed.x + bed.width + edge,
                     0 - (bed.y + bed.height + edge), bed.x - edge, off_bed_colour);
    if (p.direction)
        put_arrowheads(out, stroke_px);
    put_bed(out, v, given, false);
    if (!box.empty)
        std::fprintf(out,
                     "<rect x=\"%.6g\" y=\"%.6g\" width=\"%.6g\" height=\"%.6g\" fill=\"none\" "
                     "stroke=\"#d0d0d0\"><title>bounding box</title></rect>\n",
                     v.x(box.min_x / 100.0), v.y(box.max_y / 100.0),
                     (box.max_x - box.min_x) / 100.0 * v.scale,
                     (box.max_y - box.min_y) / 100.0 * v.scale);
    put_axes(out, v);
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
    put_bed(out, v, given, true);
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
