// Members are separated as they come: each depth remembers whether it has one yet.
#include "json_writer.h"

#include "xy_layout.h"

#include <cmath>

namespace {

void member(json_writer &w, const char *key)
{
    if (!w.first[w.depth])
        std::fputc(',', w.out);
    w.first[w.depth] = false;
    if (key)
        std::fprintf(w.out, "\"%s\":", key);
}

// The length of the UTF-8 sequence of a Unicode scalar value at text, or 0.
std::size_t scalar_length(std::string_view text)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const auto follows = [&](std::size_t k) { return k < text.size() && (byte(k) & 0xC0) == 0x80; };
    const unsigned char c = byte(0);
    if (c >= 0xC2 && c <= 0xDF)
        return follows(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!follows(1) || !follows(2))
            return 0;
        // Not too short a form, and no surrogate.
        return (c == 0xE0 && byte(1) < 0xA0) || (c == 0xED && byte(1) > 0x9F) ? 0 : 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!follows(1) || !follows(2) || !follows(3))
            return 0;
        return (c == 0xF0 && byte(1) < 0x90) || (c == 0xF4 && byte(1) > 0x8F) ? 0 : 4;
    }
    return 0;
}

void put_escaped(std::FILE *out, std::string_view text)
{
    std::fputc('"', out);
    for (std::size_t k = 0; k < text.size();) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c == '"' || c == '\\') {
            std::fputc('\\', out);
            std::fputc(c, out);
        } else if (c < 0x20) {
            std::fprintf(out, "\\u%04x", c);
        } else if (c < 0x80) {
            std::fputc(c, out);
        } else if (const std::size_t length = scalar_length(text.substr(k)); length > 0) {
            std::fwrite(text.data() + k, 1, length, out);
            k += length;
            continue;
        } else {
            std::fputs("\\ufffd", out);
        }
        ++k;
    }
    std::fputc('"', out);
}

} // namespace

void json_begin(json_writer &w, std::FILE *out, const char *program)
{
    w = json_writer{out, 0, {true}};
    std::fputc('{', out);
    json_integer(w, "format", json_format);
    json_string(w, "program", program);
}

void json_end(json_writer &w)
{
    std::fputs("}\n", w.out);
}

void json_object(json_writer &w, const char *key)
{
    member(w, key);
    std::fputc('{', w.out);
    w.first[++w.depth] = true;
}

void json_array(json_writer &w, const char *key)
{
    member(w, key);
    std::fputc('[', w.out);
    w.first[++w.depth] = true;
}

void json_close(json_writer &w, char bracket)
{
    std::fputc(bracket, w.out);
    --w.depth;
}

void json_string(json_writer &w, const char *key, std::string_view text)
{
    member(w, key);
    put_escaped(w.out, text);
}

void json_integer(json_writer &w, const char *key, long long value)
{
    member(w, key);
    std::fprintf(w.out, "%lld", value);
}

void json_boolean(json_writer &w, const char *key, bool value)
{
    member(w, key);
    std::fputs(value ? "true" : "false", w.out);
}

void json_null(json_writer &w, const char *key)
{
    member(w, key);
    std::fputs("null", w.out);
}

void json_hundredths(json_writer &w, const char *key, std::int64_t hundredths)
{
    member(w, key);
    char text[24];
    std::fwrite(text, 1,
                static_cast<std::size_t>(put_units(text, hundredths, hundredths < 0) - text),
                w.out);
}

void json_number(json_writer &w, const char *key, double value, int places)
{
    member(w, key);
    // Negative zero is written as zero; the values are finite.
    std::fprintf(w.out, "%.*f", places, value == 0 ? 0.0 : value);
}

void json_time(json_writer &w, const char *key, const plotting_time &time)
{
    json_object(w, key);
    json_number(w, "seconds", time.drawing + time.travel + time.tool, 1);
    json_number(w, "drawing", time.drawing, 1);
    json_number(w, "travel", time.travel, 1);
    json_number(w, "tool", time.tool, 1);
    json_close(w, '}');
}

void json_extent(json_writer &w, const char *key, const extent &box)
{
    if (box.empty) {
        json_null(w, key);
        return;
    }
    json_object(w, key);
    json_hundredths(w, "min_x", box.min_x);
    json_hundredths(w, "max_x", box.max_x);
    json_hundredths(w, "min_y", box.min_y);
    json_hundredths(w, "max_y", box.max_y);
    json_hundredths(w, "width", box.max_x - box.min_x);
    json_hundredths(w, "height", box.max_y - box.min_y);
    json_close(w, '}');
}
