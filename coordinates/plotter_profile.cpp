// A line is a key, an equals sign and a value, blanks around each, and may end in a comment
// after #; blank lines and comment lines are passed over. The values are checked by what
// takes them, with the line they came from.
#include "plotter_profile.h"

#include "diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Takes one line of the file into p; returns false, having said why not.
bool take_line(plotter_profile &p, std::string_view line, int number)
{
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty())
        return true;
    const std::size_t equals = line.find('=');
    const char *const file = p.path.c_str();
    if (equals == std::string_view::npos || trimmed(line.substr(0, equals)).empty()) {
        complain("%s:%d: not key = value: %s", file, number, quoted_text(line).c_str());
        return false;
    }
    const std::string_view key = trimmed(line.substr(0, equals)),
                           value = trimmed(line.substr(equals + 1));
    for (int k = 0; k < profile_key_count; ++k) {
        if (key != profile_keys[k])
            continue;
        if (!p.values[k].empty()) {
            complain("%s:%d: %s is given twice, first on line %d", file, number, profile_keys[k],
                     p.lines[k]);
            return false;
        }
        if (value.empty()) {
            complain("%s:%d: %s wants a value", file, number, profile_keys[k]);
            return false;
        }
        p.values[k] = value;
        p.lines[k] = number;
        return true;
    }
    complain("%s:%d: unknown key %s; plotter.conf(5) lists unit, bed, speed, travel-speed, "
             "accel, corner, tool-time and margin",
             file, number, quoted_text(key).c_str());
    return false;
}

// The most bytes a profile holds: a plotter's few lines take far fewer, and a file named by
// mistake, or a device that never ends, is refused rather than read for ever.
constexpr std::size_t longest_profile = 1 << 16;

// Reads the profile at path into text; returns false, having said why not.
bool read_profile_text(const char *path, std::string &text)
{
    std::FILE *const in = std::fopen(path, "r");
    struct stat s;
    bool read = false;
    if (in && fstat(fileno(in), &s) == 0 && S_ISDIR(s.st_mode)) {
        errno = EISDIR;
    } else if (in) {
        text.resize(longest_profile + 1);
        text.resize(std::fread(text.data(), 1, text.size(), in));
        read = !std::ferror(in);
    }
    const int reason = errno;
    if (in)
        std::fclose(in);
    if (!read)
        complain("%s: %s (the plotter's profile)", path, std::strerror(reason));
    else if (text.size() > longest_profile)
        complain("%s: over 64 KiB, too long for a plotter's profile", path);
    return read && text.size() <= longest_profile;
}

} // namespace

bool read_profile(const char *named, plotter_profile &p)
{
    p = plotter_profile{};
    const char *const environment = std::getenv("XY_PLOTTER");
    const char *const chosen = named ? named : environment;
    if (chosen && (*chosen == '\0' || std::strcmp(chosen, "none") == 0))
        return true;
    if (chosen) {
        p.path = chosen;
    } else {
        const char *const config = std::getenv("XDG_CONFIG_HOME");
        const char *const home = std::getenv("HOME");
        p.path =
            config && *config ? std::string(config) : std::string(home ? home : "") + "/.config";
        p.path += "/trace2xy/plotter.conf";
    }
    struct stat s;
    if (stat(p.path.c_str(), &s) != 0 && errno == ENOENT && !chosen) {
        p.path.clear();
        return true;
    }
    std::string text;
    if (!read_profile_text(p.path.c_str(), text))
        return false;
    std::string_view rest(text);
    // An editor may begin a UTF-8 file with a byte order mark, which no key is part of.
    if (rest.starts_with("\xef\xbb\xbf"))
        rest.remove_prefix(3);
    for (int number = 1; !rest.empty(); ++number) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        if (!take_line(p, rest.substr(0, end), number))
            return false;
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return true;
}

std::string profile_place(const plotter_profile &p, profile_key key)
{
    return p.path + ":" + std::to_string(p.lines[key]) + ": " + profile_keys[key];
}
