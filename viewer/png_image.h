// An image of palette indices written as a PNG file in base64, the payload of a data URL
// that a picture embeds. The image data is stored without compression: its size is known
// from its pixels alone, and writing it needs nothing beyond the standard library.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// A colour of the image's palette, not premultiplied; alpha 0 is fully transparent.
struct png_colour {
    std::uint8_t r, g, b, a;
};

// The bytes of the PNG file for an image of width by height pixels, a palette index each,
// row by row from the top; at most 256 colours. Nothing is checked: indices beyond the
// palette make a file that readers refuse.
std::vector<unsigned char> png_file(int width, int height, const std::vector<std::uint8_t> &indices,
                                    const std::vector<png_colour> &colours);

// The number of bytes that png_file makes for an image of width by height pixels and a
// palette of colours entries.
std::int64_t png_size(std::int64_t width, std::int64_t height, std::int64_t colours);

// Writes bytes to out in base64, without line breaks. Returns false when a write failed.
bool put_base64(std::FILE *out, const std::vector<unsigned char> &bytes);
