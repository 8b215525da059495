// Eight bytes handled at once as one 64-bit word, the first byte in the lowest bits:
// the reader, the scan and the formatting all work on text a word at a time.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "the first byte must be the lowest");

// A word holding b in each of its eight bytes.
constexpr std::uint64_t every_byte(unsigned char b)
{
    return 0x0101010101010101ULL * b;
}
