// libFuzzer target: arbitrary bytes as a trace data file through the real reader and
// converter, checking what must hold of the coordinates file for every input.
#include "record_converter.h"
#include "streams.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void broken(const char *what, std::string_view xy)
{
    std::fprintf(stderr, "invariant broken: %s\ncoordinates file (%zu bytes):\n%.*s\n", what,
                 xy.size(), static_cast<int>(xy.size()), xy.data());
    std::abort();
}

struct record_counts {
    long segments = 0;
    long nets = 0;
};

// Cuts the input as a bounded line read of 80 bytes would and counts the chunks that
// begin with "SEG" and those with "NET" in their third to fifth bytes.
record_counts count_records(const std::uint8_t *data, std::size_t size)
{
    record_counts counts;
    for (std::size_t at = 0; at < size;) {
        std::size_t length = 0;
        while (at + length < size && length < line_size - 1)
            if (data[at + length++] == '\n')
                break;
        const std::string_view chunk(reinterpret_cast<const char *>(data + at), length);
        counts.segments += chunk.starts_with("SEG");
        counts.nets += chunk.size() >= 5 && chunk.substr(2, 3) == "NET";
        at += length;
    }
    return counts;
}

// A number as "%10.2f" writes it: at least ten characters, blanks only when it is shorter.
bool is_field(std::string_view field)
{
    std::size_t at = 0;
    while (at < field.size() && field[at] == ' ')
        ++at;
    if (field.size() < 10 || (at > 0 && field.size() != 10))
        return false;
    at += at < field.size() && field[at] == '-';
    const std::size_t point = field.find('.', at);
    if (point == std::string_view::npos || point == at || point + 3 != field.size())
        return false;
    for (std::size_t i = at; i < field.size(); ++i)
        if (i != point && (field[i] < '0' || field[i] > '9'))
            return false;
    return true;
}

// Splits the coordinates file into its units, checking each, and counts them.
record_counts check_units(std::string_view xy)
{
    const std::string_view trailer = "Tool Up \n\n\n";
    if (!xy.ends_with(trailer))
        broken("no trailer at the end", xy);
    std::string_view rest = xy.substr(0, xy.size() - trailer.size());
    record_counts counts;
    while (!rest.empty()) {
        if (rest.starts_with("Tool Down \n")) {
            rest.remove_prefix(11);
        } else if (rest.starts_with("Tool Up \n")) {
            rest.remove_prefix(9);
        } else if (rest.starts_with("Go To ")) {
            const std::size_t end = rest.find('\n');
            const std::string_view fields = rest.substr(6, end - 6);
            const std::size_t blank = fields.find(' ', fields.find_first_not_of(' '));
            if (end == std::string_view::npos || blank == std::string_view::npos ||
                !is_field(fields.substr(0, blank)) || !is_field(fields.substr(blank + 1)))
                broken("malformed move line", xy);
            ++counts.segments;
            rest.remove_prefix(end + 1);
        } else if (rest.starts_with("\n ")) {
            // The echoed chunk holds no zero byte and at most its own final line feed; the
            // block ends in a blank and a line feed, on the chunk's line or the next.
            const std::size_t feed = rest.find('\n', 2);
            if (feed == std::string_view::npos)
                broken("net header block without its end", xy);
            std::size_t end = feed + 1;
            if (rest.substr(end).starts_with(" \n"))
                end += 2;
            else if (rest[feed - 1] != ' ' || feed < 3)
                broken("net header block without its closing blank", xy);
            if (end - 4 > line_size - 1 || rest.substr(0, end).find('\0') != std::string_view::npos)
                broken("net header block with a malformed chunk", xy);
            ++counts.nets;
            rest.remove_prefix(end);
        } else {
            broken("a line that is no unit of the coordinates file", xy);
        }
    }
    return counts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    run_failures failures;
    const std::string xy =
        converted(std::string_view(reinterpret_cast<const char *>(data), size), &failures);
    if (failures.read_failed || failures.write_failed)
        broken("a stream in memory failed", xy);
    const record_counts expected = count_records(data, size);
    const record_counts found = check_units(xy);
    if (found.segments != expected.segments)
        broken("move lines and segment chunks differ in number", xy);
    if (found.nets != expected.nets)
        broken("net header blocks and net chunks differ in number", xy);
    return 0;
}
