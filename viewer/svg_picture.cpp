// The tool's path is kept as fixed records in a temporary file while the job is read, and
// drawn once its extent is known: each position in whole tenths of a pixel (strokes exactly,
// in hundredths, where a hundredth spans no less), one path element a colour (or a group a
// net, with its record as a tooltip, for a job of few nets), idle travel in one path, holes
// as rings in one. The layers are written to temporary files of their own in one pass over
// the records, then put in order; where they are too large, the strokes are drawn again,
// as an image, in a second pass.
#include "svg_picture.h"

#include "net_colours.h"
#include "path_writer.h"
#include "picture_frame.h"
#include "plotter.h"
#include "stroke_raster.h"
#include "stroke_run.h"
#include "tool_path.h"
#include "travel_cover.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

// Keeps the reason of the first failed write to a temporary file, while errno still
// holds it.
void note_failure(svg_picture &p, std::FILE *f)
{
    if (p.temporary_error == 0 && f && std::ferror(f))
        p.temporary_error = errno ? errno : EIO;
}

void widen(net_box &box, std::int64_t x, std::int64_t y)
{
    box = box.drawn ? net_box{true, std::min(box.min_x, x), std::min(box.min_y, y),
                              std::max(box.max_x, x), std::max(box.max_y, y)}
                    : net_box{true, x, y, x, y};
}

void start_net(svg_picture &p, const char *name)
{
    put_record(p.path, step::net, static_cast<std::int64_t>(p.nets.size()), 0);
    p.nets.push_back(net_box{});
    if (p.nets.size() <= most_named_nets)
        std::fwrite(name, 1, std::strlen(name) + 1, p.names);
}

} // namespace

bool start_picture(svg_picture &p, const picture_style &style)
{
    p = svg_picture{};
    p.style = style;
    p.path = std::tmpfile();
    p.names = std::tmpfile();
    if (p.path && p.names)
        return true;
    discard_picture(p);
    return false;
}

void picture_unit(svg_picture &p, const plotter &tool, const xy_unit &unit)
{
    if (unit.kind == unit_kind::net)
        start_net(p, unit.net);
    if (unit.kind == unit_kind::move && !tool.has_position)
        put_record(p.path, step::place, unit.x, unit.y);
    else if (unit.kind == unit_kind::move && !tool.tool_down) {
        put_record(p.path, step::travel, unit.x, unit.y);
        if (unit.x != tool.x || unit.y != tool.y) {
            ++p.travel_moves;
            p.travel_length += std::hypot(static_cast<double>(unit.x - tool.x),
                                          static_cast<double>(unit.y - tool.y));
        }
    } else if (unit.kind == unit_kind::move) {
        if (p.nets.empty())
            start_net(p, "(moves before the first net)");
        // Only a move that goes somewhere makes the net a stroke rather than a hole.
        if (unit.x != tool.x || unit.y != tool.y) {
            widen(p.nets.back(), tool.x, tool.y);
            widen(p.nets.back(), unit.x, unit.y);
        }
        put_record(p.path, step::draw, unit.x, unit.y);
    }
    if (unit.kind == unit_kind::tool_down && !tool.tool_down && tool.has_position)
        put_record(p.path, step::lower, tool.x, tool.y);
    if (unit.kind == unit_kind::tool_up && tool.tool_down)
        put_record(p.path, step::raise, 0, 0);
    note_failure(p, p.path);
    note_failure(p, p.names);
}

namespace {

// The layers drawn from the tool's path, each a temporary file of path data or of
// elements.
struct layers {
    stroke_run runs[palette_size];   // a colour each, for a job of many nets
    std::vector<char> run_data;      // a run's path data of a colour, read back to be ordered
    std::FILE *arrows[palette_size]; // path data a colour
    std::FILE *arrow_ends;           // records of the strokes' tips, for an image of arrowheads
    std::FILE *groups;               // a group a net for a job of few nets, else a path a
                                     // colour for each run of nets
    hop_layer idle;                  // idle travel, but for the hops that the cover hides
    std::FILE *solid;                // the cover's path element
    std::FILE *holes;                // path data
    bool dashed;                     // idle travel is drawn dashed
    travel_cover cover;              // pixels that the idle travel paints solid
    path_writer arrow_paths[palette_size];
    path_writer group_path, hole_path;
};

// The most path data of one colour in a run that is put in order.
constexpr std::size_t run_data_size = std::size_t{1} << 20;

bool open_layers(layers &l, bool named)
{
    l = layers{};
    bool opened = (l.idle.file = std::tmpfile()) && (l.solid = std::tmpfile()) &&
                  (l.holes = std::tmpfile()) && (l.groups = std::tmpfile()) &&
                  (l.arrow_ends = std::tmpfile());
    for (std::size_t c = 0; c < palette_size && opened; ++c)
        opened = (named || (l.runs[c].data = std::tmpfile())) && (l.arrows[c] = std::tmpfile());
    start_path(l.hole_path, l.holes);
    for (std::size_t c = 0; c < palette_size; ++c) {
        start_run(l.runs[c], l.runs[c].data);
        start_path(l.arrow_paths[c], l.arrows[c]);
    }
    l.run_data.resize(named ? 0 : run_data_size);
    return opened;
}

void close_layers(layers &l)
{
    for (std::FILE *f : {l.groups, l.idle.file, l.solid, l.holes, l.arrow_ends})
        if (f)
            std::fclose(f);
    for (std::size_t c = 0; c < palette_size; ++c)
        for (std::FILE *f : {l.runs[c].data, l.arrows[c]})
            if (f)
                std::fclose(f);
    l = layers{};
}

// The nets drawn in one path element a colour: a later run of nets is drawn over an
// earlier one, as the plotter draws them, while a run needs few elements.
constexpr std::int64_t nets_a_run = 2000;

// Ends the run of nets drawn so far: its strokes a path element a colour, after the runs
// before it. Returns false when a temporary file failed.
bool end_run(layers &l)
{
    bool copied = true;
    for (std::size_t c = 0; c < palette_size; ++c) {
        char attributes[32];
        std::snprintf(attributes, sizeof attributes, "stroke=\"%s\"", palette[c]);
        copied = put_run(l.groups, l.runs[c], attributes, l.run_data) && copied;
    }
    return copied;
}

// The most hops of idle travel drawn dashed, so that its way can be followed.
constexpr std::int64_t dashed_hops = 5000;

// The most bytes of solid pixels for each move of idle travel: a hop takes some 17, so the
// pixels pay where they hide a quarter of the hops or more.
constexpr long cover_bytes_a_move = 4;

// Where the tool stands as the records are read back: in hundredths, in tenths of a pixel
// and on the strokes' grid.
struct replay {
    const view &v;
    const stroke_grid &grid;
    const svg_picture &p;
    const std::vector<unsigned char> &colours;
    bool named;
    std::int64_t net;                // the net being drawn, or -1
    std::string name;                // its record, for a job of few nets
    bool down, moved, opened;        // the tool is down, has moved while down; the net's group is
                                     // open
    std::int64_t x, y;               // hundredths
    std::int64_t tx, ty;             // tenths of a pixel
    std::int64_t gx, gy;             // on the strokes' grid
    std::int64_t before_x, before_y; // tenths, the point before the last of the stroke
    std::vector<bool> hole_at;       // a cell of half a pixel that has a hole mark
    bool runs_failed;                // a run of nets could not be written
};

stroke_run &colour_run(replay &r, layers &l)
{
    return l.runs[r.colours[static_cast<std::size_t>(r.net)]];
}

path_writer &stroke_path(replay &r, layers &l)
{
    return r.named ? l.group_path : colour_run(r, l).path;
}

// Opens the group of the net being drawn, for a job of few nets: its colour and, as its
// tooltip, its record.
void open_group(replay &r, layers &l)
{
    if (!r.named || r.opened)
        return;
    std::fprintf(l.groups, "<g stroke=\"%s\"><title>",
                 palette[r.colours[static_cast<std::size_t>(r.net)]]);
    put_xml_text(l.groups, r.name.c_str());
    std::fputs("</title><path d=\"", l.groups);
    start_path(l.group_path, l.groups);
    r.opened = true;
}

void close_group(replay &r, layers &l)
{
    if (r.opened) {
        end_subpath(l.group_path);
        std::fputs("\"/></g>\n", l.groups);
    }
    r.opened = false;
}

// A stroke ends: a hole when the tool never moved while down, marked once in each cell of
// half a pixel, within which two holes lie less than a pixel apart.
void end_stroke(replay &r, layers &l, const picture_bed &bed)
{
    if (!r.moved) {
        const auto across = 2 * static_cast<std::int64_t>(r.p.style.width);
        const auto down = 2 * static_cast<std::int64_t>(r.p.style.height);
        if (r.hole_at.empty())
            r.hole_at.resize(static_cast<std::size_t>(across * down));
        const std::int64_t cx = std::clamp<std::int64_t>(r.tx / 5, 0, across - 1);
        const std::int64_t cy = std::clamp<std::int64_t>(r.ty / 5, 0, down - 1);
        if (!r.hole_at[static_cast<std::size_t>(cy * across + cx)]) {
            r.hole_at[static_cast<std::size_t>(cy * across + cx)] = true;
            path_vertex(l.hole_path, r.tx, r.ty);
        }
    } else {
        if (r.named)
            end_subpath(l.group_path);
        else
            finish_stroke(colour_run(r, l), r.gx, r.gy);
        const unsigned char colour = r.colours[static_cast<std::size_t>(r.net)];
        if (r.p.style.direction) {
            put_arrowhead(l.arrow_paths[colour], r.v, bed, {r.tx, r.ty}, {r.before_x, r.before_y});
            put_record(l.arrow_ends, step::net, colour, 0);
            put_record(l.arrow_ends, step::draw, r.tx, r.ty);
            put_record(l.arrow_ends, step::travel, r.before_x, r.before_y);
        }
    }
    r.down = false;
}

// Carries out one record on the layers.
void replay_record(replay &r, layers &l, step kind, std::int64_t x, std::int64_t y,
                   const picture_bed &bed)
{
    if (kind == step::net) {
        close_group(r, l);
        if (!r.named && x > 0 && x % nets_a_run == 0)
            r.runs_failed = !end_run(l) || r.runs_failed;
        r.net = x;
        r.name.clear();
        for (int c; r.named && (c = std::getc(r.p.names)) != EOF && c != '\0';)
            r.name.push_back(static_cast<char>(c));
        return;
    }
    if (kind == step::raise) {
        end_stroke(r, l, bed);
        return;
    }
    const std::int64_t tx = kind == step::lower ? r.tx : tenths_x(r.v, x);
    const std::int64_t ty = kind == step::lower ? r.ty : tenths_y(r.v, y);
    const std::int64_t gx = kind == step::lower ? r.gx : grid_x(r.grid, x, tx);
    const std::int64_t gy = kind == step::lower ? r.gy : grid_y(r.grid, y, ty);
    // A move with the tool up to where it stands is no travel, and draws no dot.
    const bool goes = x != r.x || y != r.y;
    if (kind == step::travel && goes && r.p.style.travel) {
        // A hidden hop ends the subpath under way, so that the next begins afresh.
        if (hop_hidden(l.cover, r.tx, r.ty, tx, ty))
            l.idle.open = false;
        else
            draw_hop(l.idle, r.tx, r.ty, tx, ty);
    }
    l.idle.open = l.idle.open && kind == step::travel;
    if (kind == step::lower || (kind == step::draw && !r.down)) {
        r.down = true;
        r.moved = false;
        r.before_x = r.tx;
        r.before_y = r.ty;
    }
    if (kind == step::draw && goes) {
        if (!r.moved) {
            open_group(r, l);
            if (r.named)
                path_move(l.group_path, r.gx, r.gy);
            else
                begin_stroke(colour_run(r, l), r.gx, r.gy);
        }
        r.moved = true;
        if (tx != r.tx || ty != r.ty) {
            r.before_x = r.tx;
            r.before_y = r.ty;
        }
        path_line(stroke_path(r, l), gx, gy);
    }
    r.x = x;
    r.y = y;
    r.tx = tx;
    r.ty = ty;
    r.gx = gx;
    r.gy = gy;
}

// Reads the tool's path back and draws it on the layers.
bool draw_layers(svg_picture &p, const view &v, const stroke_grid &grid,
                 const std::vector<unsigned char> &colours, const picture_bed &bed, layers &l)
{
    const bool named = p.nets.size() <= most_named_nets;
    replay r{v, grid, p, colours, named, -1, {}, false, false, false,
             0, 0,    0, 0,       0,     0,  0,  0,     {},    false};
    // Dashed travel, that of a small job, shows its hops one by one and has no cover. A run
    // of hops has one move or more, so that few moves make few runs.
    l.dashed = p.travel_moves <= dashed_hops;
    start_cover(l.cover, 0, 0, 0);
    bool cleared = true;
    if (p.style.travel && !l.dashed) {
        start_cover(l.cover, p.style.width, p.style.height, p.travel_length / 100 * v.scale);
        l.dashed = cover_travel(p.path, v, l.cover) <= dashed_hops;
        settle_cover(l.cover);
        put_cover(l.solid, l.cover);
        // Solid pixels scattered among the hops would take more bytes than the hops they hide.
        if (l.dashed || std::ftell(l.solid) > cover_bytes_a_move * p.travel_moves) {
            start_cover(l.cover, 0, 0, 0);
            std::rewind(l.solid);
            cleared = ftruncate(fileno(l.solid), 0) == 0;
        }
    }
    std::rewind(p.path);
    std::rewind(p.names);
    step kind;
    for (std::int64_t x, y; get_record(p.path, kind, x, y);)
        replay_record(r, l, kind, x, y, bed);
    if (r.down)
        end_stroke(r, l, bed);
    close_group(r, l);
    close_hops(l.idle);
    return !std::ferror(p.path) && cleared && (named || end_run(l)) && !r.runs_failed &&
           std::fflush(l.arrow_ends) == 0 && !std::ferror(l.arrow_ends);
}

// The job in tenths of a pixel, its strokes on their grid: idle travel under the strokes and the
// holes, drawn again in red where it lies off the bed.
bool put_job(std::FILE *out, layers &l, const stroke_grid &grid, const view &v, double stroke_px,
             stroke_raster *image, bool off_bed, bool dashed)
{
    std::fputs("<g transform=\"scale(0.1)\" fill=\"none\" stroke-linecap=\"round\" "
               "stroke-linejoin=\"round\">\n<g id=\"job\">\n",
               out);
    bool written = true;
    if (l.idle.hops > 0 || std::ftell(l.solid) > 0) {
        std::fprintf(out, "<g stroke=\"%s\" stroke-width=\"%.1f\"%s><title>idle travel</title>\n",
                     travel_colour, travel_width, dashed ? " stroke-dasharray=\"60 40\"" : "");
        written = copy_all(l.idle.file, out);
        written = copy_all(l.solid, out) && written;
        std::fputs("</g>\n", out);
    }
    if (image) {
        written = put_raster(out, *image) && written;
    } else {
        open_stroke_group(out, grid, v, stroke_px);
        written = copy_all(l.groups, out) && written;
        std::fputs("</g>\n", out);
    }
    if (l.hole_path.started)
        written = put_holes(out, l.holes) && written;
    std::fputs("</g>\n", out);
    if (off_bed)
        put_in_red(out, "job");
    std::fputs("</g>\n", out);
    return written;
}

// The arrowheads, over the marks, so that none hides under them, as paths or as image;
// those off the bed in red, as the strokes there are.
bool put_arrows(std::FILE *out, layers &l, stroke_raster *image, bool off_bed)
{
    bool written = true, drawn = false;
    for (path_writer &w : l.arrow_paths) {
        end_subpath(w);
        drawn = drawn || w.started;
    }
    if (!drawn)
        return true;
    std::fputs("<g transform=\"scale(0.1)\" stroke=\"none\">\n<g id=\"arrows\">\n", out);
    written = !image || put_raster(out, *image);
    for (std::size_t c = 0; c < palette_size && !image; ++c) {
        char attributes[32];
        std::snprintf(attributes, sizeof attributes, "fill=\"%s\"", palette[c]);
        written = put_path(out, l.arrows[c], l.arrow_paths[c], attributes) && written;
    }
    std::fputs("</g>\n", out);
    if (off_bed)
        put_in_red(out, "arrows");
    std::fputs("</g>\n", out);
    return written;
}

// Gives the picture up after a failure of its temporary files, keeping the first reason.
bool abandon(svg_picture &p, layers &l)
{
    if (p.temporary_error == 0)
        p.temporary_error = errno ? errno : EIO;
    close_layers(l);
    discard_picture(p);
    return false;
}

// The bytes of the arrowheads' paths.
long arrow_bytes(const layers &l)
{
    long bytes = 0;
    for (std::FILE *f : l.arrows)
        bytes += std::ftell(f);
    return bytes;
}

// Whether the layers' paths pass the most a picture draws in style.
bool too_large(const layers &l, const picture_style &style)
{
    return std::ftell(l.groups) + std::ftell(l.idle.file) + std::ftell(l.solid) +
               std::ftell(l.holes) + arrow_bytes(l) >
           style.most_path_bytes;
}

} // namespace

bool finish_picture(svg_picture &p, const job_summary &job, const picture_bed &bed,
                    const picture_caption &caption, std::FILE *out)
{
    std::fflush(p.path);
    std::fflush(p.names);
    note_failure(p, p.path);
    note_failure(p, p.names);
    layers l{};
    const view v = view_of(job.box, bed, p.style);
    const stroke_grid grid = grid_of(v, job.box);
    const std::vector<unsigned char> colours = net_colours(p.nets);
    const bool opened = p.temporary_error == 0 && open_layers(l, p.nets.size() <= most_named_nets);
    if (!opened || !draw_layers(p, v, grid, colours, bed, l))
        return abandon(p, l);
    // Strokes stay apart on a dense board: the more there are, the thinner, down to a
    // pixel.
    const auto strokes = static_cast<std::size_t>(
        std::count_if(p.nets.begin(), p.nets.end(), [](const net_box &b) { return b.drawn; }));
    const double stroke_px = std::clamp(
        2.5 * std::sqrt(2000.0 / static_cast<double>(std::max<std::size_t>(strokes, 1))), 1.0, 2.5);
    const bool off_bed = bed.given && !on_bed(overhang_of(job.box, bed.area));
    const bool dashed = l.dashed;
    stroke_raster image{}, arrows{};
    bool as_image = too_large(l, p.style) && start_raster(image, v, job.box, stroke_px,
                                                          stroke_px / 2 + 1, std::ftell(l.groups));
    if (as_image && !draw_raster(image, p.path, v, colours))
        return abandon(p, l);
    as_image = as_image && image.work_left >= 0;
    // Arrowheads reach some 9 pixels from the strokes' ends.
    bool arrows_as_image = as_image && start_raster(arrows, v, job.box, 1, 9, arrow_bytes(l));
    if (arrows_as_image && !draw_arrows(arrows, l.arrow_ends, v, bed))
        return abandon(p, l);
    arrows_as_image = arrows_as_image && arrows.work_left >= 0;
    put_header(out, v, caption);
    if (off_bed)
        put_off_bed_clip(out, v, bed, stroke_px);
    put_bed(out, v, bed, false);
    put_bounding_box(out, v, job.box);
    put_axes(out, v);
    bool written =
        put_job(out, l, grid, v, stroke_px, as_image ? &image : nullptr, off_bed, dashed);
    put_bed(out, v, bed, true);
    put_marks(out, v, job);
    written = put_arrows(out, l, arrows_as_image ? &arrows : nullptr, off_bed) && written;
    put_legend(out, v,
               {strokes > 0, p.style.travel && p.travel_moves > 0, dashed, bed.given, off_bed,
                l.hole_path.started, p.style.direction && strokes > 0});
    std::fputs("</svg>\n", out);
    close_layers(l);
    discard_picture(p);
    return written && std::fflush(out) == 0 && !std::ferror(out);
}

void discard_picture(svg_picture &p)
{
    for (std::FILE *f : {p.path, p.names})
        if (f)
            std::fclose(f);
    p.path = p.names = nullptr;
}
