// A record is the step's byte and two positions in hundredths, in the machine's own order,
// since it never leaves the run that wrote it.
#include "tool_path.h"

#include <algorithm>
#include <cstring>

namespace {

void unpack(const unsigned char *record, step &kind, std::int64_t &x, std::int64_t &y)
{
    kind = static_cast<step>(record[0]);
    std::memcpy(&x, record + 1, sizeof x);
    std::memcpy(&y, record + 1 + sizeof x, sizeof y);
}

} // namespace

void put_record(std::FILE *f, step kind, std::int64_t x, std::int64_t y)
{
    unsigned char record[record_size];
    record[0] = static_cast<unsigned char>(kind);
    std::memcpy(record + 1, &x, sizeof x);
    std::memcpy(record + 1 + sizeof x, &y, sizeof y);
    std::fwrite(record, 1, sizeof record, f);
}

bool get_record(std::FILE *f, step &kind, std::int64_t &x, std::int64_t &y)
{
    unsigned char record[record_size];
    if (std::fread(record, 1, sizeof record, f) != sizeof record)
        return false;
    unpack(record, kind, x, y);
    return true;
}

void start_back(records_back &b, std::FILE *f)
{
    b.file = f;
    b.in = 0;
    b.block = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    b.failed = b.block < 0 || b.block % static_cast<long>(record_size) != 0;
}

bool get_record_before(records_back &b, step &kind, std::int64_t &x, std::int64_t &y)
{
    if (b.in == 0 && b.block > 0 && !b.failed) {
        const long size = std::min(b.block, static_cast<long>(sizeof b.buffer));
        b.block -= size;
        b.failed = std::fseek(b.file, b.block, SEEK_SET) != 0 ||
                   std::fread(b.buffer, 1, static_cast<std::size_t>(size), b.file) !=
                       static_cast<std::size_t>(size);
        b.in = b.failed ? 0 : static_cast<std::size_t>(size);
    }
    if (b.in == 0)
        return false;
    b.in -= record_size;
    unpack(b.buffer + b.in, kind, x, y);
    return true;
}

std::uint64_t move_hash(std::int64_t x, std::int64_t y, std::int64_t to_x, std::int64_t to_y)
{
    std::uint64_t hash = 0;
    for (std::int64_t end : {x, y, to_x, to_y})
        hash = (hash + static_cast<std::uint64_t>(end)) * 0x9e3779b97f4a7c15u;
    return hash;
}
