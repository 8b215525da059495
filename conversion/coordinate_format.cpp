// Raw coordinates to hundredths. For the raw integers that boards hold, the hundredths
// follow from integer arithmetic alone; the rare values where the double's own rounding
// decides go through the exact conversion of the standard library.
#include "coordinate_format.h"

#include "xy_layout.h"

#include <charconv>

namespace {

// Below this magnitude the raw value converts to a double exactly, and the quotient
// is off the exact raw / 100000 by at most 2^-18, less than the 10^-5 that separates
// any raw value not ending in 500 from a halfway point between two hundredths. So
// the quotient rounds as the raw value does.
constexpr std::uint64_t integer_limit = std::uint64_t{1} << 52;

} // namespace

std::int64_t coordinate_hundredths(std::int64_t raw, bool &minus)
{
    minus = raw < 0;
    const std::uint64_t magnitude =
        raw < 0 ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    std::uint64_t hundredths = (magnitude + 500) / 1000;
    if (magnitude % 1000 == 500 || magnitude >= integer_limit) {
        // The library writes the double exactly, ties to even; its digits are the
        // hundredths, and they fit: raw / 1000 is below 2^63 / 1000.
        char text[coordinate_room];
        const double value = static_cast<double>(raw) / coord_divisor;
        const char *const end =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr;
        hundredths = 0;
        for (const char *c = text; c != end; ++c)
            if (*c >= '0' && *c <= '9')
                hundredths = hundredths * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    return minus ? -static_cast<std::int64_t>(hundredths) : static_cast<std::int64_t>(hundredths);
}

char *format_coordinate(char *to, std::int64_t raw)
{
    bool minus;
    const std::int64_t hundredths = coordinate_hundredths(raw, minus);
    return put_field(to, hundredths, minus);
}
