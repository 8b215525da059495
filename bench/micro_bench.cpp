// Micro-benchmarks of the per-record costs against the C library calls they replace:
// number formatting against snprintf("%10.2f"), the segment scan against sscanf; and the
// whole common record as trace2xy converts it where it lies.
#include "common_segment.h"
#include "coordinate_format.h"
#include "segment_scan.h"
#include "trace_reader.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t sample_size = 4096;

std::vector<std::int64_t> board_coordinates()
{
    std::mt19937_64 random(42);
    std::uniform_int_distribution<std::int64_t> on_board(-5'000'000'000, 5'000'000'000);
    std::vector<std::int64_t> raws(sample_size);
    for (std::int64_t &raw : raws)
        raw = on_board(random);
    return raws;
}

using line_buffer = std::array<char, line_size>;

std::vector<line_buffer> segment_lines()
{
    const std::vector<std::int64_t> raws = board_coordinates();
    std::vector<line_buffer> lines;
    for (std::size_t i = 0; i + 1 < raws.size(); i += 2) {
        const std::string text =
            "SEG " + std::to_string(raws[i]) + " " + std::to_string(raws[i + 1]) + "\n";
        line_buffer &line = lines.emplace_back();
        line.fill('\0');
        text.copy(line.data(), line_size - 1);
    }
    return lines;
}

void format_coordinate_fast(benchmark::State &state)
{
    const std::vector<std::int64_t> raws = board_coordinates();
    char field[coordinate_room];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format_coordinate(field, raws[i++ % sample_size]));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(format_coordinate_fast);

void format_coordinate_snprintf(benchmark::State &state)
{
    const std::vector<std::int64_t> raws = board_coordinates();
    char field[coordinate_room];
    std::size_t i = 0;
    for (auto _ : state) {
        const double value = static_cast<double>(raws[i++ % sample_size]) / coord_divisor;
        benchmark::DoNotOptimize(std::snprintf(field, sizeof field, "%10.2f", value));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(format_coordinate_snprintf);

void scan_segment_fast(benchmark::State &state)
{
    const std::vector<line_buffer> lines = segment_lines();
    std::int64_t x = 0, y = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        scan_segment(lines[i++ % (sample_size / 2)].data(), x, y);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(scan_segment_fast);

void scan_segment_sscanf(benchmark::State &state)
{
    const std::vector<line_buffer> lines = segment_lines();
    std::int64_t x = 0, y = 0;
    char word[80];
    std::size_t i = 0;
    for (auto _ : state) {
        std::sscanf(lines[i++ % (sample_size / 2)].data(), "%30s %" SCNd64 " %" SCNd64, word, &x,
                    &y);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(scan_segment_sscanf);

// A whole common record, scanned and its move line written from its digits, where it
// lies: what trace2xy spends on most lines.
void common_segment_where_it_lies(benchmark::State &state)
{
    const std::vector<line_buffer> lines = segment_lines();
    char move[2 * coordinate_room];
    scanned_number x, y;
    std::size_t i = 0;
    for (auto _ : state) {
        const line_buffer &line = lines[i++ % (sample_size / 2)];
        benchmark::DoNotOptimize(convert_common_segment(line.data(), line_size - 16, move, x, y));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(common_segment_where_it_lies);

} // namespace
