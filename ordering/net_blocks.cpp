// Taking a coordinates file apart into net blocks and writing it again, with the tool
// state that trace2xy keeps: the tool is lowered after the first move of a net and
// raised before the next net.
#include "net_blocks.h"

#include <memory>

namespace {

// The file being written, and the plotter timed over it when asked.
struct block_writer {
    xy_block block;
    motion_timer *timer;
    tool_state tool;
};

// No unit is longer than a net header block with the "Tool Up" before it.
constexpr std::size_t unit_room = xy_line_size + net_room;
static_assert(unit_room >= move_room);

void write_move(block_writer &w, const job_blocks &job, std::size_t move)
{
    const bool lowers = w.tool.lower_on_next_point == 1;
    const point at = job.moves[move];
    block_used(w.block, put_move(block_room(w.block, unit_room), w.tool, at.x, job.minus[move] & 1,
                                 at.y, job.minus[move] & 2));
    if (w.timer) {
        time_move(*w.timer, at.x, at.y);
        if (lowers)
            time_tool(*w.timer, true);
    }
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

void write_net(block_writer &w, const job_blocks &job, std::size_t n, bool reversed)
{
    if (w.timer && w.tool.raise_on_next_net == 1)
        time_tool(*w.timer, false);
    const std::size_t record = job.nets[n].record_at;
    block_used(w.block, put_net(block_room(w.block, unit_room), w.tool, job.records.data() + record,
                                record_end(job, n) - record));
    const std::size_t first = job.nets[n].first_move, end = moves_end(job, n);
    for (std::size_t i = first; i < end; ++i)
        write_move(w, job, reversed ? end - 1 - (i - first) : i);
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
    start_block(w->block, out);
    w->timer = timer;
    w->tool = tool_state{0, 0};
    for (std::size_t move = 0; move < job.leading_moves; ++move)
        write_move(*w, job, move);
    for (std::size_t net = 0; net < job.leading_nets; ++net)
        write_net(*w, job, net, false);
    for (const visit &v : order)
        for (std::size_t net = job.groups[v.group];
             net < group_end(job, v.group) && !w->block.failed; ++net)
            write_net(*w, job, net, net == job.groups[v.group] && v.reversed);
    block_used(w->block, put_trailer(block_room(w->block, unit_room)));
    if (timer)
        time_tool(*timer, false);
    return finish_block(w->block);
}
