// An image of palette indices written as a PNG file, its image data deflated by zlib, and
// the file in base64, the payload of a data URL that a picture embeds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A colour of the image's palette, not premultiplied; alpha 0 is fully transparent.
struct png_colour {
    std::uint8_t r, g, b, a;
};

// The bytes of the PNG file for an image of width by height pixels, a palette index each,
// row by row from the top; at most 256 colours. Empty when zlib had no memory for it.
std::string png_file(int width, int height, const std::vector<std::uint8_t> &indices,
                     const std::vector<png_colour> &colours);

// Writes bytes to out in base64, without line breaks. Returns false when a write failed.
bool put_base64(std::FILE *out, const std::string &bytes);
