// The segment record that makes up most trace data files, "SEG", a blank, two integers
// and the line feed, converted in one pass where it lies in the reader's block: the
// digits of the move line are the digits of the record, rounded as the text says.
#pragma once

#include "byte_words.h"
#include "xy_layout.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// An integer of a segment record as it stands in the text: its digits as byte values,
// right-aligned in sixteen bytes with leading zeros (low holds the first eight, high the
// last, each in reading order from its lowest byte), and its sign.
struct scanned_number {
    std::uint64_t low, high;
    bool negative;
};

// The value that number spells.
inline std::int64_t value_of(const scanned_number &number)
{
    const std::uint64_t magnitude =
        number_of(number.low, 8) * 100'000'000 + number_of(number.high, 8);
    return static_cast<std::int64_t>(number.negative ? 0 - magnitude : magnitude);
}

// Takes an optionally signed integer of 1 to 11 digits at p into number; returns where
// it ends, or null for anything else.
inline const char *take_number(const char *p, scanned_number &number)
{
    // Signs and the number of digits come at random in a file, so the code has no
    // branches on them, which would be mispredicted.
    number.negative = *p == '-';
    p += number.negative | (*p == '+');
    const std::uint64_t first = digit_values(p), second = digit_values(p + 8);
    const unsigned first_count = leading_digits(first);
    const unsigned count = first_count + (leading_digits(second) & (0u - (first_count == 8)));
    if (first_count == 0 || count > 11)
        return nullptr;
    // Shifted into place, the bytes after the digits fall out of the sixteen.
    __extension__ using word_pair = unsigned __int128;
    const word_pair digits = (word_pair{second} << 64 | first) << 8 * (16 - count);
    number.low = static_cast<std::uint64_t>(digits);
    number.high = static_cast<std::uint64_t>(digits >> 64);
    return p + count;
}

// Writes the field of number as "%10.2f" writes its value divided by 100000. The first
// five of the sixteen digits are zero, the next six the whole part, then come the two of
// the hundredths, and the last three round them; returns null when only the exact
// conversion can tell: when those three are exactly 500, a tie that the double's own
// value decides, and when rounding up carries into a seventh digit of the whole part.
inline char *format_number(char *to, const scanned_number &number)
{
    const std::uint64_t low = number.low, high = number.high;
    // In reverse order, the last three digits read as a number in base 256, to set
    // against 5, 0, 0; and the eight before them, the hundredths, each biased to overflow
    // at ten, so that the carry of adding one to the last runs through the nines. Half
    // of all numbers round up, unforeseeably, so the choice is an addend, not a branch.
    const std::uint64_t reversed = __builtin_bswap64(high);
    const std::uint64_t rest = reversed & 0xFFFFFF;
    const std::uint64_t biased = (reversed >> 24 | __builtin_bswap64(low) << 40) + every_byte(0xF6);
    const std::uint64_t sum = biased + (rest > 0x050000);
    if (rest == 0x050000 || sum < biased)
        return nullptr;
    const std::uint64_t kept = ((sum & every_byte(0x80)) >> 7) * 0xFF;
    const std::uint64_t rounded = __builtin_bswap64((sum & kept) - (every_byte(0xF6) & kept));
    // A raw value of zero shows no sign, even when it was written "-0".
    return put_digits_field(to, rounded, number.negative & ((low | high) != 0));
}

// Where the fields of a move line stand when both fit their width, as in every common
// record's line, and how long that line is.
constexpr std::size_t x_field_at = move_start.size();
constexpr std::size_t y_field_at = x_field_at + field_width + 1;
constexpr std::size_t common_move_size = y_field_at + field_width + 1;

// Converts the line at text, when it is a common segment record whose digits tell its
// move line, into that line at to (common_move_size bytes), its numbers into x and y;
// returns the line's length, line feed included. text has available bytes, and 16
// readable ones after them. Returns 0 for any other line, having written nothing that
// counts.
inline std::size_t convert_common_segment(const char *text, std::size_t available, char *to,
                                          scanned_number &x, scanned_number &y)
{
    std::uint32_t head;
    std::memcpy(&head, text, sizeof head);
    if (available < 8 || head != ('S' | 'E' << 8 | 'G' << 16 | ' ' << 24))
        return 0;
    // Each number is written as soon as it is read, which keeps few values alive at once.
    const char *end = take_number(text + 4, x);
    if (!end || *end != ' ' || !format_number(to + x_field_at, x) ||
        !(end = take_number(end + 1, y)) || *end != '\n' || !format_number(to + y_field_at, y))
        return 0;
    std::memcpy(to, move_start.data(), move_start.size());
    to[y_field_at - 1] = ' ';
    to[common_move_size - 1] = '\n';
    const std::size_t length = static_cast<std::size_t>(end - text) + 1;
    return length <= available ? length : 0;
}
