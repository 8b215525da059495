// The paths of every layer are collected in memory in one walk; a layer that passes the most
// bytes it may have drops its paths there and then, and is drawn again later as an image. The
// strokes of a job of few nets are a group a net, titled with its record; those of a larger
// job a path for each run of nets of one colour, in the file's order.
#include "picture_layers.h"

#include <cstdlib>
#include <unordered_set>

namespace {

// The layers as paths, while they are drawn from the walk in the file's order.
struct path_layers {
    const layer_setting &s;
    picture_layer (&layers)[layer_count];
    path_writer travel, strokes, holes, arrows[palette_size + 1];
    std::string arrow_data[palette_size + 1];
    int open_colour;    // the colour of the strokes' open element, or -1
    bool named;         // each net is a group of its own
    std::int64_t bytes; // of the arrowheads
    std::unordered_set<std::uint64_t> hole_cells;
};

// Whether layer k is still drawn as paths: once its paths pass the most bytes a layer may
// have, it is an image, and its paths are dropped.
bool as_paths(path_layers &l, layer_kind k, std::int64_t bytes)
{
    picture_layer &layer = l.layers[k];
    if (!layer.image && bytes > l.s.style.most_layer_bytes) {
        layer.image = true;
        layer.data = {};
    }
    return !layer.image;
}

// Once every layer the job may have is an image, the rest of the walk would draw nothing.
bool walk_finished(const path_layers &l)
{
    for (int k = 0; k < layer_count; ++k)
        if (l.s.present[k] && !l.layers[k].image)
            return false;
    return true;
}

void close_strokes(path_layers &l)
{
    if (l.open_colour < 0)
        return;
    end_subpath(l.strokes);
    l.layers[stroke_layer].data += l.named ? "\"/></g>\n" : "\"/>\n";
    l.open_colour = -1;
}

void path_net(path_layers &l, std::int64_t)
{
    if (l.named)
        close_strokes(l);
}

void path_travel(path_layers &l, const path_point &from, const path_point &to)
{
    std::string &data = l.layers[travel_layer].data;
    if (!l.s.style.travel || !as_paths(l, travel_layer, static_cast<std::int64_t>(data.size())))
        return;
    path_move(l.travel, from.tx, from.ty);
    path_line(l.travel, to.tx, to.ty);
    l.layers[travel_layer].shown = true;
}

// Opens the element of net k's strokes, where the one open is another net's or colour.
void open_strokes(path_layers &l, std::int64_t k)
{
    const int colour = l.s.colours[static_cast<std::size_t>(k)];
    if (l.open_colour >= 0 && (l.named || l.open_colour == colour))
        return;
    close_strokes(l);
    std::string &data = l.layers[stroke_layer].data;
    data.append(l.named ? "<g stroke=\"" : "<path stroke=\"").append(palette[colour]);
    if (l.named)
        data.append("\"><title>")
            .append(xml_text(l.s.names[static_cast<std::size_t>(k)].c_str()))
            .append("</title><path d=\"");
    else
        data.append("\" d=\"");
    start_path(l.strokes, data);
    l.open_colour = colour;
}

void path_stroke(path_layers &l, std::int64_t k, const path_point &from, const path_point &to,
                 bool first)
{
    if (!as_paths(l, stroke_layer, static_cast<std::int64_t>(l.layers[stroke_layer].data.size())))
        return;
    const stroke_grid &g = l.s.grid;
    open_strokes(l, k);
    if (first)
        path_move(l.strokes, grid_x(g, from.x, from.tx), grid_y(g, from.y, from.ty));
    path_line(l.strokes, grid_x(g, to.x, to.tx), grid_y(g, to.y, to.ty));
    l.layers[stroke_layer].shown = true;
}

void path_stroke_end(path_layers &l, std::int64_t k, const path_point &tip,
                     const path_point &before)
{
    if (l.open_colour >= 0 && !l.layers[stroke_layer].image)
        end_subpath(l.strokes);
    if (!l.s.style.direction || !as_paths(l, arrow_layer, l.bytes))
        return;
    const unsigned colour = l.s.colours[static_cast<std::size_t>(k)];
    const std::size_t size = l.arrow_data[colour].size();
    put_arrowhead(l.arrows[colour], l.s.v, l.s.bed, {tip.tx, tip.ty}, {before.tx, before.ty});
    l.bytes += static_cast<std::int64_t>(l.arrow_data[colour].size() - size);
    l.layers[arrow_layer].shown = true;
}

// Holes closer than a pixel share one ring: one is drawn in each cell of half a pixel.
void path_hole(path_layers &l, const path_point &at)
{
    l.layers[hole_layer].shown = true;
    if (!as_paths(l, hole_layer, static_cast<std::int64_t>(l.layers[hole_layer].data.size())))
        return;
    const auto cell =
        static_cast<std::uint64_t>(at.tx / 5) << 32 ^ static_cast<std::uint32_t>(at.ty / 5);
    if (l.hole_cells.insert(cell).second)
        path_vertex(l.holes, at.tx, at.ty);
}

// A layer drawn as an image, in a walk of its own.
struct image_layer {
    const layer_setting &s;
    layer_kind kind;
    coverage_raster &raster;
};

void path_net(image_layer &, std::int64_t) {}

bool walk_finished(const image_layer &)
{
    return false;
}

// The inks of an image: the palette's, then idle travel's, the holes' and white.
constexpr unsigned travel_ink = done_colour + 1, hole_ink = travel_ink + 1,
                   white_ink = hole_ink + 1;

void path_travel(image_layer &l, const path_point &from, const path_point &to)
{
    if (l.kind == travel_layer)
        raster_stroke(l.raster, travel_ink, from.tx, from.ty, to.tx, to.ty, travel_width / 10);
}

void path_stroke(image_layer &l, std::int64_t k, const path_point &from, const path_point &to, bool)
{
    if (l.kind == stroke_layer)
        raster_stroke(l.raster, l.s.colours[static_cast<std::size_t>(k)], from.tx, from.ty, to.tx,
                      to.ty, l.s.stroke_px);
}

void path_stroke_end(image_layer &l, std::int64_t k, const path_point &tip,
                     const path_point &before)
{
    tenths_point corners[3];
    if (l.kind != arrow_layer ||
        !arrowhead_of(l.s.v, l.s.bed, {tip.tx, tip.ty}, {before.tx, before.ty}, corners))
        return;
    const std::int64_t triangle[3][2] = {
        {corners[0].x, corners[0].y}, {corners[1].x, corners[1].y}, {corners[2].x, corners[2].y}};
    raster_triangle(l.raster, l.s.colours[static_cast<std::size_t>(k)], triangle);
}

// A ring of the holes' colour, white inside.
void path_hole(image_layer &l, const path_point &at)
{
    if (l.kind != hole_layer)
        return;
    const double inside = hole_radius - hole_ring / 2;
    raster_hole(l.raster, hole_ink, white_ink, at.tx, at.ty, inside, hole_radius + hole_ring / 2);
}

// How far beyond the job's box each layer may draw, in pixels.
double reach_of(const layer_setting &s, int k)
{
    return k == arrow_layer    ? 9
           : k == hole_layer   ? hole_radius + hole_ring
           : k == stroke_layer ? s.stroke_px
                               : travel_width / 10;
}

raster_ink ink_of(const char *hex)
{
    const long rgb = std::strtol(hex + 1, nullptr, 16);
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

// Draws the layers from first to last that are images, which lie on one another in that order,
// into one image kept with the first, from the top down, so that what lies under what is drawn
// above costs little: each in a walk of its own, the strokes and arrowheads with the last net
// first.
bool draw_image(const layer_setting &s, picture_layer (&layers)[layer_count], int first, int last)
{
    const extent &box = s.box;
    double reach = 0;
    for (int k = first; k <= last; ++k)
        reach = layers[k].image ? std::max(reach, reach_of(s, k) + 1) : reach;
    coverage_raster &raster = layers[first].raster;
    // Idle travel alone is drawn in one ink, and needs no vote between inks.
    start_raster(raster, s.v, s.v.x(box.min_x / 100.0) - reach, s.v.y(box.max_y / 100.0) - reach,
                 s.v.x(box.max_x / 100.0) + reach, s.v.y(box.min_y / 100.0) + reach,
                 first == travel_layer && last == travel_layer ? static_cast<int>(travel_ink) : -1,
                 first <= stroke_layer);
    for (int k = last; k >= first; --k) {
        if (!layers[k].image)
            continue;
        image_layer l{s, static_cast<layer_kind>(k), raster};
        const bool on_top = k == stroke_layer || k == arrow_layer;
        if (!walk(s.path, s.v, on_top ? walk_order::last_net_first : walk_order::file, l))
            return false;
    }
    raster_ink inks[most_inks];
    for (std::size_t c = 0; c <= done_colour; ++c)
        inks[c] = ink_of(palette[c]);
    inks[travel_ink] = ink_of(travel_colour);
    inks[hole_ink] = ink_of(hole_colour);
    inks[white_ink] = ink_of("#ffffff");
    layers[first].png = raster_png(raster, inks, white_ink + 1);
    return !layers[first].png.empty();
}

} // namespace

bool draw_layers(const layer_setting &s, picture_layer (&layers)[layer_count])
{
    for (picture_layer &layer : layers)
        layer = picture_layer{};
    path_layers l{.s = s,
                  .layers = layers,
                  .travel = {},
                  .strokes = {},
                  .holes = {},
                  .arrows = {},
                  .arrow_data = {},
                  .open_colour = -1,
                  .named = !s.names.empty(),
                  .bytes = 0,
                  .hole_cells = {}};
    start_path(l.travel, layers[travel_layer].data);
    start_path(l.holes, layers[hole_layer].data);
    for (std::size_t c = 0; c <= done_colour; ++c)
        start_path(l.arrows[c], l.arrow_data[c]);
    if (!walk(s.path, s.v, walk_order::file, l))
        return false;
    close_strokes(l);
    end_subpath(l.travel);
    end_subpath(l.holes);
    for (std::size_t c = 0; c <= done_colour && !layers[arrow_layer].image; ++c) {
        end_subpath(l.arrows[c]);
        if (!l.arrow_data[c].empty())
            layers[arrow_layer].data +=
                std::string("<path fill=\"") + palette[c] + "\" d=\"" + l.arrow_data[c] + "\"/>\n";
    }
    // Layers next to one another that are images share one, as do those on either side of
    // a layer that draws nothing, as a drilling job's travel and holes; the arrowheads, over
    // the marks, have their own.
    const auto joins = [&](int k) { return layers[k].image || !layers[k].shown; };
    for (int first = 0, last; first < layer_count; first = last + 1) {
        last = first;
        while (layers[first].image && first < arrow_layer && last + 1 < arrow_layer &&
               joins(last + 1))
            ++last;
        while (last > first && !layers[last].image)
            --last;
        if (layers[first].image && !draw_image(s, layers, first, last))
            return false;
    }
    return true;
}

bool put_layer(std::FILE *out, const layer_setting &s, const picture_layer &layer, layer_kind k)
{
    if (!layer.shown || (layer.image && layer.png.empty()))
        return true;
    if (layer.image)
        return put_raster(out, layer.raster, layer.png,
                          k == arrow_layer ? "arrowheads, as an image" : "the job, as an image");
    if (k == travel_layer)
        std::fprintf(out,
                     "<g stroke=\"%s\" stroke-width=\"%.1f\"%s><title>idle travel</title>\n"
                     "<path d=\"%s\"/>\n</g>\n",
                     travel_colour, travel_width, s.dashed ? " stroke-dasharray=\"60 40\"" : "",
                     layer.data.c_str());
    if (k == stroke_layer) {
        open_stroke_group(out, s.grid, s.v, s.stroke_px);
        std::fputs(layer.data.c_str(), out);
        std::fputs("</g>\n", out);
    }
    if (k == hole_layer)
        put_holes(out, layer.data);
    if (k == arrow_layer)
        std::fputs(layer.data.c_str(), out);
    return !std::ferror(out);
}
