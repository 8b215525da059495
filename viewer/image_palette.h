// The colours of an image reduced to a palette of at most 256, by median cut: the colours
// that the pixels have, each as often as they have it, are split again and again across the
// box of them that spans the widest, at its median along that side, and each box is then
// one colour, the mean of its own. Every colour thus keeps within its box.
#pragma once

#include "png_image.h"

#include <cstdint>
#include <vector>

// Gives each of pixels an index into the palette it returns: transparent pixels (alpha 0)
// the first colour, transparent too, and the others that of their box. Colours are weighed
// premultiplied, so that two that differ only where they are nearly transparent count as
// near.
std::vector<png_colour> reduce_colours(const std::vector<png_colour> &pixels,
                                       std::vector<std::uint8_t> &indices);
