// libFuzzer target: the hand-written segment scan and number formatting against the C
// library's sscanf("%30s %ld %ld") and snprintf("%10.2f"), on arbitrary bytes and values.
#include "coordinate_format.h"
#include "segment_scan.h"
#include "trace_reader.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    char line[line_size] = {};
    std::memcpy(line, data, size < line_size - 1 ? size : line_size - 1);
    std::int64_t x = 11, y = 22, reference_x = 11, reference_y = 22;
    scan_segment(line, x, y);
    char word[line_size];
    std::sscanf(line, "%30s %" SCNd64 " %" SCNd64, word, &reference_x, &reference_y);
    if (x != reference_x || y != reference_y) {
        std::fprintf(stderr, "scan gave %" PRId64 " %" PRId64 ", sscanf %" PRId64 " %" PRId64 "\n",
                     x, y, reference_x, reference_y);
        std::abort();
    }

    for (std::size_t at = 0; at + sizeof(std::int64_t) <= size; at += sizeof(std::int64_t)) {
        std::int64_t raw;
        std::memcpy(&raw, data + at, sizeof raw);
        char ours[coordinate_room], reference[coordinate_room];
        const std::string_view text(ours,
                                    static_cast<std::size_t>(format_coordinate(ours, raw) - ours));
        std::snprintf(reference, sizeof reference, "%10.2f",
                      static_cast<double>(raw) / coord_divisor);
        if (text != reference) {
            std::fprintf(stderr, "raw %" PRId64 ": '%.*s', snprintf '%s'\n", raw,
                         static_cast<int>(text.size()), text.data(), reference);
            std::abort();
        }
    }
    return 0;
}
