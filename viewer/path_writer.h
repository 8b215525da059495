// SVG path data in whole numbers, tenths of a pixel or hundredths of a unit, as short as
// the path grammar allows: relative commands, a command letter left out where it repeats,
// moves along one line in one direction written as one, and a subpath that goes nowhere as
// a segment of no length, which a round cap draws as a dot. The data goes to a temporary
// file, and from there into a path element once the picture is put together.
#pragma once

#include <cstdint>
#include <cstdio>

struct path_writer {
    std::FILE *out;
    bool started;      // a subpath has been begun
    std::int64_t x, y; // the point the path data has reached
    bool pending;      // a segment from (x, y) to (to_x, to_y) waits to be written
    std::int64_t to_x, to_y;
    bool drew;    // the open subpath has a segment
    char command; // the last command letter written
};

// Makes w write path data to out.
void start_path(path_writer &w, std::FILE *out);

// Makes w write path data to out in which every subpath begins with "m", the first relative
// to (0, 0), which SVG takes as absolute: the data after each move then reads the same
// after any other.
void start_relative_path(path_writer &w, std::FILE *out);

// Begins a subpath at (x, y), ending the one before.
void path_move(path_writer &w, std::int64_t x, std::int64_t y);

// Begins a subpath at (x, y) that stays a single point: a vertex for markers, no dot.
void path_vertex(path_writer &w, std::int64_t x, std::int64_t y);

// Extends the subpath to (x, y): nothing where the path stands, and the segment before
// lengthened when the move goes on along its line the same way.
void path_line(path_writer &w, std::int64_t x, std::int64_t y);

// Writes segments, the length bytes of path data that a writer begun by start_relative_path
// wrote after a move, as those of the subpath just begun, which they take to (x, y).
void path_append(path_writer &w, const char *segments, std::size_t length, std::int64_t x,
                 std::int64_t y);

// Ends the subpath; one that drew nothing gets a segment of no length.
void end_subpath(path_writer &w);

// Copies all that from holds, from its start, to out. Returns false when reading from or
// writing to out failed.
bool copy_all(std::FILE *from, std::FILE *out);

// Writes to out a path element with attributes and the path data that w wrote to from;
// nothing when w began no subpath. Returns false when the copy failed.
bool put_path(std::FILE *out, std::FILE *from, const path_writer &w, const char *attributes);
