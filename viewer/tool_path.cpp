// A record is a byte of step and state and two positions in hundredths, in the machine's own
// order, since it never leaves the run that wrote it.
#include "tool_path.h"

#include <cstring>

void hand_over(tool_path &p)
{
    if (!p.pending.empty())
        std::fwrite(p.pending.data(), 1, p.pending.size(), p.file);
    p.pending.clear();
}

void put_record(tool_path &p, const path_record &r)
{
    unsigned char record[record_size];
    if (r.kind == step::net)
        p.net_starts.push_back(p.records * record_size);
    ++p.records;
    record[0] = static_cast<unsigned char>(static_cast<unsigned>(r.kind) | (r.placed ? 8u : 0u) |
                                           (r.down ? 16u : 0u));
    std::memcpy(record + 1, &r.x, sizeof r.x);
    std::memcpy(record + 1 + sizeof r.x, &r.y, sizeof r.y);
    // Records go to the file a block at a time: a write for each costs more than the record.
    p.pending.insert(p.pending.end(), record, record + record_size);
    if (p.pending.size() + record_size > walk_block)
        hand_over(p);
}

bool read_records(const tool_path &p, std::int64_t from, std::int64_t to,
                  std::vector<unsigned char> &block)
{
    block.resize(static_cast<std::size_t>(to - from));
    return std::fseek(p.file, from, SEEK_SET) == 0 &&
           std::fread(block.data(), 1, block.size(), p.file) == block.size();
}

path_record record_at(const std::vector<unsigned char> &block, std::int64_t k)
{
    const unsigned char *const at = block.data() + k;
    path_record r{.kind = static_cast<step>(at[0] & 7u),
                  .placed = (at[0] & 8u) != 0,
                  .down = (at[0] & 16u) != 0,
                  .x = 0,
                  .y = 0};
    std::memcpy(&r.x, at + 1, sizeof r.x);
    std::memcpy(&r.y, at + 1 + sizeof r.x, sizeof r.y);
    return r;
}

std::int64_t path_size(const tool_path &p)
{
    if (std::fflush(p.file) != 0 || std::ferror(p.file) || std::fseek(p.file, 0, SEEK_END) != 0)
        return -1;
    return std::ftell(p.file);
}
