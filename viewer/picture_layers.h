// The layers of a job's picture, its idle travel, strokes, holes and arrowheads, each drawn as
// paths while its path data is small enough for a browser to show at once, and otherwise as
// an image of the picture's own pixels; all of them from walks over the tool's path.
#pragma once

#include "coverage_raster.h"
#include "net_colours.h"
#include "picture_frame.h"
#include "tool_path.h"

#include <cstdio>
#include <string>
#include <vector>

enum layer_kind { travel_layer, stroke_layer, hole_layer, arrow_layer, layer_count };

// What the layers draw from, and how.
struct layer_setting {
    const tool_path &path;
    const view &v;
    const picture_bed &bed;
    const picture_style &style;
    const extent &box; // the job's
    stroke_grid grid;
    const std::vector<unsigned char> &colours; // a palette index a net
    const std::vector<std::string> &names;     // the nets' records, when each net is named
    double stroke_px;                          // the strokes' width
    bool dashed;                               // idle travel is drawn dashed
    bool present[layer_count];                 // the job may have some of each layer
};

struct picture_layer {
    bool image;             // its paths would pass style.most_layer_bytes
    bool shown;             // it draws anything
    std::string data;       // as paths: its elements or path data
    coverage_raster raster; // as an image: where the image lies
    std::string png;        // and its file
};

// Draws each layer that style asks for: as paths in one walk in the file's order, then each
// whose paths pass the most bytes a layer has as an image, in a walk of its own (the strokes
// and arrowheads with the last net first, so that it lies on top). Returns false when reading
// the tool's path failed.
bool draw_layers(const layer_setting &s, picture_layer (&layers)[layer_count]);

// Writes layer k as the picture shows it, in tenths of a pixel. Returns false when a write
// failed.
bool put_layer(std::FILE *out, const layer_setting &s, const picture_layer &layer, layer_kind k);
