// Block reads with exact chunk boundaries. A chunk never straddles the end of the block,
// because the unread tail is moved to the front before a shorter-than-a-chunk remainder
// could be handed out; and the search for its line feed copies it on the way, a word of
// eight bytes at a time.
#include "trace_reader.h"

#include "byte_words.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Marks the zero bytes of word in their top bits. Bytes after the first zero byte may be
// marked wrongly, so only the lowest mark counts.
std::uint64_t zero_bytes(std::uint64_t word)
{
    return (word - every_byte(1)) & ~word & every_byte(0x80);
}

} // namespace

void refill(trace_reader &r)
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
    // The bytes after the last line feed before a read error are a line whose end was
    // never read: converted, they would be a record with numbers cut short. Without a
    // line feed in the block, npos + 1 keeps nothing.
    if (r.read_failed)
        r.end = std::string_view(r.block, r.end).rfind('\n') + 1;
    // The word-wise search and scan read up to block_slack bytes past the end; they must
    // be defined.
    std::memset(r.block + r.end, 0, block_slack);
}

void clearbuf(char *line)
{
    std::memset(line, 0, line_size);
}

void start_reading(trace_reader &r, std::FILE *in)
{
    r.in = in;
    // The block is the only buffer a file needs; a stream without a file (in memory)
    // keeps its own, which it reads from a byte at a time otherwise.
    if (fileno(in) >= 0)
        std::setvbuf(in, nullptr, _IONBF, 0);
    r.next = 0;
    r.end = 0;
    r.drained = false;
    r.read_failed = false;
}

bool read_chunk(trace_reader &r, char *line)
{
    // The line is cleared even when nothing follows, so that a caller that looks only
    // at the buffer sees the end of the input as an empty line.
    clearbuf(line);
    std::size_t unread;
    const char *const start = unread_bytes(r, unread);
    const std::size_t available = std::min(unread, line_size - 1);
    if (available == 0)
        return false;
    std::size_t size = 0;
    for (;;) {
        std::uint64_t word;
        std::memcpy(&word, start + size, sizeof word);
        const std::uint64_t feeds = zero_bytes(word ^ every_byte('\n'));
        const std::size_t room = available - size;
        const std::size_t taken =
            feeds ? std::min(static_cast<std::size_t>(std::countr_zero(feeds)) / 8 + 1, room)
                  : std::min(std::size_t{8}, room);
        if (taken < 8)
            word &= (std::uint64_t{1} << 8 * taken) - 1;
        // A word starts at most at byte 72, so it ends inside the line buffer.
        std::memcpy(line + size, &word, sizeof word);
        size += taken;
        if (feeds || size == available)
            break;
    }
    skip_chunk(r, size);
    return true;
}
