// The unnamed file is made with O_TMPFILE where the file system has it; elsewhere it is a
// file of a unique name, unlinked as soon as it is made. Once complete it gets a name
// beside the target, by linking it where the system allows that or else by copying it,
// and that name is renamed over the target. A name exists only while the terminating
// signals are held off, so no signal leaves a file behind.
#include "whole_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The signals that end a run from a terminal or a supervisor.
constexpr int ending_signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

} // namespace

sigset_t hold_signals()
{
    sigset_t held, old;
    sigemptyset(&held);
    for (const int s : ending_signals)
        sigaddset(&held, s);
    sigprocmask(SIG_BLOCK, &held, &old);
    return old;
}

void release_signals(const sigset_t &old)
{
    sigprocmask(SIG_SETMASK, &old, nullptr);
}

bool signal_waiting(const sigset_t &old)
{
    sigset_t pending;
    if (sigpending(&pending) != 0)
        return false;
    for (const int s : ending_signals)
        if (sigismember(&pending, s) == 1 && sigismember(&old, s) == 0)
            return true;
    return false;
}

namespace {

// The descriptor that path names by a name of the system's (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N), or else the one of descriptors 0 to 2 open for writing on the very
// file path names; -1 when there is none.
int descriptor_named(const char *path)
{
    const std::string_view name(path);
    for (const auto &[word, fd] :
         {std::pair{"/dev/stdin", 0}, {"/dev/stdout", 1}, {"/dev/stderr", 2}})
        if (name == word)
            return fd;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!name.starts_with(folder) || name.size() == folder.size())
            continue;
        long fd = 0;
        for (const char c : name.substr(folder.size()))
            if (c < '0' || c > '9' || (fd = fd * 10 + (c - '0')) > INT_MAX)
                return -1;
        return static_cast<int>(fd);
    }
    struct stat named, open;
    if (stat(path, &named) != 0 || S_ISDIR(named.st_mode))
        return -1;
    for (int fd = 0; fd <= 2; ++fd) {
        const int flags = fcntl(fd, F_GETFL);
        if (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY && fstat(fd, &open) == 0 &&
            open.st_dev == named.st_dev && open.st_ino == named.st_ino)
            return fd;
    }
    return -1;
}

std::string folder_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A beginning for names beside path, short enough that six more characters still make
// a name.
std::string name_beside(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, start) + path.substr(start, NAME_MAX - 8) + ".";
}

// Follows the symbolic links of f.path to the file they name, which need not exist. A
// link in a sticky folder that anyone may write is followed only when the caller or the
// folder's owner owns it, as the kernel guards such folders: another user could have
// put it there to turn the write onto a file of the caller's.
bool follow_links(whole_file &f)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link, folder;
        if (lstat(f.path.c_str(), &link) != 0)
            return errno == ENOENT;
        if (!S_ISLNK(link.st_mode))
            return true;
        if (stat(folder_of(f.path).c_str(), &folder) != 0)
            return false;
        if ((folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH) &&
            link.st_uid != geteuid() && link.st_uid != folder.st_uid) {
            f.refusal = "a symbolic link in a shared folder that neither you nor the folder's "
                        "owner made; not followed";
            return false;
        }
        char target[PATH_MAX];
        const ssize_t size = readlink(f.path.c_str(), target, sizeof target);
        if (size < 0 || static_cast<std::size_t>(size) == sizeof target)
            return false;
        const std::string_view to(target, static_cast<std::size_t>(size));
        const std::size_t slash = f.path.rfind('/');
        f.path = to.starts_with('/') || slash == std::string::npos
                     ? std::string(to)
                     : f.path.substr(0, slash + 1).append(to);
    }
    errno = ELOOP;
    return false;
}

mode_t creation_mask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// A file without a name in folder, open for reading and writing with mode less the umask;
// where the file system has no O_TMPFILE, one named pattern (ending in XXXXXX) made and
// removed at once, with the terminating signals held so that none leaves it behind.
// unnamed tells which of the two it is.
int open_unnamed_in(const std::string &folder, std::string pattern, mode_t mode, bool &unnamed)
{
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    unnamed = fd >= 0;
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    const sigset_t old = hold_signals();
    fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0 && unlink(pattern.c_str()) != 0) {
        const int reason = errno;
        close(fd);
        unlink(pattern.c_str());
        errno = reason;
        fd = -1;
    }
    release_signals(old);
    if (fd >= 0)
        fchmod(fd, mode & ~creation_mask());
    return fd;
}

// A file without a name in the folder of f.path, open for reading and writing.
int open_unnamed(whole_file &f)
{
    return open_unnamed_in(folder_of(f.path), name_beside(f.path) + "XXXXXX", 0666, f.linkable);
}

// Gives the unnamed file of f a name beside its place, chosen at random until one is
// free. Without /proc, or where the kernel refuses to link a descriptor to a user
// without privileges, this fails and the file is copied instead.
bool link_unnamed(whole_file &f)
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

bool write_all(int fd, const char *bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = write(fd, bytes, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Copies the unnamed file of f, owner and mode included, into a new file beside its
// place.
bool copy_unnamed(whole_file &f)
{
    f.written = name_beside(f.path) + "XXXXXX";
    const int to = mkostemp(f.written.data(), O_CLOEXEC);
    if (to < 0) {
        f.written.clear();
        return false;
    }
    const int from = fileno(f.out);
    struct stat unnamed;
    bool copied = fstat(from, &unnamed) == 0;
    if (copied) {
        // Only a privileged user may give the file to another owner; others keep it.
        const int given = fchown(to, unnamed.st_uid, unnamed.st_gid);
        static_cast<void>(given);
        copied = fchmod(to, unnamed.st_mode & 07777) == 0;
    }
    char block[1 << 16];
    for (off_t at = 0; copied;) {
        const ssize_t got = pread(from, block, sizeof block, at);
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = write_all(to, block, static_cast<std::size_t>(got));
        at += got;
    }
    const int reason = errno;
    copied = close(to) == 0 && copied;
    if (!copied && reason != 0)
        errno = reason;
    return copied;
}

} // namespace

bool open_whole_file(whole_file &f, const char *path)
{
    f = whole_file{.out = nullptr,
                   .path = path,
                   .written = {},
                   .in_place = true,
                   .linkable = false,
                   .refusal = nullptr};
    if (std::strcmp(path, "-") == 0) {
        f.out = stdout;
        return true;
    }
    if (const int fd = descriptor_named(path); fd >= 0) {
        if (fd == STDOUT_FILENO) {
            f.out = stdout;
            return true;
        }
        const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (copy >= 0 && !(f.out = fdopen(copy, "w")))
            close(copy);
        return f.out != nullptr;
    }
    if (!follow_links(f))
        return false;
    struct stat old;
    const bool exists = stat(f.path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        f.out = std::fopen(f.path.c_str(), "w");
        return f.out != nullptr;
    }
    f.in_place = false;
    if (exists) {
        // Opening to append changes nothing, yet is refused exactly as writing would be.
        std::FILE *check = std::fopen(f.path.c_str(), "a");
        if (!check || std::fclose(check) != 0)
            return false;
    }
    const int fd = open_unnamed(f);
    if (fd < 0 || !(f.out = fdopen(fd, "w"))) {
        const int reason = errno;
        if (fd >= 0)
            close(fd);
        errno = reason;
        return false;
    }
    if (exists) {
        const int given_back = fchown(fd, old.st_uid, old.st_gid);
        static_cast<void>(given_back);
        fchmod(fd, old.st_mode & 07777);
    }
    return true;
}

bool close_whole_file(whole_file &f, bool complete)
{
    const int error = errno;
    bool whole = complete && std::fflush(f.out) == 0 && !std::ferror(f.out);
    int reason = errno;
    const auto closed = [&] {
        const bool ok = f.out == stdout || std::fclose(f.out) == 0;
        if (!ok && whole)
            reason = errno;
        f.out = nullptr;
        return ok;
    };
    if (f.in_place || !whole) {
        whole = closed() && whole;
    } else {
        const sigset_t old = hold_signals();
        whole = (f.linkable && link_unnamed(f)) || copy_unnamed(f);
        if (!whole)
            reason = errno;
        whole = closed() && whole;
        if (whole && std::rename(f.written.c_str(), f.path.c_str()) != 0) {
            reason = errno;
            whole = false;
        }
        if (!whole && !f.written.empty())
            unlink(f.written.c_str());
        release_signals(old);
    }
    errno = complete ? reason : error;
    return whole;
}

bool stage_whole_file(whole_file &f)
{
    bool staged = std::fflush(f.out) == 0 && !std::ferror(f.out) && !f.in_place &&
                  ((f.linkable && link_unnamed(f)) || copy_unnamed(f));
    const int reason = errno;
    staged = std::fclose(f.out) == 0 && staged;
    f.out = nullptr;
    if (!staged && !f.written.empty())
        unlink(f.written.c_str());
    if (!staged)
        f.written.clear();
    errno = reason;
    return staged;
}

bool place_whole_files(whole_file *files, std::size_t count)
{
    std::size_t placed = 0;
    int reason = 0;
    for (; placed < count; ++placed)
        if (std::rename(files[placed].written.c_str(), files[placed].path.c_str()) != 0) {
            reason = errno;
            break;
        }
    for (std::size_t k = 0; placed < count && k < count; ++k)
        unlink(k < placed ? files[k].path.c_str() : files[k].written.c_str());
    errno = reason;
    return placed == count;
}

const char *whole_file_failure(const whole_file &f)
{
    return f.refusal ? f.refusal : std::strerror(errno);
}

std::string scratch_folder()
{
    const char *given = std::getenv("TMPDIR");
    return given && *given ? given : "/tmp";
}

std::FILE *scratch_file()
{
    const std::string folder = scratch_folder();
    bool unnamed = false;
    const int fd = open_unnamed_in(folder, folder + "/xy-scratch.XXXXXX", 0600, unnamed);
    std::FILE *file = fd >= 0 ? fdopen(fd, "w+") : nullptr;
    if (fd >= 0 && !file) {
        const int reason = errno;
        close(fd);
        errno = reason;
    }
    return file;
}
