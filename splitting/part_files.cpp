// The bytes of a part are copied by the kernel where it can (copy_file_range), else read
// and written a block at a time.
#include "part_files.h"

#include "whole_file.h"
#include "xy_layout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

bool write_part(std::FILE *in, std::int64_t base, std::int64_t from, std::int64_t to,
                std::FILE *out)
{
    if (std::fflush(out) != 0)
        return false;
    const int source = fileno(in), target = fileno(out);
    off_t at = static_cast<off_t>(base + from);
    const off_t end = static_cast<off_t>(base + to);
    bool copying = true;
    while (at < end) {
        const auto left = static_cast<std::size_t>(end - at);
        ssize_t put = copying ? copy_file_range(source, &at, target, nullptr, left, 0) : -1;
        if (put < 0 && copying && errno != EINTR) {
            copying = false;
            continue;
        }
        if (!copying) {
            char block[1 << 16];
            const ssize_t got = pread(source, block, std::min(sizeof block, left), at);
            if (got <= 0) {
                errno = got == 0 ? EIO : errno;
                return false;
            }
            if (std::fwrite(block, 1, static_cast<std::size_t>(got), out) !=
                static_cast<std::size_t>(got))
                return false;
            at += got;
        } else if (put == 0) {
            errno = EIO;
            return false;
        }
    }
    return std::fwrite(xy_trailer.data(), 1, xy_trailer.size(), out) == xy_trailer.size() &&
           std::fflush(out) == 0;
}

std::string part_name(const std::string &prefix, std::size_t number, std::size_t count)
{
    const std::string digits = std::to_string(number);
    return prefix + "-" + std::string(std::to_string(count).size() - digits.size(), '0') + digits +
           ".xy";
}

std::vector<std::string> stale_parts(const std::string &prefix, std::size_t count)
{
    const std::filesystem::path path(prefix);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    const std::string start = path.filename().string() + "-";
    std::vector<std::string> stale;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(start) || !name.ends_with(".xy") || name.size() <= start.size() + 3)
            continue;
        const std::string number = name.substr(start.size(), name.size() - start.size() - 3);
        if (number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::size_t n = number.size() < 19 ? std::stoull(number) : 0;
        if (n == 0 || n > count || part_name(path.filename().string(), n, count) != name)
            stale.push_back(path.has_parent_path() ? (folder / name).string() : name);
    }
    std::sort(stale.begin(), stale.end());
    return stale;
}

namespace {

// Why a part may not go to name, which would be written in place rather than whole.
const char *in_place_refusal(const std::string &name)
{
    struct stat s;
    if (stat(name.c_str(), &s) == 0 && S_ISREG(s.st_mode))
        return "is open as standard input, output or error, where a part cannot be put whole; "
               "choose another PREFIX";
    return "not a regular file, which a part would replace; remove it first";
}

} // namespace

bool place_parts(const job_input &j, const std::vector<part_span> &parts, const std::string &prefix,
                 std::string &failed, const char *&refusal)
{
    std::vector<whole_file> files(parts.size());
    const sigset_t old = hold_signals();
    std::size_t staged = 0;
    refusal = nullptr;
    for (; staged < parts.size(); ++staged) {
        whole_file &f = files[staged];
        failed = part_name(prefix, staged + 1, parts.size());
        // An interrupt while parts are still being written ends the run with none of them.
        if (signal_waiting(old)) {
            errno = EINTR;
            break;
        }
        const part_span &p = parts[staged];
        if (!open_whole_file(f, failed.c_str())) {
            refusal = f.refusal;
            break;
        }
        if (f.in_place) {
            refusal = in_place_refusal(failed);
            close_whole_file(f, false);
            break;
        }
        if (!write_part(j.in, j.base, p.from, p.to, f.out)) {
            const int reason = errno;
            close_whole_file(f, false);
            errno = reason;
            break;
        }
        if (!stage_whole_file(f))
            break;
    }
    bool whole = staged == parts.size();
    if (whole && !unchanged_since(j.in, j.stamp)) {
        failed = j.name;
        refusal = changed_while_read;
        whole = false;
    }
    const int reason = errno;
    for (std::size_t k = 0; !whole && k < staged; ++k)
        unlink(files[k].written.c_str());
    const bool placed = whole && place_whole_files(files.data(), staged);
    if (whole)
        failed = placed ? "" : prefix;
    else
        errno = reason;
    release_signals(old);
    return placed;
}
