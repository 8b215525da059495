// Every edge of a bed and every position of a job lies within largest_hundredths of the
// origin, so the differences below fit in 64 bits and are exact.
#include "bed.h"

#include "xy_layout.h"

#include <algorithm>

namespace {

constexpr std::int64_t widest = 2 * largest_hundredths;

bool within_range(std::int64_t at)
{
    return at >= -largest_hundredths && at <= largest_hundredths;
}

std::string short_units(std::int64_t hundredths)
{
    char text[24];
    return {text, put_short(text, hundredths)};
}

} // namespace

std::string units_text(std::int64_t hundredths)
{
    char text[24];
    return {text, put_units(text, hundredths, hundredths < 0)};
}

bool read_hundredths(const char *&text, std::int64_t &hundredths)
{
    const bool minus = *text == '-';
    text += *text == '+' || *text == '-';
    std::int64_t value = 0;
    int digits = 0, places = -1;
    for (; (*text >= '0' && *text <= '9') || (*text == '.' && places < 0); ++text) {
        if (*text == '.') {
            places = 0;
            continue;
        }
        if (places == 2 || value > widest / 10)
            return false;
        value = value * 10 + (*text - '0');
        ++digits;
        places += places >= 0;
    }
    for (places = std::max(places, 0); places < 2; ++places)
        value *= 10;
    hundredths = minus ? -value : value;
    return digits > 0 && value <= widest;
}

bool read_bed(const char *text, bed &b)
{
    b = bed{0, 0, 0, 0};
    if (!read_hundredths(text, b.width) || (*text != 'x' && *text != 'X'))
        return false;
    ++text;
    if (!read_hundredths(text, b.height) || b.width <= 0 || b.height <= 0)
        return false;
    if (*text != '\0') {
        if ((*text != '+' && *text != '-') || !read_hundredths(text, b.x) ||
            (*text != '+' && *text != '-') || !read_hundredths(text, b.y) || *text != '\0')
            return false;
    }
    return within_range(b.x) && within_range(b.y) && within_range(b.x + b.width) &&
           within_range(b.y + b.height);
}

bed inside_margin(const bed &b, std::int64_t margin)
{
    return {b.x + margin, b.y + margin, b.width - 2 * margin, b.height - 2 * margin};
}

overhang overhang_of(const extent &job, const bed &b)
{
    if (job.empty)
        return {0, 0, 0, 0};
    const auto past = [](std::int64_t by) { return std::max<std::int64_t>(by, 0); };
    return {past(b.x - job.min_x), past(job.max_x - (b.x + b.width)), past(b.y - job.min_y),
            past(job.max_y - (b.y + b.height))};
}

bool on_bed(const overhang &over)
{
    return over.left == 0 && over.right == 0 && over.bottom == 0 && over.top == 0;
}

char *put_short(char *to, std::int64_t hundredths)
{
    char *end = put_units(to, hundredths, hundredths < 0);
    while (end[-1] == '0')
        --end;
    return end[-1] == '.' ? end - 1 : end;
}

std::string bed_words(const bed &b)
{
    return short_units(b.width) + " x " + short_units(b.height) + " at (" + short_units(b.x) +
           ", " + short_units(b.y) + ")";
}

std::string bed_argument(const bed &b)
{
    std::string text = short_units(b.width) + "x" + short_units(b.height);
    for (const std::int64_t corner : {b.x, b.y})
        if (b.x != 0 || b.y != 0)
            text.append(corner < 0 ? "" : "+").append(short_units(corner));
    return text;
}

std::string too_large(const extent &e, const bed &b, std::int64_t margin, const char *what)
{
    const bed room = inside_margin(b, margin);
    const std::string named = "the bed " + short_units(b.width) + " x " + short_units(b.height);
    if (room.width < 0 || room.height < 0)
        return "margins of " + short_units(margin) + " leave no room on " + named;
    const std::int64_t width = e.max_x - e.min_x, height = e.max_y - e.min_y;
    const std::int64_t wider = width - room.width, higher = height - room.height;
    if (e.empty || (wider <= 0 && higher <= 0))
        return {};
    std::string text = what + (", " + units_text(width)) + " x " + units_text(height) + ", is ";
    if (wider > 0)
        text += units_text(wider) + " wider" + (higher > 0 ? " and " : "");
    if (higher > 0)
        text += units_text(higher) + " higher";
    text += " than " + named;
    if (margin > 0)
        text +=
            " less its margins, " + units_text(room.width) + " x " + units_text(room.height) + ",";
    return text + " allows";
}
