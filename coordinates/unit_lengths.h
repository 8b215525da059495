// Lengths with their unit: a number followed by mm, cm or in, turned into output units once
// the length of one output unit is known, and the sheets a bed may be named by. A value
// without a unit passes as it is, so a run without one reads exactly as before.
#pragma once

#include <string>

// The length of one output unit, in millimetres (0 when unknown), and whether it is a
// length of the inch's system, in which the picture's axes are then labelled.
struct output_unit {
    double mm;
    bool inches;
};

// The shortest and longest output units taken, in millimetres: within them every length and
// size a job can hold stays a finite number of millimetres in the summaries.
constexpr double shortest_unit_mm = 1e-6, longest_unit_mm = 1e6;

// What unit = and --unit want, for their messages.
constexpr const char *unit_length_wanted =
    "wants a length from 0.000001mm to 1000000mm, followed by mm, cm or in";

// Reads a unit as unit = and --unit take it: a number followed by mm, cm or in, from
// shortest_unit_mm to longest_unit_mm.
bool read_unit_length(const char *text, output_unit &unit);

// How an option's lengths are taken: a bed, rounded inward to whole hundredths; a length
// that must be a whole number of hundredths; or a real number (a speed, an acceleration).
enum class length_kind { bed, exact, real };

// Writes text into converted with every length that carries a unit in output units: a bed
// (or a sheet, a4, a3 or letter, each also -landscape) W x H [+X+Y], a unit after its last
// number standing for all of them, else one of W or H for both and one of X or Y for both,
// rounded inward, with rounded set when that changed it;
// exact lengths and reals, separated by commas, each with its own unit, reals as plain
// decimals. Text that is no such list, or lies beyond what a coordinates file holds, is left
// as typed for the option to refuse. Returns false with the reason in error: a unit while
// none is known, or an exact length that is no whole number of hundredths, naming the
// nearest that is.
bool convert_lengths(const char *text, length_kind kind, const output_unit &unit,
                     std::string &converted, bool &rounded, std::string &error);
