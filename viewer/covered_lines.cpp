// A pixel's samples are kept a bit each, both along rows and along columns, so that those
// of a line of samples lie together whichever way a stroke runs; a pixel covered whole is
// a bit of its own, of one line and of four.
#include "covered_lines.h"

#include <algorithm>
#include <bit>

namespace {

constexpr int samples = samples_a_side;
constexpr std::uint64_t every = ~std::uint64_t{0};

// The samples of a pixel with its rows made columns.
std::uint64_t transposed(std::uint64_t x)
{
    x = (x & 0xAA55AA55AA55AA55) | ((x & 0x00AA00AA00AA00AA) << 7) |
        ((x >> 7) & 0x00AA00AA00AA00AA);
    x = (x & 0xCCCC3333CCCC3333) | ((x & 0x0000CCCC0000CCCC) << 14) |
        ((x >> 14) & 0x0000CCCC0000CCCC);
    return (x & 0xF0F0F0F00F0F0F0F) | ((x & 0x00000000F0F0F0F0) << 28) |
           ((x >> 28) & 0x00000000F0F0F0F0);
}

// Marks in c the samples of the pixel at at in line that bits has, a line of them a byte,
// and the pixel whole when it has all of them.
void mark(covered_lines &c, int line, int at, std::uint64_t bits)
{
    // Each byte of a word is a pixel's, the first the lowest, and bits holds all of the
    // pixel's samples, so its bytes are written whole.
    auto *bytes = reinterpret_cast<unsigned char *>(
        &c.samples[(static_cast<std::size_t>(line) * static_cast<std::size_t>(c.groups) +
                    static_cast<std::size_t>(at / 8)) *
                   samples]);
    const int byte = std::endian::native == std::endian::little ? at % 8 : 7 - at % 8;
    for (int k = 0; k < samples; ++k)
        bytes[k * 8 + byte] = static_cast<unsigned char>(bits >> (samples * k));
    if (bits != every)
        return;
    const std::uint64_t bit = std::uint64_t{1} << at % 64;
    const auto word = [&c, at](int k) { return static_cast<std::size_t>(k * c.words + at / 64); };
    c.whole[word(line)] |= bit;
    for (int k = line / 4 * 4; k < std::min(c.lines, line / 4 * 4 + 4); ++k)
        if ((c.whole[word(k)] & bit) == 0)
            return;
    c.fours[word(line / 4)] |= bit;
}

} // namespace

void start_covered(covered_lines &c, int lines, int along)
{
    c.lines = lines;
    c.words = (along + 63) / 64;
    c.groups = (along + 7) / 8;
    const auto size = [lines](int each) {
        return static_cast<std::size_t>(lines) * static_cast<std::size_t>(each);
    };
    c.whole.assign(size(c.words), 0);
    c.fours.assign(static_cast<std::size_t>((lines + 3) / 4) * static_cast<std::size_t>(c.words),
                   0);
    c.samples.assign(size(c.groups) * samples, 0);
}

void mark_covered(covered_lines &rows, covered_lines &columns, int x, int y, std::uint64_t covered)
{
    mark(rows, y, x, covered);
    mark(columns, x, y, transposed(covered));
}
