// The tool's path as a picture keeps it while the job is read: fixed records in a temporary
// file, read back once the job's extent is known.
#pragma once

#include <cstdint>
#include <cstdio>

// What a record of the tool's path says.
enum class step : unsigned char {
    net,    // a net begins: x is its number
    place,  // the first move puts the tool at (x, y)
    lower,  // the tool is lowered at (x, y)
    draw,   // a move with the tool down to (x, y)
    raise,  // the tool is raised
    travel, // a move with the tool up to (x, y)
};

// Writes a record to f; a failure shows in f's error indicator.
void put_record(std::FILE *f, step kind, std::int64_t x, std::int64_t y);

// Reads the next record from f. Returns false at its end or on a failure, which shows in
// f's error indicator.
bool get_record(std::FILE *f, step &kind, std::int64_t &x, std::int64_t &y);
