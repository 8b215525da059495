// Cuts the trace data file into chunks exactly as a bounded line read of 80 bytes
// would: each chunk is at most 79 bytes, up to and including a line feed. The file
// itself is read in large blocks, so the chunking costs no library call per line.
#pragma once

#include <cstddef>
#include <cstdio>

// Size of the line buffer: a chunk of at most line_size - 1 bytes and its terminator.
constexpr std::size_t line_size = 80;

// Size of the block in which the reader keeps bytes taken from the stream, and of the
// zeroed bytes after them that a word-wise search or scan may read. The fuzz build has
// small blocks, so that short inputs cross their ends and no run zeroes much memory.
#ifdef TRACE2XY_SMALL_BLOCKS
constexpr std::size_t block_size = 1 << 9;
#else
constexpr std::size_t block_size = 1 << 18;
#endif
constexpr std::size_t block_slack = 16;

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

// Makes r read from in, which is open for reading, not yet read and positioned where
// reading starts, and takes the buffering of a file away: r reads whole blocks itself.
void start_reading(trace_reader &r, std::FILE *in);

// Moves the unread bytes to the front of r's block and fills the rest from the stream.
void refill(trace_reader &r);

// Returns where the unread bytes of r's block start and, in available, how many there
// are; when fewer than a chunk's worth are left, the block is refilled first, so that
// the next chunk lies whole among them. block_slack readable bytes follow them.
inline const char *unread_bytes(trace_reader &r, std::size_t &available)
{
    if (r.end - r.next < line_size - 1 && !r.drained)
        refill(r);
    available = r.end - r.next;
    return r.block + r.next;
}

// Takes the first length of the unread bytes, which form one chunk, as read.
inline void skip_chunk(trace_reader &r, std::size_t length)
{
    r.next += length;
}

// Clears line and copies the next chunk into it. Returns false, leaving line all zero,
// once no byte is left; r.read_failed then tells a read error from the end of the file.
// On a read error, the bytes after the last line feed read before it are never delivered.
// A chunk may hold zero bytes anywhere, at its start too: it is still a chunk.
bool read_chunk(trace_reader &r, char *line);
