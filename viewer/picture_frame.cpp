// The frame is drawn in pixels, so that lettering and marks keep their size whatever the
// job's; the picture is laid out for its own size: the title above, the axes and the
// legend below.
#include "picture_frame.h"

#include "bed.h"
#include "net_colours.h"
#include "path_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

// The smallest length of 1, 2 or 5 times a power of ten that is at least least.
double tick_step(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double step : {1.0, 2.0, 5.0})
        if (step * power >= least)
            return step * power;
    return 10 * power;
}

// The step between ticks along a side of extent, in the axes' unit, per of them an output
// unit: about eight along it, but never closer than room pixels, so that labels keep apart.
double step_along(const view &v, double extent, double room, double per)
{
    return tick_step(std::max(extent / 8, room / v.scale * per));
}

// A label's box in pixels, for keeping labels apart.
struct label_box {
    double left, top, right, bottom;
};

bool overlaps(const label_box &a, const label_box &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Where a word of size 12 stands beside the point (x, y): one of the four corners around
// the mark, as corner says (0 upper right, 1 lower right, 2 upper left, 3 lower left).
label_box label_at(double x, double y, const char *word, int corner)
{
    const double width = 6.6 * static_cast<double>(std::strlen(word)) + 2;
    const double left = corner < 2 ? x + 9 : x - 9 - width;
    const double base = corner % 2 == 0 ? y - 9 : y + 19;
    return {left, base - 11, left + width, base + 3};
}

// A point of the job marked with a circle and a word in the corner given, each with a
// light halo that keeps it readable over dense strokes.
void put_point_mark(std::FILE *out, double cx, double cy, const char *word, const char *title,
                    const label_box &label, const char *colour = mark_colour)
{
    std::fprintf(out,
                 "<g><title>%s</title><circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"none\" "
                 "stroke=\"white\" stroke-width=\"5\" stroke-opacity=\"0.8\"/><circle "
                 "cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"none\" stroke=\"%s\" "
                 "stroke-width=\"2.5\"/><text x=\"%.1f\" y=\"%.1f\" font-family=\"sans-serif\" "
                 "font-size=\"12\" fill=\"%s\" stroke=\"white\" stroke-width=\"3\" "
                 "stroke-linejoin=\"round\" paint-order=\"stroke\">%s</text></g>\n",
                 title, cx, cy, cx, cy, colour, label.left + 1, label.bottom - 3, colour, word);
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

} // namespace

std::string xml_text(const char *text)
{
    std::string xml;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
        char escaped[8];
        if (*c == '&' || *c == '<' || *c == '>') {
            xml += *c == '&' ? "&amp;" : *c == '<' ? "&lt;" : "&gt;";
        } else if (const std::size_t length = *c >= 0x80 ? utf8_length(c) : 0; length > 0) {
            xml.append(reinterpret_cast<const char *>(c), length);
            c += length - 1;
        } else if (*c >= 0x80) {
            std::snprintf(escaped, sizeof escaped, "&#x%02X;", *c);
            xml += escaped;
        } else {
            xml += *c < 0x20 && *c != '\t' ? '?' : static_cast<char>(*c);
        }
    }
    return xml;
}

void open_stroke_group(std::FILE *out, const stroke_grid &g, const view &v, double stroke_px)
{
    if (!g.exact) {
        std::fprintf(out, "<g stroke-width=\"%.0f\">\n", stroke_px * 10);
        return;
    }
    // A hundredth is v.scale / 100 pixels, v.scale / 10 tenths. The width is rounded down: a
    // browser draws a stroke of a pixel or less as a hairline, as it draws the strokes of a
    // dense board in tenths, and one a little wider otherwise.
    const double width = std::floor(stroke_px * 100 / v.scale * 1e4) / 1e4;
    std::fprintf(out, "<g stroke-width=\"%.4f\" transform=\"translate(%.2f %.2f) scale(%.9g)\">\n",
                 width, v.x(g.left / 100.0) * 10, v.y(g.top / 100.0) * 10, v.scale / 10);
}

// Ticks with labels along the bottom and the left edge, at round numbers of output units,
// each side with its own step, so that the short side of a long job or of its bed has
// ticks too; and the unit under the bottom edge.
void put_axes(std::FILE *out, const view &v, const picture_style &style)
{
    const double x_axis = v.y(v.bottom), y_axis = v.x(v.left);
    const double per = style.unit_mm <= 0 ? 1 : style.unit_mm / (style.unit_inches ? 25.4 : 1);
    const char *const unit = style.unit_mm <= 0 ? "output units" : style.unit_inches ? "in" : "mm";
    std::fprintf(out,
                 "<g font-family=\"sans-serif\" font-size=\"12\" stroke-width=\"1\">\n"
                 "<title>axes, in %s</title>\n"
                 "<path d=\"M%.1f %.1fH%.1fM%.1f %.1fV%.1f\" stroke=\"black\"/>\n"
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n",
                 unit, y_axis, x_axis, v.x(v.left + v.width), y_axis, x_axis,
                 v.y(v.bottom + v.height), v.x(v.left + v.width), x_axis + 38, unit);
    for (const bool along_x : {true, false}) {
        const double low = (along_x ? v.left : v.bottom) * per,
                     extent = (along_x ? v.width : v.height) * per;
        const double step = step_along(v, extent, along_x ? 60 : 30, per);
        const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, 2);
        for (double t = std::ceil(low / step - 1e-9) * step; t <= low + extent + 1e-9 * step;
             t += step) {
            const double shown = std::abs(t) < step / 2 ? 0 : t;
            if (along_x)
                std::fprintf(out,
                             "<path d=\"M%.1f %.1fv6\" stroke=\"black\"/><text x=\"%.1f\" "
                             "y=\"%.1f\" text-anchor=\"middle\">%.*f</text>\n",
                             v.x(t / per), x_axis, v.x(t / per), x_axis + 20, decimals, shown);
            else
                std::fprintf(out,
                             "<path d=\"M%.1f %.1fh-6\" stroke=\"black\"/><text x=\"%.1f\" "
                             "y=\"%.1f\" text-anchor=\"end\">%.*f</text>\n",
                             y_axis, v.y(t / per), y_axis - 9, v.y(t / per) + 4, decimals, shown);
        }
    }
    std::fputs("</g>\n", out);
}

// The bed: a light area under the job, and a dashed frame, unlike the axes, over it with
// a light halo, so that the bed's edges show through dense strokes.
void put_bed(std::FILE *out, const view &v, const picture_bed &given, bool frame)
{
    if (!given.given)
        return;
    const bed &b = given.area;
    const auto rect = [&](const char *attributes) {
        std::fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" %s/>",
                     v.x(b.x / 100.0), v.y((b.y + b.height) / 100.0), b.width / 100.0 * v.scale,
                     b.height / 100.0 * v.scale, attributes);
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

void put_marks(std::FILE *out, const view &v, const job_summary &job, const resume_mark &resume)
{
    if (resume.shown) {
        const std::string word = "from net " + std::to_string(resume.net);
        const double x = tenths_x(v, resume.x) / 10.0, y = tenths_y(v, resume.y) / 10.0;
        label_box label = label_at(x, y, word.c_str(), 1);
        if (label.right >= v.picture_width - 2)
            label = label_at(x, y, word.c_str(), 3);
        put_point_mark(out, x, y, word.c_str(), "where the part from the net begins", label,
                       resume_colour);
    }
    if (0 >= v.left && 0 <= v.left + v.width && 0 >= v.bottom && 0 <= v.bottom + v.height)
        std::fprintf(out,
                     "<g stroke=\"black\" stroke-width=\"1.5\" fill=\"none\"><title>origin (0, 0)"
                     "</title><circle cx=\"%.1f\" cy=\"%.1f\" r=\"4\"/>"
                     "<path d=\"M%.1f %.1fh16M%.1f %.1fv16\"/></g>\n",
                     v.x(0), v.y(0), v.x(0) - 8, v.y(0), v.x(0), v.y(0) - 8);
    if (job.box.empty) {
        std::fprintf(out,
                     "<text x=\"%.1f\" y=\"%.1f\" font-family=\"sans-serif\" font-size=\"20\" "
                     "fill=\"#808080\" text-anchor=\"middle\">no moves</text>\n",
                     v.x(v.left + v.width / 2), v.y(v.bottom + v.height / 2) - 20);
        return;
    }
    const double sx = tenths_x(v, job.first_x) / 10.0, sy = tenths_y(v, job.first_y) / 10.0;
    const double ex = tenths_x(v, job.last_x) / 10.0, ey = tenths_y(v, job.last_y) / 10.0;
    // Labels stay inside the picture, and apart: the end's takes the first corner that is
    // clear of the start's mark and label.
    const auto inside = [&](const label_box &b) { return b.right < v.picture_width - 2; };
    const bool one_point = std::abs(sx - ex) < 1 && std::abs(sy - ey) < 1;
    const char *const first_word = one_point ? "start, end" : "start";
    label_box start = label_at(sx, sy, first_word, 0);
    if (!inside(start))
        start = label_at(sx, sy, first_word, 2);
    put_point_mark(out, sx, sy, first_word, one_point ? "first and last point" : "first point",
                   start);
    if (one_point)
        return;
    const label_box start_mark{sx - 8, sy - 8, sx + 8, sy + 8};
    label_box end = label_at(ex, ey, "end", 0);
    for (int corner = 0; corner < 4; ++corner) {
        end = label_at(ex, ey, "end", corner);
        if (inside(end) && !overlaps(end, start) && !overlaps(end, start_mark))
            break;
    }
    put_point_mark(out, ex, ey, "end", "last point", end);
}

void put_header(std::FILE *out, const view &v, const picture_caption &caption)
{
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                 "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"%.0f\" "
                 "height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n<title>",
                 v.picture_width, v.picture_height, v.picture_width, v.picture_height);
    std::fputs(xml_text((caption.name + ": " + caption.figures).c_str()).c_str(), out);
    std::fputs("</title>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
               "<g font-family=\"sans-serif\"><text x=\"10\" y=\"18\" font-size=\"14\" "
               "font-weight=\"bold\">",
               out);
    std::fputs(xml_text(caption.name.c_str()).c_str(), out);
    std::fputs("</text><text x=\"10\" y=\"36\" font-size=\"12\">", out);
    std::fputs(xml_text(caption.figures.c_str()).c_str(), out);
    std::fputs("</text></g>\n", out);
}

// What lies off the bed is the job again, clipped to all but the bed (widened by half a
// stroke, so that a stroke along its edge stays as it is) and filled with one colour.
void put_off_bed_clip(std::FILE *out, const view &v, const picture_bed &given, double stroke_px)
{
    const bed &b = given.area;
    const double edge = stroke_px / 2;
    const double left = v.x(b.x / 100.0) - edge, right = v.x((b.x + b.width) / 100.0) + edge;
    const double top = v.y((b.y + b.height) / 100.0) - edge, bottom = v.y(b.y / 100.0) + edge;
    std::fprintf(out,
                 "<defs><clipPath id=\"off-bed\"><path clip-rule=\"evenodd\" "
                 "d=\"M0 0H%.0fV%.0fH0ZM%.0f %.0fH%.0fV%.0fH%.0fZ\"/></clipPath>"
                 "<filter id=\"in-red\"><feFlood flood-color=\"%s\"/>"
                 "<feComposite in2=\"SourceGraphic\" operator=\"in\"/></filter></defs>\n",
                 v.picture_width * 10, v.picture_height * 10, left * 10, top * 10, right * 10,
                 bottom * 10, left * 10, off_bed_colour);
}

void put_in_red(std::FILE *out, const char *id)
{
    std::fprintf(out,
                 "<use xlink:href=\"#%s\" clip-path=\"url(#off-bed)\" filter=\"url(#in-red)\">"
                 "<title>off the bed</title></use>\n",
                 id);
}

bool arrowhead_of(const view &v, const picture_bed &bed, tenths_point tip, tenths_point before,
                  tenths_point (&corners)[3])
{
    const double dx = static_cast<double>(tip.x - before.x),
                 dy = static_cast<double>(tip.y - before.y);
    const double length = std::hypot(dx, dy);
    if (length == 0)
        return false;
    const double ux = dx / length, uy = dy / length;
    double low_x = v.x(v.left) * 10, high_x = v.x(v.left + v.width) * 10;
    double low_y = v.y(v.bottom + v.height) * 10, high_y = v.y(v.bottom) * 10;
    if (bed.given) {
        const double left = tenths_x(v, bed.area.x),
                     right = tenths_x(v, bed.area.x + bed.area.width);
        const double top = tenths_y(v, bed.area.y + bed.area.height),
                     bottom = tenths_y(v, bed.area.y);
        if (tip.x >= left && tip.x <= right && tip.y >= top && tip.y <= bottom) {
            low_x = left;
            high_x = right;
            low_y = top;
            high_y = bottom;
        }
    }
    const auto clamped = [&](double x, double y) {
        return tenths_point{std::llround(std::clamp(x, low_x, high_x)),
                            std::llround(std::clamp(y, low_y, high_y))};
    };
    const double base_x = static_cast<double>(tip.x) - 80 * ux,
                 base_y = static_cast<double>(tip.y) - 80 * uy;
    corners[0] = tip;
    corners[1] = clamped(base_x - 35 * uy, base_y + 35 * ux);
    corners[2] = clamped(base_x + 35 * uy, base_y - 35 * ux);
    return true;
}

void put_arrowhead(path_writer &w, const view &v, const picture_bed &bed, tenths_point tip,
                   tenths_point before)
{
    tenths_point corners[3];
    if (!arrowhead_of(v, bed, tip, before, corners))
        return;
    path_move(w, corners[0].x, corners[0].y);
    path_line(w, corners[1].x, corners[1].y);
    path_line(w, corners[2].x, corners[2].y);
}

void put_bounding_box(std::FILE *out, const view &v, const extent &box)
{
    if (box.empty)
        return;
    std::fprintf(out,
                 "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
                 "stroke=\"#d0d0d0\"><title>bounding box</title></rect>\n",
                 tenths_x(v, box.min_x) / 10.0, tenths_y(v, box.max_y) / 10.0,
                 (tenths_x(v, box.max_x) - tenths_x(v, box.min_x)) / 10.0,
                 (tenths_y(v, box.min_y) - tenths_y(v, box.max_y)) / 10.0);
}

void put_legend(std::FILE *out, const view &v, const legend_items &items)
{
    const double y = v.picture_height - 12;
    double x = room_left;
    // Each item: a sample 24 pixels wide, then its word.
    const auto item = [&](const std::string &sample, const char *word) {
        std::fprintf(out,
                     "<g transform=\"translate(%.1f %.1f)\">%s<text x=\"30\" y=\"4\" "
                     "fill=\"black\">%s</text></g>\n",
                     x, y, sample.c_str(), word);
        x += 30 + 6.6 * static_cast<double>(std::strlen(word)) + 18;
    };
    std::fputs(
        "<g font-family=\"sans-serif\" font-size=\"12\" fill=\"none\"><title>legend</title>\n",
        out);
    std::string strokes;
    for (int k = 0; k < 3; ++k)
        strokes += "<path d=\"M" + std::to_string(8 * k) + " 0h8\" stroke=\"" + palette[k] +
                   "\" stroke-width=\"2.5\"/>";
    if (items.strokes)
        item(strokes, "pen down, a colour a net");
    if (items.travel)
        item(std::string("<path d=\"M0 0h24\" stroke=\"") + travel_colour + "\"" +
                 (items.dashed_travel ? " stroke-dasharray=\"6 4\"" : "") + "/>",
             "idle travel");
    if (items.bed)
        item("<rect x=\"0\" y=\"-6\" width=\"24\" height=\"12\" fill=\"#eef3fb\" "
             "stroke=\"#2f5fb0\" stroke-width=\"1.5\" stroke-dasharray=\"4 2\"/>",
             "the bed");
    if (items.off_bed)
        item(std::string("<path d=\"M0 0h24\" stroke=\"") + off_bed_colour +
                 "\" stroke-width=\"2.5\"/>",
             "off the bed");
    item(std::string("<circle cx=\"12\" cy=\"0\" r=\"5\" stroke=\"") + mark_colour +
             "\" stroke-width=\"2.5\"/>",
         "start, end");
    if (items.done)
        item(std::string("<path d=\"M0 0h24\" stroke=\"") + palette[done_colour] +
                 "\" stroke-width=\"2.5\"/>",
             "done");
    if (items.holes)
        item(std::string("<circle cx=\"12\" cy=\"0\" r=\"2.5\" fill=\"white\" stroke=\"") +
                 hole_colour + "\" stroke-width=\"1.5\"/>",
             "hole");
    if (items.direction)
        item(std::string("<path d=\"M0 0h24\" stroke=\"") + palette[0] +
                 "\" stroke-width=\"2\"/><path d=\"M24 0l-8-3.5v7z\" fill=\"" + palette[0] + "\"/>",
             "direction");
    std::fputs("</g>\n", out);
}

// A ring at each vertex of a path of points: a browser draws markers faster than dots.
void put_holes(std::FILE *out, const std::string &data)
{
    std::fprintf(out,
                 "<defs><marker id=\"hole\" markerUnits=\"userSpaceOnUse\" "
                 "markerWidth=\"80\" markerHeight=\"80\" refX=\"40\" refY=\"40\" "
                 "viewBox=\"0 0 80 80\"><circle cx=\"40\" cy=\"40\" r=\"%.0f\" "
                 "fill=\"white\" stroke=\"%s\" stroke-width=\"%.0f\"/></marker></defs>\n"
                 "<path id=\"holes\" marker-start=\"url(#hole)\" "
                 "marker-mid=\"url(#hole)\" marker-end=\"url(#hole)\" d=\"%s\"><title>holes"
                 "</title></path>\n",
                 hole_radius * 10, hole_colour, hole_ring * 10, data.c_str());
}
