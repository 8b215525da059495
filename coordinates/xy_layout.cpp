// The coordinates file's units and the tool lines that trace2xy places between them.
#include "xy_layout.h"

#include "byte_words.h"

#include <cerrno>
#include <cstring>

namespace {

char *put(char *to, std::string_view text)
{
    std::memcpy(to, text.data(), text.size());
    return to + text.size();
}

constexpr std::int64_t field_limit = 100'000'000;

// The sign, the twenty digits of 2^64 and the point.
constexpr std::size_t unit_room = 24;

// Writes the number backwards, ending just before end, so that its length need not be
// known first; returns where it starts.
char *units_before(char *end, std::int64_t hundredths, bool minus)
{
    std::uint64_t magnitude = hundredths < 0 ? 0 - static_cast<std::uint64_t>(hundredths)
                                             : static_cast<std::uint64_t>(hundredths);
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    *--end = '.';
    do {
        *--end = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (minus)
        *--end = '-';
    return end;
}

} // namespace

layout next_layout(layout state, unit_kind unit)
{
    switch (state) {
    case layout::start:
    case layout::after_net:
        // Moves before the first net are travel: no "Tool Down" follows them.
        if (unit == unit_kind::move && state == layout::start)
            return layout::after_move;
        return unit == unit_kind::move      ? layout::lower_next
               : unit == unit_kind::net     ? layout::after_net
               : unit == unit_kind::tool_up ? layout::trailer_next
                                            : layout::misplaced;
    case layout::lower_next:
        return unit == unit_kind::tool_down ? layout::after_move : layout::misplaced;
    case layout::after_move:
        return unit == unit_kind::move      ? layout::after_move
               : unit == unit_kind::tool_up ? layout::raised
                                            : layout::misplaced;
    case layout::raised:
        return unit == unit_kind::net       ? layout::after_net
               : unit == unit_kind::trailer ? layout::raised
                                            : layout::misplaced;
    case layout::trailer_next:
        return unit == unit_kind::trailer ? layout::trailer_next : layout::misplaced;
    case layout::misplaced: break;
    }
    return layout::misplaced;
}

char *put_units(char *to, std::int64_t hundredths, bool minus)
{
    char text[unit_room];
    const char *const start = units_before(text + sizeof text, hundredths, minus);
    const std::size_t size = static_cast<std::size_t>(text + sizeof text - start);
    std::memcpy(to, start, size);
    return to + size;
}

char *put_field(char *to, std::int64_t hundredths, bool minus)
{
    // Below 10^8 the number fills at most the field, and its digits are made eight at a
    // time in one word.
    if (hundredths > -field_limit && hundredths < field_limit) {
        const auto magnitude =
            static_cast<std::uint64_t>(hundredths < 0 ? -hundredths : hundredths);
        return put_digits_field(to, eight_digits(magnitude), minus);
    }
    char text[unit_room];
    const char *const start = units_before(text + sizeof text, hundredths, minus);
    const std::size_t size = static_cast<std::size_t>(text + sizeof text - start);
    const std::size_t blanks = size < field_width ? field_width - size : 0;
    std::memset(to, ' ', blanks);
    std::memcpy(to + blanks, start, size);
    return to + blanks + size;
}

char *put_move(char *to, tool_state &s, std::int64_t x, bool x_minus, std::int64_t y, bool y_minus)
{
    to = put(to, move_start);
    to = put_field(to, x, x_minus);
    *to++ = ' ';
    to = put_field(to, y, y_minus);
    *to++ = '\n';
    if (s.lower_on_next_point == 1)
        to = put(to, tool_down_line);
    s.lower_on_next_point = 0;
    s.raise_on_next_net = 1;
    return to;
}

char *put_net(char *to, tool_state &s, const char *record, std::size_t size)
{
    if (s.raise_on_next_net == 1)
        to = put(to, tool_up_line);
    to = put(to, "\n ");
    to = put(to, std::string_view(record, size));
    to = put(to, " \n");
    s.lower_on_next_point = 1;
    s.raise_on_next_net = 0;
    return to;
}

char *put_trailer(char *to)
{
    return put(to, xy_trailer);
}

void start_block(xy_block &b, std::FILE *out)
{
    b.out = out;
    b.failed = false;
    b.error = 0;
    b.used = 0;
}

namespace {

// Hands the bytes of b to its stream, unless it refused some before.
void hand_on(xy_block &b)
{
    if (!b.failed && std::fwrite(b.bytes, 1, b.used, b.out) != b.used) {
        b.failed = true;
        b.error = errno;
    }
    b.used = 0;
}

} // namespace

char *block_room(xy_block &b, std::size_t room)
{
    if (sizeof b.bytes - b.used < room)
        hand_on(b);
    return b.bytes + b.used;
}

void block_used(xy_block &b, const char *end)
{
    b.used = static_cast<std::size_t>(end - b.bytes);
}

bool finish_block(xy_block &b)
{
    hand_on(b);
    if (b.failed)
        errno = b.error;
    return !b.failed && std::fflush(b.out) == 0 && !std::ferror(b.out);
}
