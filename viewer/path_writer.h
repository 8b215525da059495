// SVG path data in whole numbers, tenths of a pixel or hundredths of a unit, as short as
// the path grammar allows: relative commands, a command letter left out where it repeats,
// moves along one line in one direction written as one, and a subpath that goes nowhere as
// a segment of no length, which a round cap draws as a dot. The data is kept in memory, as
// long as its layer is drawn as paths.
#pragma once

#include <cstdint>
#include <string>

struct path_writer {
    std::string *out;
    bool started;      // a subpath has been begun
    std::int64_t x, y; // the point the path data has reached
    bool pending;      // a segment from (x, y) to (to_x, to_y) waits to be written
    std::int64_t to_x, to_y;
    bool drew;    // the open subpath has a segment
    char command; // the last command letter written
};

// Makes w write path data to the end of out.
void start_path(path_writer &w, std::string &out);

// Begins a subpath at (x, y), ending the one before.
void path_move(path_writer &w, std::int64_t x, std::int64_t y);

// Begins a subpath at (x, y) that stays a single point: a vertex for markers, no dot.
void path_vertex(path_writer &w, std::int64_t x, std::int64_t y);

// Extends the subpath to (x, y): nothing where the path stands, and the segment before
// lengthened when the move goes on along its line the same way.
void path_line(path_writer &w, std::int64_t x, std::int64_t y);

// Ends the subpath; one that drew nothing gets a segment of no length.
void end_subpath(path_writer &w);
