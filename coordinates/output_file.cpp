// A file is the same as another when both name one inode on one device; a picture is
// told by its first bytes; a file is written to when its size or its times move.
#include "output_file.h"

#include "diagnostics.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file that path names, or for "-" the one open on descriptor standard.
bool stat_named(const char *path, int standard, struct stat &s)
{
    return (std::strcmp(path, "-") == 0 ? fstat(standard, &s) : stat(path, &s)) == 0;
}

// Whether written and read are one file that writing would harm: a regular file would lose
// what it holds, and a named pipe that the run reads would block it for ever.
bool one_file(const struct stat &written, const struct stat &read)
{
    return written.st_dev == read.st_dev && written.st_ino == read.st_ino &&
           (S_ISREG(read.st_mode) || S_ISFIFO(read.st_mode));
}

} // namespace

bool writes_to_input(const char *path, std::FILE *in)
{
    struct stat named, read;
    return stat_named(path, STDOUT_FILENO, named) && fstat(fileno(in), &read) == 0 &&
           one_file(named, read);
}

bool writes_to_named_input(const char *output, const char *input)
{
    struct stat named, read;
    return stat_named(output, STDOUT_FILENO, named) && stat_named(input, STDIN_FILENO, read) &&
           one_file(named, read);
}

bool writes_to_standard_output(const whole_file &f)
{
    if (f.out == stdout)
        return true;
    struct stat standard, target;
    const bool known =
        f.in_place ? fstat(fileno(f.out), &target) == 0 : stat(f.path.c_str(), &target) == 0;
    return known && fstat(STDOUT_FILENO, &standard) == 0 && standard.st_dev == target.st_dev &&
           standard.st_ino == target.st_ino;
}

bool holds_picture_or_nothing(const char *path)
{
    struct stat s;
    // Nothing there to lose, or nothing that the picture would be renamed over.
    if (stat(path, &s) != 0 || !S_ISREG(s.st_mode) || s.st_size == 0)
        return true;
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    char start[256];
    const std::string_view head(start, std::fread(start, 1, sizeof start, f));
    std::fclose(f);
    std::string_view text = head.starts_with("\xef\xbb\xbf") ? head.substr(3) : head;
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(" \t\r\n")));
    return text.starts_with("<?xml") || text.starts_with("<svg") || text.starts_with("<!");
}

const char *output_name(const char *path)
{
    return std::strcmp(path, "-") ? path : "standard output";
}

bool names_the_profile(const char *path, const std::string &profile)
{
    struct stat named, read;
    if (profile.empty() || !stat_named(path, STDOUT_FILENO, named) ||
        stat(profile.c_str(), &read) != 0 || !one_file(named, read))
        return false;
    complain("%s: is the plotter's profile being read", output_name(path));
    return true;
}

bool open_output(whole_file &file, const char *path, std::FILE *in, const std::string &profile)
{
    if (writes_to_input(path, in))
        complain("%s: is the coordinates file being read", output_name(path));
    else if (names_the_profile(path, profile))
        return false;
    else if (!open_whole_file(file, path))
        complain("%s: %s", output_name(path), whole_file_failure(file));
    else
        return true;
    return false;
}

file_stamp stamp_of(std::FILE *in)
{
    struct stat s;
    if (fstat(fileno(in), &s) != 0 || !S_ISREG(s.st_mode))
        return {.regular = false, .size = 0, .written = {}, .changed = {}};
    return {.regular = true, .size = s.st_size, .written = s.st_mtim, .changed = s.st_ctim};
}

bool unchanged_since(std::FILE *in, const file_stamp &stamp)
{
    if (!stamp.regular)
        return true;
    const file_stamp now = stamp_of(in);
    const auto same = [](const timespec &a, const timespec &b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    return now.regular && now.size == stamp.size && same(now.written, stamp.written) &&
           same(now.changed, stamp.changed);
}

bool still_as_read(std::FILE *in, const file_stamp &stamp, const char *name)
{
    if (unchanged_since(in, stamp))
        return true;
    complain("%s: %s", name, changed_while_read);
    return false;
}
