// How the companions tell what went wrong: one line on standard error each, led by the
// program's name as it was started, for a file that could not be read, a unit out of
// place, wrong arguments, standard output that lost what was printed, and memory that ran
// out.
#pragma once

#include "coordinates_reader.h"

#include <string>
#include <string_view>

#include <getopt.h>

// Exit statuses: the coordinates file is malformed; a file could not be read or written,
// or the arguments are wrong.
constexpr int status_malformed = 1;
constexpr int status_trouble = 2;

// Has an allocation that finds no memory end the run at once with status_trouble and the
// line "NAME: out of memory", rather than abort: the outputs' unnamed files go with the
// process, so old files stay as they were.
void fail_when_out_of_memory();

// Writes the program's name, then the message that format and what follows it make, as
// one line on standard error, its control bytes escaped as shown_name does, whatever names
// and records it holds. Every error line of a companion comes from here.
[[gnu::format(printf, 1, 2)]] void complain(const char *format, ...);

// Writes why the unit after r could not be read (result is not unit or finished), name
// leading the line, and when a look at the lines after a malformed one finds trace data,
// that it seems to be; returns the exit status for it.
int report_unread(read_result result, coordinates_reader &r, const char *name);

// Writes why unit, read by r at its line, stands where trace2xy writes none, for a
// program that does what with files laid out as trace2xy writes them ("reorders");
// returns status_malformed.
int report_misplaced(const char *what, const coordinates_reader &r, const xy_unit &unit,
                     const char *name);

// A name that the user gave, as a message shows it: each control byte escaped (\x1b, \t),
// so that none reaches a terminal as an order, and the rest, UTF-8 included, as it is.
std::string shown_name(std::string_view text);

// A faulty line of a file, as a message quotes it: between quotes, escaped as shown_text
// escapes (a quote too), and cut with "..." past what one short line shows.
std::string quoted_text(std::string_view text);

// A file's text, such as a net's record, as a message shows it: each byte that would not
// print, and each backslash, escaped as a faulty line's are (\x1b, \t, \\).
std::string shown_text(std::string_view text);

// Warns, as every companion does, that a job whose tool never goes down draws nothing.
void warn_when_nothing_drawn(std::int64_t tool_downs);

// Writes why the arguments are wrong, the message that format makes, and a line pointing
// to the program's --help; returns status_trouble.
[[gnu::format(printf, 1, 2)]] int wrong_arguments(const char *format, ...);

// The same for what getopt_long, with opterr 0 and the long options of table, returned
// ':' (a value missing) or '?' for: an unknown option, a prefix that several options
// begin with (which are named), or a value given to an option that takes none. An unknown
// --bed is told bed_option, the program's name for the bed, when it has one.
int wrong_option(int code, char **argv, const option *table, const char *bed_option);

// Returns status when all that was written to standard output reached it; otherwise
// reports the system's reason and returns status_trouble.
int standard_output_written(int status);
