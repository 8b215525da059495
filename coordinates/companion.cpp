// The companions' shared front-end pieces.
#include "companion.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Shows a line between quotes, with the bytes that would not print escaped.
void put_escaped(std::FILE *to, const coordinates_reader &r)
{
    std::fputc('\'', to);
    for (std::size_t i = 0; i < r.line_length; ++i) {
        const unsigned char c = static_cast<unsigned char>(r.line[i]);
        if (c == '\\' || c == '\'')
            std::fprintf(to, "\\%c", c);
        else if (c == '\t')
            std::fputs("\\t", to);
        else if (c == '\r')
            std::fputs("\\r", to);
        else if (c < 0x20 || c >= 0x7f)
            std::fprintf(to, "\\x%02x", c);
        else
            std::fputc(c, to);
    }
    std::fputs(r.line_cut ? "...'" : "'", to);
}

} // namespace

std::FILE *open_coordinates(const char *program, const char *path, const char *&name)
{
    const bool from_stdin = std::strcmp(path, "-") == 0;
    name = from_stdin ? "(standard input)" : path;
    std::FILE *in = from_stdin ? stdin : std::fopen(path, "r");
    if (!in)
        std::fprintf(stderr, "%s: %s: %s\n", program, name, std::strerror(errno));
    return in;
}

int report_unread(const char *program, read_result result, const coordinates_reader &r,
                  const char *name)
{
    if (result == read_result::failed) {
        std::fprintf(stderr, "%s: %s: %s\n", program, name, std::strerror(errno));
        return status_trouble;
    }
    if (result == read_result::cut_short) {
        std::fprintf(stderr, "%s: %s: the file ends after line %ld, without its trailer\n", program,
                     name, r.line_number);
    } else {
        std::fprintf(stderr, "%s: %s:%ld: not a coordinates line: ", program, name, r.line_number);
        put_escaped(stderr, r);
        std::fputs(r.line_fed ? "\n" : " (the file ends inside it)\n", stderr);
    }
    return status_malformed;
}

int standard_output_written(const char *program, int status)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    std::fprintf(stderr, "%s: standard output: %s\n", program, std::strerror(errno));
    return status_trouble;
}

bool is_the_input(const char *path, std::FILE *in)
{
    struct stat named, read;
    return stat(path, &named) == 0 && fstat(fileno(in), &read) == 0 &&
           named.st_dev == read.st_dev && named.st_ino == read.st_ino;
}

bool open_whole_file(whole_file &f, const char *path)
{
    struct stat old;
    const bool exists = lstat(path, &old) == 0;
    f.path = path;
    f.written = path;
    f.in_place = exists && !S_ISREG(old.st_mode);
    f.out = nullptr;
    if (f.in_place) {
        f.out = std::fopen(path, "w");
        return f.out != nullptr;
    }
    if (exists) {
        // Opening to append changes nothing, yet is refused exactly as writing would be.
        std::FILE *check = std::fopen(path, "a");
        if (!check || std::fclose(check) != 0)
            return false;
    }
    for (int attempt = 0; !f.out && attempt < 100; ++attempt) {
        f.written = f.path + ".tmp" + (attempt ? std::to_string(attempt) : "");
        f.out = std::fopen(f.written.c_str(), "wx");
        if (!f.out && errno != EEXIST)
            return false;
    }
    if (f.out && exists) {
        // Only a privileged user may give the file back to its owner; others keep it.
        const int given_back = fchown(fileno(f.out), old.st_uid, old.st_gid);
        static_cast<void>(given_back);
        fchmod(fileno(f.out), old.st_mode & 07777);
    }
    return f.out != nullptr;
}

bool close_whole_file(whole_file &f, bool complete)
{
    const int error = errno;
    const bool closed = std::fclose(f.out) == 0;
    f.out = nullptr;
    if (complete && closed && (f.in_place || std::rename(f.written.c_str(), f.path.c_str()) == 0))
        return true;
    const int reason = complete ? errno : error;
    if (!f.in_place)
        std::remove(f.written.c_str());
    errno = reason;
    return false;
}
