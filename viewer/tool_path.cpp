// A record is the step's byte and two positions in hundredths, in the machine's own order,
// since it never leaves the run that wrote it.
#include "tool_path.h"

#include <cstring>

namespace {

constexpr std::size_t record_size = 1 + 2 * sizeof(std::int64_t);

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
    kind = static_cast<step>(record[0]);
    std::memcpy(&x, record + 1, sizeof x);
    std::memcpy(&y, record + 1 + sizeof x, sizeof y);
    return true;
}
