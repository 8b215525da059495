// Reads an xy coordinates file unit by unit, as a plotter takes it: move lines, tool
// lines, net header blocks and the trailer, each checked against the exact format that
// trace2xy writes.
#pragma once

#include "xy_layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Room for one line of a coordinates file; the longest valid line, the echoed net
// record of a net header block, has 82 bytes with its line feed.
constexpr std::size_t xy_line_size = 128;

struct xy_unit {
    unit_kind kind;
    std::int64_t x, y;           // a move's position, in hundredths of an output unit
    bool x_negative, y_negative; // its fields carry a minus sign, as "-0.00" does
    char net[xy_line_size];      // a net's record as echoed, blanks around it removed
    char record[xy_line_size];   // the record exactly as trace2xy read it, its line feed
    std::size_t record_length;   // included when it had one
};

enum class read_result {
    unit,      // a unit was read
    finished,  // the trailer was read before, and the file ends there
    malformed, // r.line, line r.line_number, is no unit of the file where it stands, as
               // r.fault tells
    cut_short, // the file ends before its trailer, after line r.line_number
    failed,    // the stream reported a read error
};

// Why a line was malformed.
enum class line_fault {
    not_a_unit,   // it is none of the file's units, or stands where none of them can
    beyond_range, // a move line, but a number of it lies beyond largest_hundredths
    after_end,    // text after the trailer: the first line of it that is not blank
};

struct coordinates_reader {
    std::FILE *in;
    char block[1 << 16]; // read from in, lines taken from it up to at
    std::size_t at, end;
    long line_number;         // of line, the last line taken
    long unit_line;           // where the last unit read began
    std::int64_t taken;       // bytes of the file taken as lines so far
    std::int64_t line_offset; // where line begins in the file
    std::int64_t unit_offset; // and the last unit read
    char line[xy_line_size];  // the last line taken, without its line feed
    std::size_t line_length;  // its length, at most xy_line_size - 1 bytes kept
    bool line_cut;            // the line was longer than the room kept for it
    bool line_fed;            // it ended in a line feed, not the end of the file
    bool held;                // line was taken as lookahead and not used yet
    bool after_trailer;       // the trailer has been read
    bool after_tool_up;       // the last unit was a "Tool Up" line
    line_fault fault;         // why the last malformed line was
    long trailer_line;        // the trailer's last line, once it has been read
};

// Makes r read from in, which is open for reading.
void start_reading(coordinates_reader &r, std::FILE *in);

// Reads the next unit into unit; a line longer than any unit, or one without a line
// feed at the end of the file, is malformed, as is a number of a move beyond the range
// that trace2xy writes, or anything after the trailer.
read_result read_unit(coordinates_reader &r, xy_unit &unit);

// Takes the next line, whatever it holds, into r.line, for a look past a malformed one.
// Returns false at the end of the file or on a read error.
bool next_line(coordinates_reader &r);
