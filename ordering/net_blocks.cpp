// Taking a coordinates file apart into net blocks and writing it again, with the tool
// state that trace2xy keeps: the tool is lowered after the first move of a net and
// raised before the next net.
#include "net_blocks.h"

#include <charconv>
#include <cstring>
#include <memory>

namespace {

// Collects the file in a block, handed to the stream whole.
struct block_writer {
    std::FILE *out;
    motion_timer *timer;
    bool failed;
    bool lower_on_next_point; // the last record was a net
    bool raise_on_next_net;   // the last record was a move
    std::size_t used;
    char block[1 << 16];
};

// No unit is longer than a net header block with the "Tool Up" before it.
constexpr std::size_t unit_room = 2 * xy_line_size;

char *room(block_writer &w)
{
    if (sizeof w.block - w.used < unit_room) {
        w.failed |= std::fwrite(w.block, 1, w.used, w.out) != w.used;
        w.used = 0;
    }
    return w.block + w.used;
}

char *put(char *to, const char *text, std::size_t size)
{
    std::memcpy(to, text, size);
    return to + size;
}

// Writes hundredths as "%10.2f" writes the number they stand for.
char *put_hundredths(char *to, std::int64_t hundredths, bool minus)
{
    const std::uint64_t magnitude = hundredths < 0 ? 0 - static_cast<std::uint64_t>(hundredths)
                                                   : static_cast<std::uint64_t>(hundredths);
    char text[32];
    char *end = text;
    if (minus)
        *end++ = '-';
    end = std::to_chars(end, text + sizeof text, magnitude / 100).ptr;
    *end++ = '.';
    *end++ = static_cast<char>('0' + magnitude % 100 / 10);
    *end++ = static_cast<char>('0' + magnitude % 10);
    const std::size_t size = static_cast<std::size_t>(end - text);
    for (std::size_t blank = size; blank < 10; ++blank)
        *to++ = ' ';
    return put(to, text, size);
}

void put_move(block_writer &w, const job_blocks &job, std::size_t move)
{
    char *const start = room(w);
    char *to = put(start, "Go To ", 6);
    to = put_hundredths(to, job.moves[move].x, job.minus[move] & 1);
    *to++ = ' ';
    to = put_hundredths(to, job.moves[move].y, job.minus[move] & 2);
    *to++ = '\n';
    if (w.timer)
        time_move(*w.timer, job.moves[move].x, job.moves[move].y);
    if (w.lower_on_next_point) {
        to = put(to, "Tool Down \n", 11);
        if (w.timer)
            time_tool(*w.timer, true);
    }
    w.used += static_cast<std::size_t>(to - start);
    w.lower_on_next_point = false;
    w.raise_on_next_net = true;
}

// Where the record and the moves of net n end.
std::size_t record_end(const job_blocks &job, std::size_t n)
{
    return n + 1 < job.nets.size() ? job.nets[n + 1].record_at : job.records.size();
}

std::size_t moves_end(const job_blocks &job, std::size_t n)
{
    return n + 1 < job.nets.size() ? job.nets[n + 1].first_move : job.moves.size();
}

std::size_t group_end(const job_blocks &job, std::size_t g)
{
    return g + 1 < job.groups.size() ? job.groups[g + 1] : job.nets.size();
}

void put_net(block_writer &w, const job_blocks &job, std::size_t n, bool reversed)
{
    char *const start = room(w);
    char *to = start;
    if (w.raise_on_next_net) {
        to = put(to, "Tool Up \n", 9);
        if (w.timer)
            time_tool(*w.timer, false);
    }
    to = put(to, "\n ", 2);
    to = put(to, job.records.data() + job.nets[n].record_at,
             record_end(job, n) - job.nets[n].record_at);
    to = put(to, " \n", 2);
    w.used += static_cast<std::size_t>(to - start);
    w.lower_on_next_point = true;
    w.raise_on_next_net = false;
    const std::size_t first = job.nets[n].first_move, end = moves_end(job, n);
    for (std::size_t i = first; i < end; ++i)
        put_move(w, job, reversed ? end - 1 - (i - first) : i);
}

// The layout after unit, read in state; misplaced when trace2xy writes no such unit there.
layout next_layout(layout state, unit_kind unit)
{
    switch (state) {
    case layout::start:
    case layout::after_net:
        // Moves before the first net are travel: no "Tool Down" follows them.
        if (unit == unit_kind::move && state == layout::start)
            return layout::after_move;
        return unit == unit_kind::move      ? layout::lower_next
               : unit == unit_kind::net     ? layout::after_net
               : unit == unit_kind::tool_up ? layout::trailer_next
                                            : layout::misplaced;
    case layout::lower_next:
        return unit == unit_kind::tool_down ? layout::after_move : layout::misplaced;
    case layout::after_move:
        return unit == unit_kind::move      ? layout::after_move
               : unit == unit_kind::tool_up ? layout::raised
                                            : layout::misplaced;
    case layout::raised:
        return unit == unit_kind::net       ? layout::after_net
               : unit == unit_kind::trailer ? layout::raised
                                            : layout::misplaced;
    case layout::trailer_next:
        return unit == unit_kind::trailer ? layout::trailer_next : layout::misplaced;
    case layout::misplaced: break;
    }
    return layout::misplaced;
}

} // namespace

void start_job(job_blocks &job)
{
    job = job_blocks{};
    job.state = layout::start;
}

bool add_unit(job_blocks &job, const xy_unit &unit)
{
    const layout next = next_layout(job.state, unit.kind);
    if (next == layout::misplaced)
        return false;
    job.state = next;
    if (unit.kind == unit_kind::net) {
        job.nets.push_back({job.records.size(), job.moves.size()});
        job.records.append(unit.record, unit.record_length);
    } else if (unit.kind == unit_kind::move) {
        job.moves.push_back({unit.x, unit.y});
        job.minus.push_back(static_cast<unsigned char>(unit.x_negative | unit.y_negative << 1));
        job.leading_moves += job.nets.empty();
    }
    return true;
}

void finish_job(job_blocks &job)
{
    job.moves.shrink_to_fit();
    job.minus.shrink_to_fit();
    job.records.shrink_to_fit();
    job.nets.shrink_to_fit();
    std::size_t n = 0;
    while (n < job.nets.size() && moves_end(job, n) == job.nets[n].first_move)
        ++n;
    job.leading_nets = n;
    for (; n < job.nets.size(); ++n)
        if (moves_end(job, n) > job.nets[n].first_move)
            job.groups.push_back(n);
    job.groups.shrink_to_fit();
}

stroke_ends stroke_of(const job_blocks &job, std::size_t group)
{
    const std::size_t n = job.groups[group];
    return {job.moves[job.nets[n].first_move], job.moves[moves_end(job, n) - 1]};
}

std::vector<visit> file_order(const job_blocks &job)
{
    std::vector<visit> order(job.groups.size());
    for (std::size_t g = 0; g < order.size(); ++g)
        order[g] = {static_cast<std::uint32_t>(g), false};
    return order;
}

bool write_job(const job_blocks &job, const std::vector<visit> &order, std::FILE *out,
               motion_timer *timer)
{
    auto w = std::make_unique<block_writer>();
    w->out = out;
    w->timer = timer;
    for (std::size_t move = 0; move < job.leading_moves; ++move)
        put_move(*w, job, move);
    for (std::size_t net = 0; net < job.leading_nets; ++net)
        put_net(*w, job, net, false);
    for (const visit &v : order)
        for (std::size_t net = job.groups[v.group]; net < group_end(job, v.group); ++net)
            put_net(*w, job, net, net == job.groups[v.group] && v.reversed);
    char *const start = room(*w);
    w->used += static_cast<std::size_t>(put(start, "Tool Up \n\n\n", 11) - start);
    if (timer)
        time_tool(*timer, false);
    w->failed |= std::fwrite(w->block, 1, w->used, out) != w->used;
    return !w->failed && std::fflush(out) == 0 && !std::ferror(out);
}
