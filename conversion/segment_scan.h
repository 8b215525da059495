// Reads the two coordinates of a segment record the way the pattern "%30s %ld %ld"
// of the C library's formatted scan reads them.
#pragma once

#include <cstdint>

// Scans the text in line (a line buffer of line_size bytes, the text ended by a zero
// byte): a word of at most 30 characters, then up to two signed decimal integers into x
// and y. Stops at the first number that does not convert, leaving it and the ones after
// it as they were; clamps values beyond 64 bits to the nearest end of that range.
void scan_segment(const char *line, std::int64_t &x, std::int64_t &y);
