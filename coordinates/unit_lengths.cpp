// A length is converted in doubles and judged against whole hundredths with a tolerance of
// a millionth of a hundredth, far below what a decimal with a unit can mean, so that
// 203.2mm is 8 inches exactly.
#include "unit_lengths.h"

#include "xy_layout.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr double tolerance = 1e-6; // of a hundredth

struct named_sheet {
    const char *name;
    double width, height; // mm, portrait
};
constexpr named_sheet sheets[] = {{"a4", 210, 297}, {"a3", 297, 420}, {"letter", 215.9, 279.4}};

// The millimetres of one of suffix's units, or 0 when suffix names none.
double mm_of(std::string_view suffix)
{
    return suffix == "mm" ? 1 : suffix == "cm" ? 10 : suffix == "in" ? 25.4 : 0;
}

// A number of a value, as written, and the millimetres of its unit (0 without one).
struct length_token {
    double value;
    double unit_mm;
    bool has_suffix;
    char suffix[3];
};

// Reads a number at text, [+-]digits[.digits], and the letters after it.
bool read_token(const char *&text, length_token &t)
{
    char *end = nullptr;
    if (!(*text == '+' || *text == '-' || *text == '.' || (*text >= '0' && *text <= '9')))
        return false;
    t.value = std::strtod(text, &end);
    if (end == text ||
        std::string_view(text, static_cast<std::size_t>(end - text)).find_first_of("xXnNiIpP") !=
            std::string_view::npos)
        return false;
    // A unit is two letters that no letter but the x between a bed's sides follows.
    const auto letter = [](char c) { return c >= 'a' && c <= 'z'; };
    t.unit_mm = letter(end[0]) && letter(end[1]) ? mm_of(std::string_view(end, 2)) : 0;
    t.has_suffix = t.unit_mm > 0 && (!letter(end[2]) || end[2] == 'x');
    t.suffix[0] = t.has_suffix ? end[0] : '\0';
    t.suffix[1] = t.has_suffix ? end[1] : '\0';
    t.suffix[2] = '\0';
    text = end + (t.has_suffix ? 2 : 0);
    return t.has_suffix || !letter(*end) || *end == 'x';
}

std::string hundredths_text(long long h)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", h < 0 ? "-" : "", std::llabs(h) / 100,
                  std::llabs(h) % 100);
    return text;
}

// Whether hundredths h lie within what a coordinates file holds.
bool within_file(double h)
{
    return std::abs(h) <= static_cast<double>(largest_hundredths);
}

// Output units of t in hundredths, as a double.
double hundredths_of(const length_token &t, const output_unit &unit)
{
    return t.value * t.unit_mm / unit.mm * 100;
}

bool unit_wanted(const char *suffix, std::string &error)
{
    error = std::string(suffix) + " needs a unit: set unit = or --unit";
    return false;
}

// A bed of hundredths x, y, width, height rounded inward, as WxH+X+Y.
std::string inward(double x, double y, double width, double height, bool &rounded)
{
    const auto low = [](double v) { return static_cast<long long>(std::ceil(v - tolerance)); };
    const auto high = [](double v) { return static_cast<long long>(std::floor(v + tolerance)); };
    const long long left = low(x), bottom = low(y), right = high(x + width), top = high(y + height);
    rounded = std::abs(left - x) > tolerance || std::abs(bottom - y) > tolerance ||
              std::abs(right - (x + width)) > tolerance || std::abs(top - (y + height)) > tolerance;
    const auto signed_text = [](long long h) {
        std::string text(h < 0 ? "" : "+");
        return text.append(hundredths_text(h));
    };
    return hundredths_text(right - left) + "x" + hundredths_text(top - bottom) +
           (left == 0 && bottom == 0 ? "" : signed_text(left) + signed_text(bottom));
}

bool convert_bed(const char *text, const output_unit &unit, std::string &converted, bool &rounded,
                 std::string &error)
{
    const std::string_view name(text);
    for (const named_sheet &s : sheets)
        for (const bool across : {false, true})
            if (name == std::string(s.name) + (across ? "-landscape" : "")) {
                if (unit.mm <= 0)
                    return unit_wanted(text, error);
                const double w = (across ? s.height : s.width) / unit.mm * 100,
                             h = (across ? s.width : s.height) / unit.mm * 100;
                converted = inward(0, 0, w, h, rounded);
                return true;
            }
    length_token t[4];
    const char *at = text;
    int count = 0, suffixes = 0;
    for (; count < 4 && read_token(at, t[count]); ++count) {
        suffixes += t[count].has_suffix;
        if (*at == '\0' || count == 3 || !(*at == 'x' || *at == 'X' || *at == '+' || *at == '-'))
            break;
        at += *at != '-';
    }
    if (suffixes == 0 || *at != '\0' || (count != 1 && count != 3)) {
        converted = text;
        return true;
    }
    for (int k = 0; unit.mm <= 0 && k <= count; ++k)
        if (t[k].has_suffix)
            return unit_wanted(t[k].suffix, error);
    // A unit after the last number only stands for every number. Otherwise the two numbers
    // of the size, and the corner's two, share the unit that one of them carries: a size of
    // 203.2x152.4mm is millimetres both ways whatever the corner is given in.
    for (int k = 0; k <= count; ++k)
        if (suffixes == 1 && t[count].has_suffix && !t[k].has_suffix)
            t[k].unit_mm = t[count].unit_mm;
        else if (!t[k].has_suffix && t[k ^ 1].has_suffix)
            t[k].unit_mm = t[k ^ 1].unit_mm;
    double h[4] = {0, 0, 0, 0};
    for (int k = 0; k <= count; ++k)
        h[k] = t[k].unit_mm > 0 ? hundredths_of(t[k], unit) : t[k].value * 100;
    bool within = within_file(h[2] + h[0]) && within_file(h[3] + h[1]);
    for (const double each : h)
        within = within && within_file(each);
    if (!within) {
        converted = text;
        return true;
    }
    converted = inward(h[2], h[3], h[0], h[1], rounded);
    return true;
}

} // namespace

bool read_unit_length(const char *text, output_unit &unit)
{
    length_token t;
    const char *at = text;
    unit = output_unit{0, false};
    if (!read_token(at, t) || *at != '\0' || !t.has_suffix ||
        !(t.value * t.unit_mm >= shortest_unit_mm && t.value * t.unit_mm <= longest_unit_mm))
        return false;
    unit = {.mm = t.value * t.unit_mm, .inches = t.unit_mm == 25.4};
    return true;
}

bool convert_lengths(const char *text, length_kind kind, const output_unit &unit,
                     std::string &converted, bool &rounded, std::string &error)
{
    rounded = false;
    if (kind == length_kind::bed)
        return convert_bed(text, unit, converted, rounded, error);
    converted.clear();
    const char *at = text;
    for (bool first = true; first || *at == ','; first = false) {
        at += !first;
        const char *start = at;
        length_token t;
        if (!read_token(at, t) || (*at != ',' && *at != '\0')) {
            // What is no list of numbers is left as typed, for the option to refuse by name.
            converted = text;
            return true;
        }
        if (!t.has_suffix) {
            converted.append(first ? "" : ",").append(start, at);
            continue;
        }
        if (unit.mm <= 0)
            return unit_wanted(t.suffix, error);
        const double h = hundredths_of(t, unit);
        char number[64];
        const auto [end, failed] =
            std::to_chars(number, number + sizeof number - 1, h / 100, std::chars_format::fixed);
        *end = '\0';
        // A length beyond what a file holds, or too small for a plain decimal of this room,
        // is left as typed too: the option refuses it in the operator's own words.
        if (!within_file(h) || (kind == length_kind::real && failed != std::errc{})) {
            converted = text;
            return true;
        }
        if (kind == length_kind::exact && std::abs(h - std::round(h)) > tolerance) {
            const long long nearest = std::llround(h);
            std::snprintf(number, sizeof number, "%.6g", h / 100);
            error = std::string(start, at) + " is " + number +
                    " output units, no whole number of hundredths; the nearest is " +
                    hundredths_text(nearest);
            std::snprintf(number, sizeof number, " (%.6g%s)", nearest * unit.mm / 100 / t.unit_mm,
                          t.suffix);
            error += number;
            return false;
        }
        converted.append(first ? "" : ",")
            .append(kind == length_kind::exact ? hundredths_text(std::llround(h)) : number);
    }
    return true;
}
