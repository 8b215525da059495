// The plotter's bed and how a job stands on it, in whole hundredths of an output unit,
// read once from the bed's text: xyview's summary, its picture and xyplace's fit all
// judge a job by the same overhang, so they never disagree.
#pragma once

#include "plotter.h"

#include <cstdint>
#include <string>

// A bed W wide and H high with its lower-left corner at (X, Y), in hundredths.
struct bed {
    std::int64_t x, y, width, height;
};

// Reads a plain decimal number with at most two places, [+-]digits[.d[d]], into
// hundredths, and moves text past it. Returns false for anything else, or a magnitude
// beyond twice largest_hundredths (the farthest one position lies from another).
bool read_hundredths(const char *&text, std::int64_t &hundredths);

// Reads a bed as WxH[+X+Y] names it, the corner (0, 0) when not given; each offset may
// carry its own sign instead of the plus (10x10-5+0). Every number is read as
// read_hundredths reads it, the sides above zero, and every edge within the range of a
// coordinates file. Returns false for any other text.
bool read_bed(const char *text, bed &b);

// The text that wrong_arguments gives for a bed that read_bed refuses.
constexpr const char *bed_wanted = "wants WxH[+X+Y], a positive width and height and the "
                                   "corner's position, plain decimals with at most two "
                                   "places, within 92233720368547.77 of the origin";

// b with margin taken off every side; its sides may come out at or below zero.
bed inside_margin(const bed &b, std::int64_t margin);

// How far a job reaches past each side of a bed, in hundredths; 0 where it does not, and
// everywhere for a job without points.
struct overhang {
    std::int64_t left, right, bottom, top;
};
overhang overhang_of(const extent &job, const bed &b);

// The overhang on side 0 to 3: left, right, bottom, top.
inline std::int64_t overhang_on(const overhang &over, int side)
{
    return side == 0 ? over.left : side == 1 ? over.right : side == 2 ? over.bottom : over.top;
}

// Whether nothing of the job reaches past any side.
bool on_bed(const overhang &over);

// Hundredths as messages show them, with two places: "-0.25", "8.00".
std::string units_text(std::int64_t hundredths);

// Writes hundredths as short as they read ("8", "3.5", "-0.25"), as a user gives them;
// returns the end.
char *put_short(char *to, std::int64_t hundredths);

// The bed in words: "8 x 6 at (0, 0)".
std::string bed_words(const bed &b);

// The bed as a user names it: "8x6", or "8x6+1-2.5" when its corner is not the origin.
std::string bed_argument(const bed &b);

// How much larger than the bed, less margin, what of extent e is, as a phrase: "the job,
// 6.73 x 5.00, is 0.73 wider and 1.00 higher than the bed 6 x 4 allows" (what being "the
// job"), or that the margins leave no room. Empty when it is no larger.
std::string too_large(const extent &e, const bed &b, std::int64_t margin,
                      const char *what = "the job");
