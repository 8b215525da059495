// A hand-written scan with the exact rules of "%30s %ld %ld" in the C locale. Digits
// are found and converted eight at a time inside 64-bit words, which makes it several
// times faster than the C library's general formatted scan.
#include "segment_scan.h"

#include "byte_words.h"
#include "trace_reader.h"

#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint64_t powers_of_ten[] = {1,      10,      100,      1000,     10000,
                                           100000, 1000000, 10000000, 100000000};

bool is_space(char c)
{
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

bool is_digit(char c)
{
    return static_cast<unsigned char>(c - '0') <= 9;
}

// Converts an optionally signed decimal integer at p, after white space, as strtol does:
// values beyond the 64-bit range become its nearest end. Returns false, leaving value
// alone, when no digit follows the sign. Reads no byte at or after end.
bool scan_number(const char *&p, const char *end, std::int64_t &value)
{
    while (is_space(*p))
        ++p;
    const bool negative = *p == '-';
    p += *p == '-' || *p == '+';
    std::uint64_t magnitude = 0;
    if (end - p >= 16) [[likely]] {
        const std::uint64_t first = digit_values(p);
        const unsigned first_count = leading_digits(first);
        if (first_count == 0)
            return false;
        if (first_count < 8) {
            magnitude = number_of(first, first_count);
            p += first_count;
        } else {
            const std::uint64_t second = digit_values(p + 8);
            const unsigned second_count = leading_digits(second);
            magnitude = number_of(first, 8);
            if (second_count > 0)
                magnitude =
                    magnitude * powers_of_ten[second_count] + number_of(second, second_count);
            p += 8 + second_count;
        }
    } else if (!is_digit(*p)) {
        return false;
    }
    // Sixteen digits cannot overflow; digits beyond them, and those of a number too near
    // the end of the line for whole words, are taken one by one with the range check.
    constexpr std::uint64_t most = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t limit = negative ? most + 1 : most;
    for (; is_digit(*p); ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        // Past the limit the digits are still consumed, but the value is settled.
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    value =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

} // namespace

void scan_segment(const char *line, std::int64_t &x, std::int64_t &y)
{
    const char *const end = line + line_size;
    const char *p = line;
    while (is_space(*p))
        ++p;
    if (*p == '\0')
        return;
    const char *const word_limit = p + 30;
    while (p < word_limit && *p != '\0' && !is_space(*p))
        ++p;
    if (scan_number(p, end, x))
        scan_number(p, end, y);
}
