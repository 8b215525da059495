// What keeps a companion from losing a file by writing it: never over the file it reads,
// by whatever name, and a picture never over a file that holds something else.
#pragma once

#include "whole_file.h"

#include <cstdio>
#include <string>

// Whether writing to path (standard output for "-") would write to the file that in
// reads, by whatever path or link: a regular file or a named pipe. A device such as a
// terminal may be both.
bool writes_to_input(const char *path, std::FILE *in);

// The same for an input named by path (standard input for "-") rather than open: tells
// before anything is opened or written whether output would land in input.
bool writes_to_named_input(const char *output, const char *input);

// Whether f writes to the file open on standard output: through that descriptor, through
// another one open on the same file, or to that file by name.
bool writes_to_standard_output(const whole_file &f);

// Whether the file at path, if it is there and a regular file, is empty or begins as an
// SVG picture or any XML file does (after a byte order mark and white space: "<?xml",
// "<svg" or "<!"); a file that cannot be read counts as not.
bool holds_picture_or_nothing(const char *path);

// What messages call the output path: "standard output" for "-", else path.
const char *output_name(const char *path);

// Whether path (standard output for "-") names profile, the plotter's profile that the run
// read (its path; empty when none was), which writing would replace; says so when it does.
bool names_the_profile(const char *path, const std::string &profile);

// Opens the coordinates file to write at path as file, before any work, so that a name
// that cannot be written is refused at once, as are the file that in reads and profile;
// returns false, having said why.
bool open_output(whole_file &file, const char *path, std::FILE *in, const std::string &profile);
