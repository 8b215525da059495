// Turns a raw trace coordinate into the hundredths of one coordinates-file number.
#pragma once

#include <cstddef>
#include <cstdint>

// Raw coordinates are in units of this many per output unit.
constexpr double coord_divisor = 100000.0;

// Room that any formatted coordinate fits in, terminator included.
constexpr std::size_t coordinate_room = 32;

// The hundredths that "%.2f" writes raw / coord_divisor as: that double rounded from its
// exact binary value, ties to even. minus tells whether it is written with a minus sign,
// as any value below zero is ("-0.00" included).
std::int64_t coordinate_hundredths(std::int64_t raw, bool &minus);

// Writes raw / coord_divisor as a move line's number (see put_field) to to, which has
// coordinate_room bytes; returns the end of the text.
char *format_coordinate(char *to, std::int64_t raw);
