// Files that the companions write whole or not at all: the bytes go to a file without a
// name in the target's folder, which takes the target's place only once complete, so a
// failed or interrupted run leaves the old file as it was and no stray file beside it.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>

struct whole_file {
    std::FILE *out;
    std::string path;    // the file to write, links followed
    std::string written; // the named file the bytes go to while being put in place
    bool in_place;       // written through as it stands: a device, a pipe, a descriptor
    bool linkable;       // the unnamed file may be given a name as it is
    const char *refusal; // why the file was not opened, when errno says too little
};

// Opens f for path. "-" and names of a descriptor the process holds (/dev/stdout,
// /dev/fd/N, /proc/self/fd/N, or a path to the file open on descriptor 0, 1 or 2) are
// written through that descriptor, at its offset and with its flags (appending when
// it was opened so); a device or a pipe is written in place. A symbolic link is followed
// only where the kernel's protection of shared folders would follow it; a regular file
// is replaced only if the user may write it, its owner (where the user may give it
// away) and permission bits kept, and a new one gets 0666 less the umask. Returns false
// when nothing can be written, with errno, or f.refusal, telling why.
bool open_whole_file(whole_file &f, const char *path);

// Closes f and, when complete is true and every byte reached the file, puts it in place,
// with the terminating signals held off until it is. Otherwise the old file stays as it
// was. Returns whether f is whole in place, with errno telling why not (kept as it was
// when complete is false).
bool close_whole_file(whole_file &f, bool complete);

// Holds off the signals that end a run from a terminal or a supervisor (SIGHUP, SIGINT,
// SIGQUIT, SIGTERM); returns the mask to go back to. One that arrives meanwhile takes
// effect when release_signals puts the mask back.
sigset_t hold_signals();
void release_signals(const sigset_t &old);

// Whether one of the signals that hold_signals holds off has arrived meanwhile and would
// end the run once the mask old is back: a long task under held signals stops for it.
bool signal_waiting(const sigset_t &old);

// Closes f, every byte written, under a name of its own beside its place (f.written), for
// place_whole_files; the terminating signals must be held from then until that is done.
// Returns false, with errno, when it cannot be, or f writes in place; f leaves nothing
// behind then.
bool stage_whole_file(whole_file &f);

// Renames the staged files[0] to files[count - 1] into their places: all of them, or, when
// one cannot be, none, those put in place already and those staged removed. Returns whether
// all are in place, with errno telling why not.
bool place_whole_files(whole_file *files, std::size_t count);

// The reason that open_whole_file or close_whole_file failed, as a line's end.
const char *whole_file_failure(const whole_file &f);

// The folder of temporary files: $TMPDIR, or /tmp when that is unset or empty.
std::string scratch_folder();

// A temporary file without a name in scratch_folder(), open for reading and writing and gone
// once closed. Returns nullptr, with errno, when none can be made there.
std::FILE *scratch_file();
