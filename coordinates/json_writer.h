// One JSON object written as it goes, for the companions' --json: keys in the order they
// are given, strings escaped as JSON requires (quotes, backslashes and control characters;
// UTF-8 kept, a byte that is not UTF-8 made U+FFFD), numbers as the figures are printed.
#pragma once

#include "plotter.h"
#include "plotting_time.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// The version of the companions' JSON objects, in each as "format".
constexpr int json_format = 1;

struct json_writer {
    std::FILE *out;
    int depth;
    bool first[16]; // no member yet at each depth
};

// Starts the object, with "format" and "program" as its first members.
void json_begin(json_writer &w, std::FILE *out, const char *program);

// Ends the object and its line.
void json_end(json_writer &w);

// The members, each under key; an object or an array opens with json_object or
// json_array (key null for an element of an array) and closes with json_close.
void json_object(json_writer &w, const char *key);
void json_array(json_writer &w, const char *key);
void json_close(json_writer &w, char bracket);
void json_string(json_writer &w, const char *key, std::string_view text);
void json_integer(json_writer &w, const char *key, long long value);
void json_boolean(json_writer &w, const char *key, bool value);
void json_null(json_writer &w, const char *key);

// Hundredths as a number with two places (157.01), as the summaries print them.
void json_hundredths(json_writer &w, const char *key, std::int64_t hundredths);

// A number with places decimals, as printf's "%.*f" writes it.
void json_number(json_writer &w, const char *key, double value, int places);

// A bounding box: its edges and size, or null when it holds no point.
void json_extent(json_writer &w, const char *key, const extent &box);

// A plotting time: its seconds and their parts, to the tenth, as the summaries tell them.
void json_time(json_writer &w, const char *key, const plotting_time &time);
