// Turns a raw trace coordinate into the text of one coordinates-file number.
#pragma once

#include <cstddef>
#include <cstdint>

// Raw coordinates are in units of this many per output unit.
constexpr double coord_divisor = 100000.0;

// Room that any formatted coordinate fits in, terminator included.
constexpr std::size_t coordinate_room = 32;

// Writes raw / coord_divisor as "%10.2f" formats that double (ties to even from the
// exact binary value, "-0.00" for small negatives, wider than 10 when needed, always a
// full stop) to to, which has coordinate_room bytes; returns the end of the text.
char *format_coordinate(char *to, std::int64_t raw);
