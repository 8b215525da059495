// A time is hours, minutes and seconds from the right, as the summaries print it, the
// seconds with a fraction if any; a bare number with an s is seconds alone.
#include "split_where.h"

#include "bed.h"
#include "front_end.h"

#include <cmath>
#include <cstring>

namespace {

// Reads digits at text as a whole number into value; a number past 10^18, more nets, parts or
// hours than any job has, is taken as 10^18.
bool read_whole(const char *&text, std::int64_t &value)
{
    constexpr std::int64_t most = 1'000'000'000'000'000'000;
    value = 0;
    const char *start = text;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value < most / 10 ? value * 10 + (*text - '0') : most;
    return text > start;
}

// Reads [digits.]digits without sign or exponent at text.
bool read_plain(const char *&text, double &value)
{
    if (*text < '0' || *text > '9' || std::strpbrk(text, "eE+-"))
        return false;
    return read_decimal(text, value);
}

} // namespace

bool read_duration(const char *text, double &seconds)
{
    const std::size_t size = std::strlen(text);
    if (size > 1 && text[size - 1] == 's' && !std::strchr(text, ':')) {
        const char *at = text;
        return read_plain(at, seconds) && at == text + size - 1 && seconds > 0 &&
               seconds < longest_duration;
    }
    if (!std::strchr(text, ':'))
        return false;
    std::int64_t parts[2] = {0, 0};
    int colons = 0;
    const char *at = text;
    std::int64_t whole;
    while (std::strchr(at, ':')) {
        if (colons == 2 || !read_whole(at, whole) || *at != ':' || (colons > 0 && whole >= 60))
            return false;
        parts[colons++] = whole;
        ++at;
    }
    double last;
    if (!read_plain(at, last) || *at != '\0' || last >= 60 || at[-1] == '.')
        return false;
    seconds = colons == 2 ? (static_cast<double>(parts[0]) * 60 + parts[1]) * 60 + last
                          : static_cast<double>(parts[0]) * 60 + last;
    return seconds > 0 && seconds < longest_duration;
}

bool read_where(const char *text, where &w)
{
    w = where{.kind = where_kind::net, .net = 0, .value = 0, .at = {0, 0}};
    const char *at = text;
    if (read_whole(at, w.net) && *at == '\0')
        return w.net >= 1;
    w.kind = where_kind::time;
    return read_duration(text, w.value);
}

bool read_point(const char *text, point &at)
{
    const char *p = text;
    return read_hundredths(p, at.x) && *p++ == ',' && read_hundredths(p, at.y) && *p == '\0';
}

bool read_length(const char *text, double &value)
{
    const char *at = text;
    return read_plain(at, value) && *at == '\0' && value > 0 && std::isfinite(value);
}
