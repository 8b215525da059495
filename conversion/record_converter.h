// Turns chunks of the trace data file into the coordinates file: a move line for each
// segment record, a header block for each net record, the tool commands between them,
// and the trailer at the end.
#pragma once

#include "common_segment.h"
#include "trace_reader.h"
#include "xy_layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct conversion_state {
    tool_state tool;    // lower_on_next_point, raise_on_next_net: which record came last
    std::int64_t raw_x; // last x a segment record supplied
    std::int64_t raw_y; // last y a segment record supplied
    // Records converted where they lie keep their numbers as scanned; their values are
    // worked out only when a record that keeps a number needs them.
    bool scanned; // raw_x and raw_y are still to be taken from x and y
    scanned_number x, y;
};

// Collects the coordinates file in a block and hands it to the stream a block at a time.
struct xy_writer {
    std::FILE *out;
    std::size_t used;
    bool write_failed; // the stream refused bytes; nothing more is handed to it
    char block[block_size];
};

// Puts s in its start state: no record seen, both raw coordinates 0.
void reset(conversion_state &s);

// Makes w write to out, a file open for writing and not yet written, and takes out's
// own buffering away: w hands it whole blocks, and nothing may linger there after a
// refused write. (A memory stream, which is nothing but its buffer, will not do.)
void start_writing(xy_writer &w, std::FILE *out);

// Whether the chunk in line (line_size bytes, zero after the chunk) is a segment record:
// "SEG" in its first three characters.
inline bool is_segment_record(const char *line)
{
    return line[0] == 'S' && line[1] == 'E' && line[2] == 'G';
}

// Whether it is a net record: "NET" in its third to fifth characters.
inline bool is_net_record(const char *line)
{
    return line[2] == 'N' && line[3] == 'E' && line[4] == 'T';
}

// Whether size bytes from the start of a file, cut into chunks as the reader cuts them,
// hold a segment or a net record. A coordinates file never does, since every record it
// echoes stands a blank further in; trace data that converts to anything does.
bool holds_records(const char *bytes, std::size_t size);

// Judges the chunk in line (line_size bytes, zero after the chunk) as a segment record,
// a net record or neither, and writes to w what it calls for. Other chunks change nothing.
void convert_chunk(conversion_state &s, const char *line, xy_writer &w);

// Writes the trailer and hands all that w holds to its stream, which stays open; after
// a refused write it writes nothing, so that a file cut short never looks whole.
void finish(xy_writer &w);

// Converts every chunk r delivers and then finishes w, but stops reading at the first
// refused write. Afterwards r.read_failed and w.write_failed tell whether the input was
// read whole and the output written whole.
void convert_trace(trace_reader &r, conversion_state &s, xy_writer &w);
