// Segment coordinates through the C library's own scan.
#include "segment_scan.h"

#include <cinttypes>
#include <cstdio>

void scan_segment(const char *text, std::int64_t &x, std::int64_t &y)
{
    char word[80];
    std::sscanf(text, "%30s %" SCNd64 " %" SCNd64, word, &x, &y);
}
