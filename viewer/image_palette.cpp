// The boxes are ranges of one array of the image's distinct colours, each range sorted along
// its box's widest side when it is split; the colours are sorted by value again at the end
// to look each pixel's up.
#include "image_palette.h"

#include <algorithm>
#include <cstddef>

namespace {

// One of the image's colours, premultiplied, and how many pixels have it.
struct shade {
    std::uint32_t value; // red, green, blue and alpha, from the top byte down, not premultiplied
    std::uint32_t count;
    std::uint8_t side[4]; // red, green and blue premultiplied, and alpha
    std::uint8_t box;     // the palette's colour for it, once known
};

struct colour_box {
    std::size_t from, to; // the shades it holds
    int widest, span;     // its widest side, and how wide it is there
};

std::uint32_t value_of(png_colour c)
{
    return static_cast<std::uint32_t>(c.r) << 24 | static_cast<std::uint32_t>(c.g) << 16 |
           static_cast<std::uint32_t>(c.b) << 8 | c.a;
}

shade shade_of(std::uint32_t value, std::uint32_t count)
{
    const std::uint32_t a = value & 0xff;
    const auto premultiplied = [&](int shift) {
        return static_cast<std::uint8_t>(((value >> shift & 0xff) * a + 127) / 255);
    };
    return {value,
            count,
            {premultiplied(24), premultiplied(16), premultiplied(8), static_cast<std::uint8_t>(a)},
            0};
}

// The distinct colours of the pixels that are not transparent, by value.
std::vector<shade> shades_of(const std::vector<png_colour> &pixels)
{
    std::vector<std::uint32_t> values;
    for (png_colour c : pixels)
        if (c.a > 0)
            values.push_back(value_of(c));
    std::sort(values.begin(), values.end());
    std::vector<shade> shades;
    for (std::size_t i = 0, j; i < values.size(); i = j) {
        for (j = i + 1; j < values.size() && values[j] == values[i]; ++j) {
        }
        shades.push_back(shade_of(values[i], static_cast<std::uint32_t>(j - i)));
    }
    return shades;
}

colour_box measured(const std::vector<shade> &shades, std::size_t from, std::size_t to)
{
    int low[4] = {255, 255, 255, 255}, high[4] = {0, 0, 0, 0};
    for (std::size_t i = from; i < to; ++i)
        for (int c = 0; c < 4; ++c) {
            low[c] = std::min<int>(low[c], shades[i].side[c]);
            high[c] = std::max<int>(high[c], shades[i].side[c]);
        }
    colour_box box{from, to, 0, high[0] - low[0]};
    for (int c = 1; c < 4; ++c)
        if (high[c] - low[c] > box.span)
            box = {from, to, c, high[c] - low[c]};
    return box;
}

// Splits the box at its median along its widest side, into itself and a new box.
void split(std::vector<shade> &shades, std::vector<colour_box> &boxes, std::size_t which)
{
    const colour_box box = boxes[which];
    const int c = box.widest;
    std::sort(shades.begin() + static_cast<long>(box.from),
              shades.begin() + static_cast<long>(box.to), [c](const shade &x, const shade &y) {
                  return x.side[c] != y.side[c] ? x.side[c] < y.side[c] : x.value < y.value;
              });
    std::uint64_t total = 0, below = 0;
    for (std::size_t i = box.from; i < box.to; ++i)
        total += shades[i].count;
    std::size_t at = box.from + 1;
    while (at + 1 < box.to && 2 * (below += shades[at - 1].count) < total)
        ++at;
    boxes[which] = measured(shades, box.from, at);
    boxes.push_back(measured(shades, at, box.to));
}

// The mean of a box's colours, weighed by their pixels and their alpha.
png_colour mean_of(const std::vector<shade> &shades, const colour_box &box)
{
    std::uint64_t sums[3] = {0, 0, 0}, alpha = 0, count = 0;
    for (std::size_t i = box.from; i < box.to; ++i) {
        const std::uint32_t value = shades[i].value, a = value & 0xff;
        count += shades[i].count;
        alpha += std::uint64_t{a} * shades[i].count;
        for (int c = 0; c < 3; ++c)
            sums[c] += std::uint64_t{value >> (24 - 8 * c) & 0xff} * a * shades[i].count;
    }
    const auto straight = [&](int c) {
        return static_cast<std::uint8_t>((sums[c] + alpha / 2) / alpha);
    };
    return {straight(0), straight(1), straight(2),
            static_cast<std::uint8_t>((alpha + count / 2) / count)};
}

} // namespace

std::vector<png_colour> reduce_colours(const std::vector<png_colour> &pixels,
                                       std::vector<std::uint8_t> &indices)
{
    std::vector<shade> shades = shades_of(pixels);
    std::vector<colour_box> boxes;
    if (!shades.empty())
        boxes.push_back(measured(shades, 0, shades.size()));
    while (boxes.size() < 255) {
        std::size_t widest = 0;
        for (std::size_t b = 1; b < boxes.size(); ++b)
            if (boxes[b].span > boxes[widest].span)
                widest = b;
        if (boxes.empty() || boxes[widest].span == 0)
            break;
        split(shades, boxes, widest);
    }
    std::vector<png_colour> colours{{0, 0, 0, 0}};
    for (const colour_box &box : boxes) {
        for (std::size_t i = box.from; i < box.to; ++i)
            shades[i].box = static_cast<std::uint8_t>(colours.size());
        colours.push_back(mean_of(shades, box));
    }
    std::sort(shades.begin(), shades.end(),
              [](const shade &x, const shade &y) { return x.value < y.value; });
    indices.resize(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t value = value_of(pixels[i]);
        indices[i] =
            pixels[i].a == 0
                ? 0
                : std::lower_bound(shades.begin(), shades.end(), value,
                                   [](const shade &s, std::uint32_t v) { return s.value < v; })
                      ->box;
    }
    return colours;
}
