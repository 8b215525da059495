// Block reads with exact chunk boundaries: a chunk never straddles the end of the
// block, because the unread tail is moved to the front before a shorter-than-a-chunk
// remainder could be handed out.
#include "trace_reader.h"

#include <algorithm>
#include <cstring>

void clearbuf(char *line)
{
    std::memset(line, 0, line_size);
}

void start_reading(trace_reader &r, std::FILE *in)
{
    r.in = in;
    r.next = 0;
    r.end = 0;
    r.drained = false;
    r.read_failed = false;
}

static void refill(trace_reader &r)
{
    const std::size_t kept = r.end - r.next;
    std::memmove(r.block, r.block + r.next, kept);
    r.next = 0;
    r.end = kept;
    const std::size_t wanted = block_size - kept;
    const std::size_t got = std::fread(r.block + kept, 1, wanted, r.in);
    r.end += got;
    if (got < wanted) {
        r.drained = true;
        r.read_failed = std::ferror(r.in) != 0;
    }
}

bool read_chunk(trace_reader &r, char *line)
{
    // The line is cleared even when nothing follows, so that a caller that looks only
    // at the buffer sees the end of the input as an empty line.
    clearbuf(line);
    if (r.end - r.next < line_size - 1 && !r.drained)
        refill(r);
    const std::size_t available = std::min(r.end - r.next, line_size - 1);
    if (available == 0)
        return false;
    const char *start = r.block + r.next;
    const void *feed = std::memchr(start, '\n', available);
    const std::size_t size =
        feed ? static_cast<std::size_t>(static_cast<const char *>(feed) - start) + 1 : available;
    std::memcpy(line, start, size);
    r.next += size;
    return true;
}
