// Eight bytes handled at once as one 64-bit word, the first byte in the lowest bits:
// the reader, the scan and the formatting all work on text a word at a time. The
// helpers are inline, as the conversion of the common record must have them in one
// piece to be fast.
#pragma once

#include "xy_layout.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the first byte must be the lowest");

// A word holding b in each of its eight bytes.
constexpr std::uint64_t every_byte(unsigned char b)
{
    return 0x0101010101010101ULL * b;
}

// The eight bytes at p, digits turned into their values 0 to 9.
inline std::uint64_t digit_values(const char *p)
{
    std::uint64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes ^ every_byte('0');
}

// How many of the eight values count as digits before the first that does not.
inline unsigned leading_digits(std::uint64_t values)
{
    // A byte that is no digit has a value of 10 or more, which the sum marks in its top
    // bit. A carry out of a marked byte disturbs only the bytes after it.
    const std::uint64_t marks = ((values + every_byte(0x76)) | values) & every_byte(0x80);
    return static_cast<unsigned>(std::countr_zero(marks)) / 8;
}

// The number that the first count (1 to 8) values spell.
inline std::uint64_t number_of(std::uint64_t values, unsigned count)
{
    // Moved to the top, the digits read as an eight-digit number with leading zeros.
    std::uint64_t digits = values << (8 * (8 - count));
    digits = (digits & every_byte(0x0F)) * 2561 >> 8;
    digits = (digits & 0x00FF00FF00FF00FFULL) * 6553601 >> 16;
    return (digits & 0x0000FFFF0000FFFFULL) * 42949672960001 >> 32;
}

// The eight decimal digits of n < 10^8 as byte values 0 to 9, the first digit in the
// lowest byte, so that they lie in memory in reading order.
inline std::uint64_t eight_digits(std::uint64_t n)
{
    const std::uint64_t halves = n / 10000 | n % 10000 << 32;
    const std::uint64_t high_pairs = (halves * 10486 >> 20) & (0x7FULL << 32 | 0x7F);
    const std::uint64_t pairs = (halves - 100 * high_pairs) << 16 | high_pairs;
    const std::uint64_t tens = (pairs * 103 >> 10) & 0x000F000F000F000FULL;
    return tens | (pairs - 10 * tens) << 8;
}

// Writes the field of a number whose eight digits of hundredths (as byte values, the
// first in the lowest byte) are digits, as put_field writes it: a blank or the sign, six
// digits, the point and two more, leading zeros of the whole part turned into blanks.
inline char *put_digits_field(char *to, std::uint64_t digits, bool minus)
{
    // The units digit, the sixth, always shows. A zero becomes a blank by taking the
    // difference of '0' and ' ' from it, and the blank before the first digit shown
    // becomes the sign by one exclusive or.
    const int shift = std::countr_zero(digits | std::uint64_t{1} << 40) & ~7;
    const std::uint64_t blanked = (std::uint64_t{1} << shift) - 1;
    const std::uint64_t text = digits + every_byte('0') - (every_byte('0' - ' ') & blanked);
    std::uint64_t head = (text << 8 & 0x00FFFFFFFFFFFF00) | ' ' | std::uint64_t{'.'} << 56;
    head ^= std::uint64_t{minus} * (' ' ^ '-') << shift;
    const std::uint16_t tail = static_cast<std::uint16_t>(text >> 48);
    std::memcpy(to, &head, sizeof head);
    std::memcpy(to + sizeof head, &tail, sizeof tail);
    return to + field_width;
}
