// The tool's path is recorded as the job is read, with each net's box for its colour; once
// the job's extent is known the layers are drawn from it and put in order between the parts
// of the frame: travel under the strokes, holes over them, arrowheads over the marks.
#include "svg_picture.h"

#include "picture_frame.h"
#include "picture_layers.h"
#include "plotter.h"
#include "whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

// Keeps the reason of the first failed write to the temporary file, while errno holds it.
void note_failure(svg_picture &p)
{
    if (p.temporary_error == 0 && p.path.file && std::ferror(p.path.file))
        p.temporary_error = errno ? errno : EIO;
}

void widen(net_box &box, std::int64_t x, std::int64_t y)
{
    const bool first = !box.drawn;
    box = net_box{.drawn = true,
                  .min_x = first ? x : std::min(box.min_x, x),
                  .min_y = first ? y : std::min(box.min_y, y),
                  .max_x = first ? x : std::max(box.max_x, x),
                  .max_y = first ? y : std::max(box.max_y, y)};
}

void start_net(svg_picture &p, const plotter &tool, const char *name)
{
    put_record(p.path, {.kind = step::net,
                        .placed = tool.has_position,
                        .down = tool.tool_down,
                        .x = tool.x,
                        .y = tool.y});
    p.nets.push_back(net_box{});
    if (p.nets.size() <= most_named_nets)
        p.names.emplace_back(name);
    else
        p.names = {};
}

// A record of the path other than a net's.
path_record step_at(step kind, std::int64_t x, std::int64_t y)
{
    return {.kind = kind, .placed = false, .down = false, .x = x, .y = y};
}

// The most hops of idle travel drawn dashed, so that its way can be followed.
constexpr std::int64_t dashed_hops = 5000;

} // namespace

bool start_picture(svg_picture &p, const picture_style &style)
{
    p = svg_picture{};
    p.style = style;
    p.path.file = scratch_file();
    p.path.pending.reserve(walk_block);
    return p.path.file != nullptr;
}

void picture_unit(svg_picture &p, const plotter &tool, const xy_unit &unit)
{
    if (unit.kind == unit_kind::net)
        start_net(p, tool, unit.net);
    if (unit.kind == unit_kind::move && !p.resume.shown && p.style.done > 0 &&
        p.nets.size() == static_cast<std::size_t>(p.style.done))
        p.resume = {.shown = true, .net = p.style.done, .x = unit.x, .y = unit.y};
    if (unit.kind == unit_kind::move && !tool.has_position) {
        put_record(p.path, step_at(step::place, unit.x, unit.y));
    } else if (unit.kind == unit_kind::move && !tool.tool_down) {
        put_record(p.path, step_at(step::travel, unit.x, unit.y));
        p.travel_moves += unit.x != tool.x || unit.y != tool.y;
    } else if (unit.kind == unit_kind::move) {
        if (p.nets.empty())
            start_net(p, tool, "(moves before the first net)");
        // Only a move that goes somewhere makes the net a stroke rather than a hole.
        if (unit.x != tool.x || unit.y != tool.y) {
            widen(p.nets.back(), tool.x, tool.y);
            widen(p.nets.back(), unit.x, unit.y);
        }
        put_record(p.path, step_at(step::draw, unit.x, unit.y));
    }
    if (unit.kind == unit_kind::tool_down && !tool.tool_down && tool.has_position)
        put_record(p.path, step_at(step::lower, tool.x, tool.y));
    if (unit.kind == unit_kind::tool_up && tool.tool_down)
        put_record(p.path, step_at(step::raise, 0, 0));
    note_failure(p);
}

namespace {

// Writes the layers between the parts of the frame.
bool put_picture(std::FILE *out, const layer_setting &s, const picture_layer (&layers)[layer_count],
                 const job_summary &job, const picture_caption &caption, const resume_mark &resume)
{
    const bool off_bed = s.bed.given && !on_bed(overhang_of(job.box, s.bed.area));
    put_header(out, s.v, caption);
    if (off_bed)
        put_off_bed_clip(out, s.v, s.bed, s.stroke_px);
    put_bed(out, s.v, s.bed, false);
    put_bounding_box(out, s.v, job.box);
    put_axes(out, s.v, s.style);
    std::fputs("<g transform=\"scale(0.1)\" fill=\"none\" stroke-linecap=\"round\" "
               "stroke-linejoin=\"round\">\n<g id=\"job\">\n",
               out);
    bool written = true;
    for (const layer_kind k : {travel_layer, stroke_layer, hole_layer})
        written = put_layer(out, s, layers[k], k) && written;
    std::fputs("</g>\n", out);
    if (off_bed)
        put_in_red(out, "job");
    std::fputs("</g>\n", out);
    put_bed(out, s.v, s.bed, true);
    put_marks(out, s.v, job, resume);
    if (layers[arrow_layer].shown) {
        std::fputs("<g transform=\"scale(0.1)\" stroke=\"none\">\n<g id=\"arrows\">\n", out);
        written = put_layer(out, s, layers[arrow_layer], arrow_layer) && written;
        std::fputs("</g>\n", out);
        if (off_bed)
            put_in_red(out, "arrows");
        std::fputs("</g>\n", out);
    }
    put_legend(out, s.v,
               {.strokes = layers[stroke_layer].shown,
                .travel = layers[travel_layer].shown,
                .dashed_travel = s.dashed,
                .bed = s.bed.given,
                .off_bed = off_bed,
                .holes = layers[hole_layer].shown,
                .direction = layers[arrow_layer].shown,
                .done = resume.shown});
    std::fputs("</svg>\n", out);
    return written;
}

} // namespace

bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &bed,
                    const picture_caption &caption, std::FILE *out)
{
    hand_over(p.path);
    note_failure(p);
    const view v = view_of(job.box, bed, p.style);
    std::vector<unsigned char> colours = net_colours(p.nets);
    for (std::size_t k = 0; k + 1 < static_cast<std::size_t>(p.style.done) && k < colours.size();
         ++k)
        colours[k] = done_colour;
    // Strokes stay apart on a dense board: the more there are, the thinner, down to a pixel.
    const auto strokes = static_cast<double>(
        std::count_if(p.nets.begin(), p.nets.end(), [](const net_box &b) { return b.drawn; }));
    const layer_setting s{.path = p.path,
                          .v = v,
                          .bed = bed,
                          .style = p.style,
                          .box = job.box,
                          .grid = grid_of(v, job.box),
                          .colours = colours,
                          .names = p.names,
                          .stroke_px =
                              std::clamp(2.5 * std::sqrt(2000 / std::max(strokes, 1.0)), 1.0, 2.5),
                          .dashed = p.travel_moves <= dashed_hops,
                          // A hole or a stroke needs the tool lowered.
                          .present = {p.style.travel && p.travel_moves > 0, strokes > 0,
                                      job.tool_downs > 0, p.style.direction && strokes > 0}};
    picture_layer layers[layer_count];
    bool written = p.temporary_error == 0 && draw_layers(s, layers);
    if (!written && p.temporary_error == 0)
        p.temporary_error = errno ? errno : EIO;
    written = written && put_picture(out, s, layers, job, caption, p.resume);
    discard_picture(p);
    return written && std::fflush(out) == 0 && !std::ferror(out);
}

void discard_picture(svg_picture &p)
{
    if (p.path.file)
        std::fclose(p.path.file);
    p.path.file = nullptr;
}
