// libFuzzer target: the conversion as trace2xy runs it, with common segment records
// converted where they lie, against the chunk-by-chunk conversion that every line could
// take, on the same bytes: as they are, and spelled out as common records whose digits,
// signs and tails the bytes choose.
#include "streams.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void compare(const std::string &trace)
{
    const std::string fast = converted(trace), exact = converted_chunk_by_chunk(trace);
    if (fast != exact) {
        std::fprintf(stderr, "trace data:\n%s\nconverted where it lies:\n%s\nchunk by chunk:\n%s\n",
                     trace.c_str(), fast.c_str(), exact.c_str());
        std::abort();
    }
}

// Each group of nine bytes becomes a number: up to 17 digits taken from eight bytes, a
// sign, and now and then a net, another separator or a tail after it.
std::string records_of(const std::uint8_t *data, std::size_t size)
{
    std::string trace;
    trace.reserve(size / 9 * 40);
    for (std::size_t at = 0, field = 0; at + 9 <= size; at += 9, ++field) {
        const std::uint8_t control = data[at + 8];
        char digits[16];
        std::size_t count = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            const char digit = static_cast<char>('0' + data[at + i] % 10);
            digits[count++] = digit;
            if (data[at + i] >= 250)
                digits[count++] = digit;
        }
        count = std::min<std::size_t>(count, 1 + control % 17);
        if (field % 2 == 0)
            trace += control & 0x80 ? "  NET 'A'\nSEG " : "SEG ";
        if (control & 0x40)
            trace += '-';
        else if (control & 0x20 && control & 0x10)
            trace += '+';
        trace.append(digits, count);
        trace += field % 2 == 0 ? (control & 0x10 && !(control & 0x20) ? "\t" : " ")
                                : (control == 0x0F ? " WIDTH 2\n" : "\n");
    }
    return trace;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    compare(std::string(reinterpret_cast<const char *>(data), size));
    compare(records_of(data, size));
    return 0;
}
