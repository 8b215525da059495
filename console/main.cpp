// trace2xy: asks the operator for a trace data file and a coordinates file, converts
// the one into the other, and tells through its exit status how the run ended:
// 0 converted, 1 the trace data file failed, 2 the coordinates file failed.
#include "record_converter.h"
#include "standard_descriptors.h"
#include "trace_reader.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int status_trace_failed = 1;
constexpr int status_xy_failed = 2;

struct typed_name {
    char text[line_size];
    bool too_long;      // the line goes on past text and is still unread
    bool has_zero_byte; // no file has such a name; text shows it up to the zero byte
};

// Shows text and reads the answer: one line of standard input, its line feed consumed,
// nothing trimmed. End of input before any character gives an empty name.
void ask(const char *text, typed_name &name)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
    std::size_t size = 0;
    int c;
    name.too_long = false;
    name.has_zero_byte = false;
    while ((c = std::getchar()) != EOF && c != '\n') {
        if (size == line_size - 1) {
            std::ungetc(c, stdin);
            name.too_long = true;
            break;
        }
        name.has_zero_byte |= c == '\0';
        name.text[size++] = static_cast<char>(c);
    }
    name.text[size] = '\0';
}

bool unusable(const typed_name &name)
{
    return name.too_long || name.has_zero_byte;
}

// Writes an error text that ends in the name as the operator typed it. A name too long
// to keep is completed from the unread rest of its line, so it shows whole.
void report(const char *text, const typed_name &name)
{
    std::printf(text, name.text);
    int c;
    while (name.too_long && (c = std::getchar()) != EOF && c != '\n')
        std::putchar(c);
    std::putchar('\n');
}

[[noreturn]] void fail(const char *text, const typed_name &name, int status)
{
    report(text, name);
    std::exit(status);
}

// A directory opens for reading on Linux but fails every read, so it is refused at once.
// Standard input is read a byte at a time while the names are asked for, so that none
// of the trace data that may follow them on the same pipe (named as /dev/stdin) is
// taken into a buffer that reopening standard input would never see.
std::FILE *open_trace_file(typed_name &name)
{
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    ask("Enter the Mentor trace data input filename: ", name);
    std::error_code ignored;
    std::FILE *trace = unusable(name) || std::filesystem::is_directory(name.text, ignored)
                           ? nullptr
                           : std::fopen(name.text, "r");
    if (!trace)
        fail("\nERROR: Can't open input file %s", name, status_trace_failed);
    return trace;
}

// Whether name is the open trace data file, by whatever path or link, and one that
// writing would harm: a regular file would be emptied, and writing into the named pipe
// that the run reads from would block it for ever.
bool names_the_trace_file(const char *name, std::FILE *trace)
{
    struct stat named, open;
    return stat(name, &named) == 0 && fstat(fileno(trace), &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino &&
           (S_ISREG(open.st_mode) || S_ISFIFO(open.st_mode));
}

// Whether name is an existing regular file whose first 64 KiB hold a record: trace data,
// most likely the one an operator meant to convert and typed second. A file that cannot be
// read is not judged.
bool holds_trace_data(const char *name)
{
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat s;
    if (fd < 0 || fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    char head[1 << 16];
    std::size_t size = 0;
    for (ssize_t got; size < sizeof head && (got = read(fd, head + size, sizeof head - size)) > 0;)
        size += static_cast<std::size_t>(got);
    close(fd);
    return holds_records(head, size);
}

std::FILE *open_xy_file(typed_name &name, std::FILE *trace)
{
    ask("Enter the Tarvik xy coordinates output filename: ", name);
    const bool refused =
        unusable(name) || names_the_trace_file(name.text, trace) || holds_trace_data(name.text);
    std::FILE *xy = refused ? nullptr : std::fopen(name.text, "w");
    if (!xy)
        fail("\nERROR: Can't open output file %s", name, status_xy_failed);
    return xy;
}

// Closes the trace data file, then the coordinates file, and reports the first thing
// that went wrong with either.
int close_files(const trace_reader &reader, const typed_name &trace_name, xy_writer &writer,
                const typed_name &xy_name)
{
    std::fclose(reader.in);
    const bool xy_failed = writer.write_failed || std::ferror(writer.out) != 0;
    const bool xy_not_closed = std::fclose(writer.out) != 0;
    if (reader.read_failed) {
        report("\nERROR: Can't read input file %s", trace_name);
        return status_trace_failed;
    }
    if (xy_failed || xy_not_closed) {
        report("\nERROR: Can't write output file %s", xy_name);
        return status_xy_failed;
    }
    return EXIT_SUCCESS;
}

} // namespace

int main()
{
    prepare_program();
    conversion_state state;
    reset(state);
    typed_name trace_name;
    trace_reader reader;
    start_reading(reader, open_trace_file(trace_name));
    typed_name xy_name;
    xy_writer writer;
    start_writing(writer, open_xy_file(xy_name, reader.in));
    convert_trace(reader, state, writer);
    return close_files(reader, trace_name, writer, xy_name);
}
