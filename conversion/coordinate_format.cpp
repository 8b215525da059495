// Fast fixed-point coordinates. For the raw integers that boards hold, the hundredths
// follow from integer arithmetic alone and their digits are made eight at a time in one
// 64-bit word; the rare values where the double's own rounding decides, or that need
// more than ten characters, go through the exact conversion of the standard library.
#include "coordinate_format.h"

#include "byte_words.h"

#include <bit>
#include <charconv>
#include <cstring>

namespace {

// Below this magnitude the raw value converts to a double exactly, and the quotient
// is off the exact raw / 100000 by at most 2^-18, less than the 10^-5 that separates
// any raw value not ending in 500 from a halfway point between two hundredths. So
// the quotient rounds as the raw value does.
constexpr std::uint64_t integer_limit = std::uint64_t{1} << 52;

// Hundredths below this fill at most the ten characters of the field.
constexpr std::uint64_t field_limit = 100'000'000;

// The eight decimal digits of n < 10^8 as byte values 0 to 9, the first digit in the
// lowest byte, so that they lie in memory in reading order.
std::uint64_t eight_digits(std::uint64_t n)
{
    const std::uint64_t halves = n / 10000 | n % 10000 << 32;
    const std::uint64_t high_pairs = (halves * 10486 >> 20) & (0x7FULL << 32 | 0x7F);
    const std::uint64_t pairs = (halves - 100 * high_pairs) << 16 | high_pairs;
    const std::uint64_t tens = (pairs * 103 >> 10) & 0x000F000F000F000FULL;
    return tens | (pairs - 10 * tens) << 8;
}

char *format_exactly(char *to, std::int64_t raw)
{
    char text[coordinate_room];
    const double value = static_cast<double>(raw) / coord_divisor;
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    const std::size_t size = static_cast<std::size_t>(result.ptr - text);
    const std::size_t blanks = size < field_width ? field_width - size : 0;
    std::memset(to, ' ', blanks);
    std::memcpy(to + blanks, text, size);
    return to + blanks + size;
}

} // namespace

char *format_coordinate(char *to, std::int64_t raw)
{
    const std::uint64_t magnitude =
        raw < 0 ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    const std::uint64_t hundredths = (magnitude + 500) / 1000;
    if (magnitude % 1000 == 500 || magnitude >= integer_limit || hundredths >= field_limit)
        return format_exactly(to, raw);
    return put_field(to, eight_digits(hundredths), raw < 0);
}
