// Record recognition, the tool-state machine and the coordinates file's bytes.
#include "record_converter.h"

#include "coordinate_format.h"
#include "segment_scan.h"

#include <algorithm>
#include <cstring>

// No single record writes more than this: a net header block with its "Tool Up" line.
constexpr std::size_t record_room = 2 * line_size;
static_assert(record_room <= block_size);
static_assert(record_room >= move_room && record_room >= net_room + line_size);

void reset(conversion_state &s)
{
    s.tool = tool_state{0, 0};
    s.raw_x = 0;
    s.raw_y = 0;
    s.scanned = false;
}

void start_writing(xy_writer &w, std::FILE *out)
{
    w.out = out;
    w.used = 0;
    w.write_failed = false;
    std::setvbuf(out, nullptr, _IONBF, 0);
}

static void flush_block(xy_writer &w)
{
    if (!w.write_failed && std::fwrite(w.block, 1, w.used, w.out) != w.used)
        w.write_failed = true;
    w.used = 0;
}

// Returns where the next record may write its bytes, with record_room free after it.
static char *record_space(xy_writer &w)
{
    if (block_size - w.used < record_room)
        flush_block(w);
    return w.block + w.used;
}

static char *put(char *to, const char *text, std::size_t size)
{
    std::memcpy(to, text, size);
    return to + size;
}

// Writes the move line of the segment record just scanned into s.
static void write_move(conversion_state &s, xy_writer &w)
{
    bool x_minus, y_minus;
    const std::int64_t x = coordinate_hundredths(s.raw_x, x_minus);
    const std::int64_t y = coordinate_hundredths(s.raw_y, y_minus);
    char *const start = record_space(w);
    w.used += static_cast<std::size_t>(put_move(start, s.tool, x, x_minus, y, y_minus) - start);
}

static void convert_segment(conversion_state &s, const char *line, xy_writer &w)
{
    if (s.scanned) {
        s.raw_x = value_of(s.x);
        s.raw_y = value_of(s.y);
        s.scanned = false;
    }
    scan_segment(line, s.raw_x, s.raw_y);
    write_move(s, w);
}

static void convert_net(conversion_state &s, const char *line, xy_writer &w)
{
    char *const start = record_space(w);
    w.used += static_cast<std::size_t>(put_net(start, s.tool, line, std::strlen(line)) - start);
}

bool holds_records(const char *bytes, std::size_t size)
{
    char line[line_size];
    for (std::size_t at = 0; at < size;) {
        const char *const start = bytes + at;
        const std::size_t left = std::min(size - at, line_size - 1);
        const void *const feed = std::memchr(start, '\n', left);
        const std::size_t length =
            feed ? static_cast<std::size_t>(static_cast<const char *>(feed) - start) + 1 : left;
        clearbuf(line);
        std::memcpy(line, start, length);
        if (is_segment_record(line) || is_net_record(line))
            return true;
        at += length;
    }
    return false;
}

void convert_chunk(conversion_state &s, const char *line, xy_writer &w)
{
    if (is_segment_record(line))
        convert_segment(s, line, w);
    else if (is_net_record(line))
        convert_net(s, line, w);
}

void finish(xy_writer &w)
{
    char *const start = record_space(w);
    w.used += static_cast<std::size_t>(put_trailer(start) - start);
    flush_block(w);
}

// Converts the common segment records at the start of r's unread bytes where they lie,
// up to the first other line or to where the next line might not lie whole in the
// block. Their numbers are taken into s only once, from the last of them, while it
// still lies in the block.
static void convert_common_run(trace_reader &r, conversion_state &s, xy_writer &w)
{
    std::size_t available;
    const char *const text = unread_bytes(r, available);
    const std::size_t limit =
        r.drained ? available : available - std::min(available, line_size - 2);
    std::size_t taken = 0, length = 1;
    const char *last = nullptr;
    while (taken < limit && length != 0 && !w.write_failed) {
        // The move lines go straight into the writer's block while it has room for them.
        char *to = record_space(w);
        char *const full = w.block + sizeof w.block - record_room;
        scanned_number x, y;
        while (taken < limit && to <= full &&
               (length = convert_common_segment(text + taken, available - taken, to, x, y))) {
            last = text + taken;
            taken += length;
            to += common_move_size;
            if (s.tool.lower_on_next_point == 1) {
                to = put(to, tool_down_line.data(), tool_down_line.size());
                s.tool.lower_on_next_point = 0;
            }
        }
        w.used = static_cast<std::size_t>(to - w.block);
    }
    if (last) {
        s.tool.raise_on_next_net = 1;
        s.scanned = true;
        take_number(take_number(last + 4, s.x) + 1, s.y);
    }
    skip_chunk(r, taken);
}

// Most lines are common segment records, whole in the reader's block: they are converted
// where they lie. Any other chunk is copied into a cleared line buffer, as the exact
// rules of the scan and the net header block need it.
void convert_trace(trace_reader &r, conversion_state &s, xy_writer &w)
{
    char line[line_size];
    while (!w.write_failed) {
        convert_common_run(r, s, w);
        if (w.write_failed || !read_chunk(r, line))
            break;
        convert_chunk(s, line, w);
    }
    finish(w);
}
