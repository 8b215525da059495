// The companions' shared front-end pieces.
#include "companion.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
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

// Whether line is a record of trace data as trace2xy takes it: a segment or a net.
bool is_trace_record(std::string_view line)
{
    return line.starts_with("SEG") || (line.size() >= 5 && line.substr(2, 3) == "NET");
}

// Whether the malformed line of r, or one of the few lines after it, is a record of trace
// data: the file given is then most likely trace data, not yet converted.
bool looks_like_trace_data(const coordinates_reader &r)
{
    if (is_trace_record(std::string_view(r.line, r.line_length)))
        return true;
    char line[xy_line_size];
    for (int lines = 0; lines < 64 && std::fgets(line, sizeof line, r.in);)
        if (is_trace_record(line))
            return true;
        else
            lines += std::strchr(line, '\n') != nullptr;
    return false;
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
        if (looks_like_trace_data(r))
            std::fprintf(stderr,
                         "%s: %s looks like trace data, not a coordinates file: trace2xy "
                         "converts it into one\n",
                         program, name);
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

bool writes_to_input(const char *path, std::FILE *in)
{
    struct stat named, read;
    const bool to_stdout = std::strcmp(path, "-") == 0;
    return (to_stdout ? fstat(STDOUT_FILENO, &named) : stat(path, &named)) == 0 &&
           fstat(fileno(in), &read) == 0 && named.st_dev == read.st_dev &&
           named.st_ino == read.st_ino && (S_ISREG(read.st_mode) || S_ISFIFO(read.st_mode));
}

namespace {

// The file that path names once its symbolic links are followed; it need not exist.
// Returns false, with errno telling why, when the links cannot be read or loop.
bool follow_links(std::string &path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link;
        if (lstat(path.c_str(), &link) != 0)
            return errno == ENOENT;
        if (!S_ISLNK(link.st_mode))
            return true;
        char target[PATH_MAX];
        const ssize_t size = readlink(path.c_str(), target, sizeof target);
        if (size < 0 || static_cast<std::size_t>(size) == sizeof target)
            return false;
        const std::string_view to(target, static_cast<std::size_t>(size));
        const std::size_t slash = path.rfind('/');
        path = to.starts_with('/') || slash == std::string::npos
                   ? std::string(to)
                   : path.substr(0, slash + 1).append(to);
    }
    errno = ELOOP;
    return false;
}

// The folder of path, and a beginning for names beside it short enough that six more
// characters still make a name.
std::string folder_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_beside(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, start) + path.substr(start, NAME_MAX - 8) + ".";
}

// Gives the unnamed file of f, whole, a name beside its place: a name chosen at random
// is tried until one is free.
bool name_unnamed(whole_file &f)
{
    char descriptor[32];
    std::snprintf(descriptor, sizeof descriptor, "/proc/self/fd/%d", fileno(f.out));
    std::uint64_t state = static_cast<std::uint64_t>(getpid()) << 32 ^
                          static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&f));
    for (int attempt = 0; attempt < 100; ++attempt) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        f.written = name_beside(f.path);
        for (int k = 0; k < 6; ++k)
            f.written += "abcdefghijklmnopqrstuvwxyz0123456789"[(state >> (16 + 5 * k)) % 36];
        // Without /proc, only a privileged user may link the descriptor itself.
        if (linkat(AT_FDCWD, descriptor, AT_FDCWD, f.written.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno == ENOENT &&
             linkat(fileno(f.out), "", AT_FDCWD, f.written.c_str(), AT_EMPTY_PATH) == 0))
            return true;
        if (errno != EEXIST)
            break;
    }
    f.written.clear();
    return false;
}

} // namespace

bool open_whole_file(whole_file &f, const char *path)
{
    f = whole_file{nullptr, path, {}, std::strcmp(path, "-") == 0};
    if (f.in_place) {
        f.out = stdout;
        return true;
    }
    if (!follow_links(f.path))
        return false;
    struct stat old;
    const bool exists = stat(f.path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        f.in_place = true;
        f.out = std::fopen(f.path.c_str(), "w");
        return f.out != nullptr;
    }
    if (exists) {
        // Opening to append changes nothing, yet is refused exactly as writing would be.
        std::FILE *check = std::fopen(f.path.c_str(), "a");
        if (!check || std::fclose(check) != 0)
            return false;
    }
    int fd = open(folder_of(f.path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // Without unnamed files, a name of its own that no other run can have.
        f.written = name_beside(f.path) + "XXXXXX";
        fd = mkstemp(f.written.data());
        const mode_t mask = umask(0);
        umask(mask);
        if (fd >= 0)
            fchmod(fd, 0666 & ~mask);
    }
    if (fd < 0 || !(f.out = fdopen(fd, "w"))) {
        const int reason = errno;
        if (fd >= 0)
            close(fd);
        if (!f.written.empty())
            unlink(f.written.c_str());
        errno = reason;
        return false;
    }
    if (exists) {
        // Only a privileged user may give the file back to its owner; others keep it.
        const int given_back = fchown(fd, old.st_uid, old.st_gid);
        static_cast<void>(given_back);
        fchmod(fd, old.st_mode & 07777);
    }
    return true;
}

bool close_whole_file(whole_file &f, bool complete)
{
    const int error = errno;
    const bool unnamed = !f.in_place && f.written.empty();
    bool whole = complete && std::fflush(f.out) == 0 && !std::ferror(f.out);
    if (whole && unnamed)
        whole = name_unnamed(f);
    int reason = errno;
    const bool closed = f.out == stdout ? true : std::fclose(f.out) == 0;
    if (!closed && whole)
        reason = errno;
    f.out = nullptr;
    whole = whole && closed;
    if (whole && !f.in_place && std::rename(f.written.c_str(), f.path.c_str()) != 0) {
        reason = errno;
        whole = false;
    }
    if (whole)
        return true;
    if (!f.written.empty())
        unlink(f.written.c_str());
    errno = complete ? reason : error;
    return false;
}

int wrong_arguments(const char *program, const char *why, const char *what)
{
    std::fprintf(stderr, "%s: %s%s\nTry '%s --help'.\n", program, why, what, program);
    return status_trouble;
}

int wrong_option(const char *program, int code, char **argv)
{
    if (code == ':')
        return wrong_arguments(program, "this option needs a value: ", argv[optind - 1]);
    const char shown[3] = {'-', static_cast<char>(optopt), '\0'};
    return wrong_arguments(program,
                           "unknown or ambiguous option: ", optopt ? shown : argv[optind - 1]);
}

bool read_decimal(const char *&text, double &value)
{
    const char *at = text;
    at += *at == '+' || *at == '-';
    const char *digits = at;
    while (*at >= '0' && *at <= '9')
        ++at;
    if (*at == '.')
        for (++at; *at >= '0' && *at <= '9';)
            ++at;
    if (at == digits || (at == digits + 1 && *digits == '.'))
        return false;
    if (*at == 'e' || *at == 'E') {
        const char *exponent = at + 1;
        exponent += *exponent == '+' || *exponent == '-';
        if (*exponent >= '0' && *exponent <= '9') {
            while (*exponent >= '0' && *exponent <= '9')
                ++exponent;
            at = exponent;
        }
    }
    // The C library converts the text accepted above, in the C locale that the program
    // never leaves.
    char number[64];
    const std::size_t length = static_cast<std::size_t>(at - text);
    if (length >= sizeof number)
        return false;
    std::memcpy(number, text, length);
    number[length] = '\0';
    value = std::strtod(number, nullptr);
    text = at;
    return std::isfinite(value);
}

bool motion_of(const char *program, const motion_arguments &given, motion_model &m)
{
    const char *const names[] = {"--speed", "--travel-speed", "--accel", "--corner", "--tool-time"};
    m = motion_model{};
    double values[5] = {0, 0, 0, 0, 0};
    double tool_up = 0;
    for (int k = 0; k < 5; ++k) {
        const char *text = given.values[k];
        if (!text)
            continue;
        const bool above_zero = k < 3;
        bool read = read_decimal(text, values[k]) && (above_zero ? values[k] > 0 : values[k] >= 0);
        if (k == 4)
            tool_up = values[k];
        if (read && k == 4 && *text == ',') {
            ++text;
            read = read_decimal(text, tool_up) && tool_up >= 0;
        }
        if (!read || *text != '\0') {
            std::fprintf(stderr, "%s: %s wants %s: '%s'\n", program, names[k],
                         k == 4       ? "DOWN[,UP], seconds at or above zero"
                         : above_zero ? "a number above zero"
                                      : "a number at or above zero",
                         given.values[k]);
            return false;
        }
    }
    for (int k = 1; k < 5; ++k) {
        const char *needed = !given.values[0]             ? "--speed"
                             : k == 3 && !given.values[2] ? "--accel"
                                                          : nullptr;
        if (given.values[k] && needed) {
            std::fprintf(stderr, "%s: %s %s needs %s\n", program, names[k], given.values[k],
                         needed);
            return false;
        }
    }
    m.speed = values[0];
    m.travel_speed = given.values[1] ? values[1] : values[0];
    m.accel = values[2];
    m.corner = values[3];
    m.tool_down_time = values[4];
    m.tool_up_time = given.values[4] ? tool_up : 0;
    return true;
}
