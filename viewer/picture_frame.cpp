// The frame is drawn in pixels, so that lettering and marks keep their size whatever the
// job's; the picture fits a browser window of 1,100 by 800.
#include "picture_frame.h"

#include "bed.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The largest the plotting area grows, in pixels: with the axes around it, the picture
// fits a browser window of 1,100 by 800.
constexpr double plot_width_px = 910, plot_height_px = 700;
constexpr double margin_left_px = 70, margin_right_px = 20, margin_top_px = 20,
                 margin_bottom_px = 45;
constexpr const char *mark_colour = "#00a000";
constexpr const char *off_bed_colour = "#e00000";

// The smallest length of 1, 2 or 5 times a power of ten that is at least least.
double tick_step(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double step : {1.0, 2.0, 5.0})
        if (step * power >= least)
            return step * power;
    return 10 * power;
}

// The step between ticks along a side of extent output units: about eight along it, but
// never closer than room pixels, so that labels keep apart.
double step_along(const view &v, double extent, double room)
{
    return tick_step(std::max(extent / 8, room / v.scale));
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

} // namespace

bed_units units_of(const bed &b)
{
    return {b.x / 100.0, b.y / 100.0, b.width / 100.0, b.height / 100.0};
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

// The picture shows the job's box and the bed together, at least one unit across so that
// a job of one point or one straight line still has an area to show, with a little room
// around them. It is scaled to fit the largest plotting area, in pixels, in which the
// axes and marks are drawn, so that lettering keeps its size whatever the job's.
view view_of(const extent &box, const picture_bed &given)
{
    const bed_units bed = units_of(given.area);
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
    const double scale = std::min(plot_width_px / width, plot_height_px / height);
    return {(left + right - width) / 2,
            (bottom + top - height) / 2,
            width,
            height,
            scale,
            margin_left_px,
            margin_top_px,
            width * scale + margin_left_px + margin_right_px,
            height * scale + margin_top_px + margin_bottom_px};
}

void put_header(std::FILE *out, const view &v, const job_summary &job)
{
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                 "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" width=\"%.0f\" "
                 "height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n"
                 "<title>xyview: %ld moves, %ld nets</title>\n"
                 "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                 v.picture_width, v.picture_height, v.picture_width, v.picture_height, job.moves,
                 job.nets);
}

// What lies off the bed is the job again, clipped to all but the bed (widened by half a
// stroke, so that a stroke along its edge stays as it is) and filled with one colour.
void put_off_bed_clip(std::FILE *out, const view &v, const picture_bed &given, double stroke_px)
{
    const bed_units bed = units_of(given.area);
    const double edge = stroke_px / 2 / v.scale;
    std::fprintf(out,
                 "<defs><clipPath id=\"off-bed\"><path clip-rule=\"evenodd\" "
                 "d=\"M%.6g %.6gH%.6gV%.6gH%.6gZM%.6g %.6gH%.6gV%.6gH%.6gZ\"/></clipPath>"
                 "<filter id=\"in-red\"><feFlood flood-color=\"%s\"/>"
                 "<feComposite in2=\"SourceGraphic\" operator=\"in\"/></filter></defs>\n",
                 v.left, 0 - v.bottom, v.left + v.width, 0 - (v.bottom + v.height), v.left,
                 bed.x - edge, edge - bed.y, bed.x + bed.width + edge,
                 0 - (bed.y + bed.height + edge), bed.x - edge, off_bed_colour);
}

void put_bounding_box(std::FILE *out, const view &v, const extent &box)
{
    if (box.empty)
        return;
    std::fprintf(out,
                 "<rect x=\"%.6g\" y=\"%.6g\" width=\"%.6g\" height=\"%.6g\" fill=\"none\" "
                 "stroke=\"#d0d0d0\"><title>bounding box</title></rect>\n",
                 v.x(box.min_x / 100.0), v.y(box.max_y / 100.0),
                 (box.max_x - box.min_x) / 100.0 * v.scale,
                 (box.max_y - box.min_y) / 100.0 * v.scale);
}
