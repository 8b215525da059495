// Where an operator asks a job to be cut: at a net by its number, at a plotting time or a
// length drawn from the job's start, or at the net whose strokes pass nearest a point.
#pragma once

#include "plotter.h"

#include <cstdint>

enum class where_kind { none, net, time, length, point };

struct where {
    where_kind kind;
    std::int64_t net; // from 1, in file order
    double value;     // seconds or output units drawn
    point at;         // hundredths
};

// Reads a net number (a bare whole number from 1) or a plotting time, which has a colon or
// ends in s ("0:41:10", "41:10", "2470s", "2470.5s"); false for any other text.
bool read_where(const char *text, where &w);

// Reads a plotting time as read_where does, into seconds above zero; false for any other
// text.
bool read_duration(const char *text, double &seconds);

// Reads X,Y, plain decimals with at most two places, into at.
bool read_point(const char *text, point &at);

// Reads a length above zero, a plain decimal, into value.
bool read_length(const char *text, double &value);
