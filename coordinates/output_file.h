// What keeps a companion from losing a file by writing it: never over the file it reads,
// by whatever name, a picture never over a file that holds something else, and nothing
// from a file that another program wrote to while it was being read.
#pragma once

#include "whole_file.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
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

// What another program's write to a file changes: its size and the times of its last
// write and change. Only a regular file is stamped; a pipe's times move as it is read.
struct file_stamp {
    bool regular;
    std::int64_t size;
    timespec written, changed;
};

// The stamp of the file that in reads, as it stands now.
file_stamp stamp_of(std::FILE *in);

// Whether the file that in reads still bears stamp, taken before it was first read (so
// always when the stamp is of no regular file). A write within the same tick of the
// system's clock as the last one before the stamp may go unseen.
bool unchanged_since(std::FILE *in, const file_stamp &stamp);

// How a change that unchanged_since finds is told, after the file's name.
constexpr const char *changed_while_read =
    "changed while it was being read; run again when nothing is writing it";

// As unchanged_since, saying so, as of the file called name, when the file changed.
bool still_as_read(std::FILE *in, const file_stamp &stamp, const char *name);
