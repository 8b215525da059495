// SVG output. Coordinates are written in output units with the y axis negated, so that
// the picture shows y up as the plotter table does, and every polyline holds one whole
// run of moves, which keeps pictures of large jobs small enough for a browser.
#include "svg_picture.h"

#include "plotter.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <iterator>

namespace {

constexpr const char *net_colours[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
                                       "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#5f6b73"};
constexpr double picture_width_px = 1000;

// Writes hundredths as output units with two decimals.
void put_units(std::FILE *f, std::int64_t hundredths)
{
    const std::uint64_t magnitude = hundredths < 0 ? 0 - static_cast<std::uint64_t>(hundredths)
                                                   : static_cast<std::uint64_t>(hundredths);
    std::fprintf(f, "%s%" PRIu64 ".%02" PRIu64, hundredths < 0 ? "-" : "", magnitude / 100,
                 magnitude % 100);
}

void put_point(std::FILE *f, std::int64_t x, std::int64_t y)
{
    put_units(f, x);
    std::fputc(',', f);
    put_units(f, -y);
}

// Writes text as XML character data. Bytes above ASCII are taken as Latin-1 characters,
// and control characters, which XML does not allow, become question marks.
void put_xml_text(std::FILE *f, const char *text)
{
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; ++c) {
        switch (*c) {
        case '&': std::fputs("&amp;", f); break;
        case '<': std::fputs("&lt;", f); break;
        case '>': std::fputs("&gt;", f); break;
        default:
            if (*c >= 0x80)
                std::fprintf(f, "&#x%02X;", *c);
            else if (*c < 0x20 && *c != '\t')
                std::fputc('?', f);
            else
                std::fputc(*c, f);
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

bool copy_all(std::FILE *from, std::FILE *to)
{
    std::rewind(from);
    char block[1 << 16];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, from)) > 0;)
        if (std::fwrite(block, 1, got, to) != got)
            return false;
    return !std::ferror(from);
}

// The largest length of 1, 2 or 5 times a power of ten that is at most most.
double round_length(double most)
{
    const double power = std::pow(10.0, std::floor(std::log10(most)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= most)
            return step * power;
    return power;
}

} // namespace

bool start_picture(svg_picture &p)
{
    p = svg_picture{};
    p.strokes = std::tmpfile();
    p.idle = std::tmpfile();
    if (p.strokes && p.idle)
        return true;
    discard_picture(p);
    return false;
}

void picture_net(svg_picture &p, const char *name)
{
    close_stroke(p);
    if (p.group_open)
        std::fputs("</g>\n", p.strokes);
    std::fprintf(p.strokes, "<g stroke=\"%s\"><title>",
                 net_colours[p.groups % std::size(net_colours)]);
    put_xml_text(p.strokes, name);
    std::fputs("</title>\n", p.strokes);
    ++p.groups;
    p.group_open = true;
    note_failure(p);
}

void picture_move(svg_picture &p, bool pen_down, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                  std::int64_t y1)
{
    if (!pen_down) {
        extend(p.idle, p.idle_open, p.idle_x, p.idle_y, x0, y0, x1, y1);
    } else {
        if (!p.group_open)
            picture_net(p, "(moves before the first net)");
        p.stroke_count += extend(p.strokes, p.stroke_open, p.stroke_x, p.stroke_y, x0, y0, x1, y1);
    }
    note_failure(p);
}

void picture_lift(svg_picture &p)
{
    close_stroke(p);
    note_failure(p);
}

bool finish_picture(svg_picture &p, const job_summary &job, std::FILE *out)
{
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

    // The job's box in output units, at least one unit across so that a job of one point
    // or one straight line still has an area to show. The drawing is scaled into a
    // picture of fixed width in pixels, in which the frame and the scale bar are drawn,
    // so that line widths and lettering keep their size whatever the job's.
    const double left = job.has_points ? job.min_x / 100.0 : 0;
    const double top = job.has_points ? -job.max_y / 100.0 : 0;
    const double width = std::max(job.has_points ? (job.max_x - job.min_x) / 100.0 : 0, 1.0);
    const double height = std::max(job.has_points ? (job.max_y - job.min_y) / 100.0 : 0, 1.0);
    const double margin = 20, legend = 40; // pixels
    const double scale = (picture_width_px - 2 * margin) / width;
    const double picture_height = std::max(height * scale, 1.0) + 2 * margin + legend;
    const double bar = round_length(width / 4);

    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%.0f\" "
                 "height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n"
                 "<title>xyview: %ld moves, %ld nets</title>\n"
                 "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n"
                 "<g transform=\"translate(%.6g %.6g) scale(%.6g)\">\n"
                 "<rect x=\"%.6g\" y=\"%.6g\" width=\"%.6g\" height=\"%.6g\" fill=\"none\" "
                 "stroke=\"#d0d0d0\" stroke-width=\"%.6g\"/>\n"
                 "<g fill=\"none\" stroke=\"#808080\" stroke-width=\"%.6g\" "
                 "stroke-dasharray=\"%.6g %.6g\">\n<title>idle travel</title>\n",
                 picture_width_px, picture_height, picture_width_px, picture_height, job.moves,
                 job.nets, margin - left * scale, margin - top * scale, scale, left, top, width,
                 height, 1 / scale, 1 / scale, 6 / scale, 4 / scale);
    bool written = copy_all(p.idle, out);
    std::fprintf(out,
                 "</g>\n<g fill=\"none\" stroke-width=\"%.6g\" stroke-linecap=\"round\" "
                 "stroke-linejoin=\"round\">\n",
                 2.5 / scale);
    written = copy_all(p.strokes, out) && written;
    const double bar_y = picture_height - legend / 2;
    std::fprintf(
        out,
        "</g>\n</g>\n<g font-family=\"sans-serif\" font-size=\"14\">\n<title>scale</title>\n"
        "<path d=\"M%.6g %.6gv6h%.6gv-6\" fill=\"none\" stroke=\"black\" "
        "stroke-width=\"1.5\"/>\n"
        "<text x=\"%.6g\" y=\"%.6g\">%.2f</text>\n</g>\n</svg>\n",
        margin, bar_y - 3, bar * scale, margin + bar * scale + 8, bar_y + 5, bar);
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
