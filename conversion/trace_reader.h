// Cuts the trace data file into chunks exactly as a bounded line read of 80 bytes
// would: each chunk is at most 79 bytes, up to and including a line feed. The file
// itself is read in large blocks, so the chunking costs no library call per line.
#pragma once

#include <cstddef>
#include <cstdio>

// Size of the line buffer: a chunk of at most line_size - 1 bytes and its terminator.
constexpr std::size_t line_size = 80;

// Size of the block in which the reader keeps bytes taken from the stream, and of the
// zeroed bytes after them that a word-wise search may read.
constexpr std::size_t block_size = 1 << 16;
constexpr std::size_t block_slack = 8;

struct trace_reader {
    std::FILE *in;
    std::size_t next; // first byte of block not yet handed out
    std::size_t end;  // one past the last byte read into block
    bool drained;     // the stream gives no more bytes
    bool read_failed; // and that was a read error, not the end of the file
    char block[block_size + block_slack];
};

// Writes zero into all line_size bytes of line.
void clearbuf(char *line);

// Makes r read from in, which is open for reading and positioned where reading starts.
void start_reading(trace_reader &r, std::FILE *in);

// Clears line and copies the next chunk into it. Returns false, leaving line all zero,
// once no byte is left; r.read_failed then tells a read error from the end of the file.
// On a read error, the bytes after the last line feed read before it are never delivered.
// A chunk may hold zero bytes anywhere, at its start too: it is still a chunk.
bool read_chunk(trace_reader &r, char *line);
