// The tool's path as a picture keeps it while the job is read: fixed records in a temporary
// file, and the one walk over them that every layer of the picture is drawn from, in the
// file's order or with the last net first.
#pragma once

#include "picture_view.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

// What a record of the tool's path says.
enum class step : unsigned char {
    net,    // a net begins, the tool at (x, y) where it has a place, down or up
    place,  // the first move puts the tool at (x, y)
    lower,  // the tool is lowered where it stands
    draw,   // a move with the tool down to (x, y)
    raise,  // the tool is raised
    travel, // a move with the tool up to (x, y)
};

struct path_record {
    step kind;
    bool placed, down; // of a net's record: the tool has a place, and is down
    std::int64_t x, y; // hundredths
};

// The tool's path as recorded, and where each net's records begin.
struct tool_path {
    std::FILE *file;
    std::int64_t records;                 // written so far
    std::vector<std::int64_t> net_starts; // byte offsets in file, a net each, in order
    std::vector<unsigned char> pending;   // records not yet handed to file
};

// The size of a record in the file, and the most bytes of records a walk reads at once.
constexpr std::int64_t record_size = 1 + 2 * sizeof(std::int64_t);
constexpr std::int64_t walk_block = record_size * 65536;

// Writes r to p, noting where a net begins; a failure shows in p's file's error indicator
// once the record has reached the file, a block at a time.
void put_record(tool_path &p, const path_record &r);

// Passes the records p still holds to its file, as must be done before it is read.
void hand_over(tool_path &p);

// Reads the bytes [from, to) of p's file into block, and the record at k bytes into it.
bool read_records(const tool_path &p, std::int64_t from, std::int64_t to,
                  std::vector<unsigned char> &block);
path_record record_at(const std::vector<unsigned char> &block, std::int64_t k);

// The size of p's file, once all written reaches it; -1 when that fails.
std::int64_t path_size(const tool_path &p);

// A point of the path: in hundredths, and where it lands in the picture in tenths of a pixel.
struct path_point {
    std::int64_t x, y;
    std::int64_t tx, ty;
};

// The order of a walk: the file's, or net after net from the last back, each net's own
// records in the file's order, which is how a layer that shows the last net on top is drawn.
enum class walk_order { file, last_net_first };

// What a walk keeps of where the tool stands.
struct walk_state {
    std::int64_t net; // the net whose records these are, -1 before the first
    bool placed, down, moved;
    path_point at, before; // where it stands, and where it stood last elsewhere in tenths
};

constexpr walk_state walk_start{
    .net = -1, .placed = false, .down = false, .moved = false, .at = {}, .before = {}};

// Carries out r on s, telling layer what the tool does, through functions of the layer's own:
// path_net(layer, k) as net k begins; path_travel(layer, from, to), a move with the tool up
// that goes somewhere; path_stroke(layer, k, from, to, first), a move of net k drawn that goes
// somewhere, first when it begins a stroke; path_stroke_end(layer, k, tip, before) as a stroke
// that moved ends; path_hole(layer, at) as one that never moved ends. A raise ends a stroke,
// and so does a net's record, which then puts the tool where and as it says.
template <typename Layer>
void replay(walk_state &s, const view &v, const path_record &r, Layer &layer)
{
    if (s.down && (r.kind == step::net || r.kind == step::raise)) {
        if (s.moved)
            path_stroke_end(layer, s.net, s.at, s.before);
        else
            path_hole(layer, s.at);
        s.down = false;
    }
    const path_point to{r.x, r.y, tenths_x(v, r.x), tenths_y(v, r.y)};
    const bool goes = r.x != s.at.x || r.y != s.at.y;
    if (r.kind == step::net) {
        path_net(layer, ++s.net);
        s = {.net = s.net,
             .placed = r.placed,
             .down = r.down,
             .moved = false,
             .at = to,
             .before = to};
    } else if (r.kind == step::lower) {
        s.down = true;
        s.moved = false;
        s.before = s.at;
    } else if (r.kind == step::draw || r.kind == step::travel || r.kind == step::place) {
        if (r.kind == step::travel && s.placed && goes)
            path_travel(layer, s.at, to);
        if (r.kind == step::draw && goes) {
            path_stroke(layer, s.net, s.at, to, !s.moved);
            s.moved = true;
            if (to.tx != s.at.tx || to.ty != s.at.ty)
                s.before = s.at;
        }
        s.at = to;
        s.placed = true;
    }
}

// Replays the records of the bytes [from, to) of p on s, a block at a time, until
// walk_finished(layer) says that nothing after would be drawn.
template <typename Layer>
bool replay_range(const tool_path &p, std::int64_t from, std::int64_t to, walk_state &s,
                  const view &v, Layer &layer, std::vector<unsigned char> &block)
{
    for (std::int64_t at = from; at < to && !walk_finished(layer); at += walk_block) {
        if (!read_records(p, at, std::min(to, at + walk_block), block))
            return false;
        for (std::int64_t k = 0; k < static_cast<std::int64_t>(block.size()); k += record_size)
            replay(s, v, record_at(block, k), layer);
    }
    return true;
}

// Walks all of p, seen in v, in order, handing layer what the tool does as replay tells it;
// with the last net first, the moves before the first net come last. Returns false when
// reading the file failed.
template <typename Layer>
bool walk(const tool_path &p, const view &v, walk_order order, Layer &layer)
{
    constexpr path_record raise{
        .kind = step::raise, .placed = false, .down = false, .x = 0, .y = 0};
    std::vector<unsigned char> block;
    const std::int64_t end = path_size(p);
    const std::vector<std::int64_t> &starts = p.net_starts;
    walk_state s = walk_start;
    if (end < 0 || order == walk_order::file || starts.empty()) {
        const bool read = end >= 0 && replay_range(p, 0, end, s, v, layer, block);
        replay(s, v, raise, layer);
        return read;
    }
    // As many nets at a time as a block holds, from the last back; a larger net on its own.
    for (std::size_t last = starts.size(); last > 0;) {
        const std::int64_t to = last < starts.size() ? starts[last] : end;
        std::size_t first = last - 1;
        while (first > 0 && to - starts[first - 1] <= walk_block)
            --first;
        const bool whole = to - starts[first] <= walk_block;
        if (whole && !read_records(p, starts[first], to, block))
            return false;
        for (std::size_t n = last; n-- > first;) {
            s.net = static_cast<std::int64_t>(n) - 1;
            const std::int64_t net_end = n + 1 < last ? starts[n + 1] : to;
            if (!whole && !replay_range(p, starts[n], net_end, s, v, layer, block))
                return false;
            for (std::int64_t k = starts[n]; whole && k < net_end; k += record_size)
                replay(s, v, record_at(block, k - starts[first]), layer);
            replay(s, v, raise, layer);
        }
        last = first;
    }
    s = walk_start;
    return replay_range(p, 0, starts.front(), s, v, layer, block);
}
