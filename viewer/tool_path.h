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

// The size of a record in the file.
constexpr std::size_t record_size = 1 + 2 * sizeof(std::int64_t);

// Reads a file of records from its end back to its start, a block at a time.
struct records_back {
    std::FILE *file;
    long block;     // where the block in buffer begins in the file
    std::size_t in; // the bytes of the block not yet read, from its start
    bool failed;    // seeking or reading failed, or the file is not whole records
    unsigned char buffer[record_size * 4096];
};

// Makes b read f's records from its end.
void start_back(records_back &b, std::FILE *f);

// Reads the record before those read so far. Returns false at the file's start or on a
// failure, which sets b.failed.
bool get_record_before(records_back &b, step &kind, std::int64_t &x, std::int64_t &y);

// Writes a record to f; a failure shows in f's error indicator.
void put_record(std::FILE *f, step kind, std::int64_t x, std::int64_t y);

// Reads the next record from f. Returns false at its end or on a failure, which shows in
// f's error indicator.
bool get_record(std::FILE *f, step &kind, std::int64_t &x, std::int64_t &y);

// A hash of a move's two ends whose high bits depend on all four numbers, for finding
// moves made before in a table.
std::uint64_t move_hash(std::int64_t x, std::int64_t y, std::int64_t to_x, std::int64_t to_y);
