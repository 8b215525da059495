// What the front ends of the companions, xyview and xyorder, share: the report of a
// coordinates file that could not be read, files written whole or not at all, and the
// checks that keep them from writing over the file they read or losing what they print.
#pragma once

#include "coordinates_reader.h"

#include <cstdio>
#include <string>

// Exit statuses: the coordinates file is malformed; a file could not be read or written,
// or the arguments are wrong.
constexpr int status_malformed = 1;
constexpr int status_trouble = 2;

// Opens the coordinates file at path for reading, standard input for "-", and sets name
// to what messages call it; returns null, having said why on standard error after
// program, when it does not open.
std::FILE *open_coordinates(const char *program, const char *path, const char *&name);

// Writes to standard error why the unit after r could not be read (result is not unit
// or finished), program and name leading the line; returns the exit status for it.
int report_unread(const char *program, read_result result, const coordinates_reader &r,
                  const char *name);

// Returns status when all that was written to standard output reached it; otherwise
// reports the system's reason after program and returns status_trouble.
int standard_output_written(const char *program, int status);

// Whether path names the file that in reads, by whatever path or link.
bool is_the_input(const char *path, std::FILE *in);

// A file written whole or not at all: a new file beside path, renamed to it once whole.
// A path that names anything but a regular file (a device, a pipe, a link) is written in
// place, since a rename would replace it.
struct whole_file {
    std::FILE *out;
    std::string path;    // the file to write
    std::string written; // where the bytes go until they are whole
    bool in_place;
};

// Opens f for path. A regular file already there is replaced only if the user may write
// it, and its owner (where the user may give it away) and permission bits are kept.
// Returns false, with errno telling why, when nothing can be written.
bool open_whole_file(whole_file &f, const char *path);

// Closes f and, when complete is true and every byte reached the file, puts it in place;
// otherwise removes what was written beside path. Returns whether f is whole in place,
// with errno telling why not (kept as it was when complete is false).
bool close_whole_file(whole_file &f, bool complete);
