// What a raster has covered, seen along each way of it, so that a line of pixels hidden
// under what is drawn can be passed over at a few looks: the pixels covered whole, and the
// samples covered.
#pragma once

#include <cstdint>
#include <vector>

// Samples along each side of a pixel.
constexpr int samples_a_side = 8;

// What is covered, seen along one way of a raster: for each line of pixels, a bit for each
// pixel covered whole, and for each four lines from a multiple of four, a bit for each place
// covered whole in all four; and for each 8 pixels along a line, a word for each of its
// lines of samples, a bit a sample.
struct covered_lines {
    int lines, words, groups; // and in each line, words of 64 pixels and groups of 8
    std::vector<std::uint64_t> whole, fours, samples;
};

// Makes c show nothing covered in lines lines of along pixels each.
void start_covered(covered_lines &c, int lines, int along);

// Marks in rows and columns the samples of the pixel at (x, y) that covered has, a bit each
// and row by row, and the pixel whole when it has all 64.
void mark_covered(covered_lines &rows, covered_lines &columns, int x, int y, std::uint64_t covered);
