// Deterministic trace data for the benchmarks and the tests: the same bytes on every
// machine and every run. A routed board holds short right-angle traces between nearby
// pads, in the scattered order a design tool exports them, with the other record kinds
// among them, on a board of a few inches that grows with the number of nets.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

// xorshift64*.
inline std::uint64_t next_random(std::uint64_t &state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

// A whole number of random steps of the routing grid (0.025 output units), from 0 to
// steps - 1.
inline std::int64_t on_grid(std::uint64_t &state, std::int64_t steps)
{
    return static_cast<std::int64_t>(next_random(state) % static_cast<std::uint64_t>(steps)) * 2500;
}

inline void add_segment(std::string &trace, std::uint64_t &state, std::int64_t x, std::int64_t y)
{
    trace.append("SEG ").append(std::to_string(x)).append(" ").append(std::to_string(y));
    trace.append(next_random(state) % 20 == 0 ? " WIDTH 1000 LAYER 2\n" : "\n");
}

// The trace data of a routed board of nets nets. Each net joins two or three pads,
// each near the one before, with a trace that runs along x, then y, or jogs halfway.
// Another variant than 0 is another board of the same kind: other random numbers, and
// a board of another shape. A width and height in output units, when given, fix the
// board's size instead of letting it grow with the nets.
inline std::string routed_board(long nets, unsigned variant = 0, double width = 0,
                                double height = 0)
{
    std::uint64_t state = 0x2545F4914F6CDD1DULL ^ variant * 0x9E3779B97F4A7C15ULL;
    const std::int64_t side =
        width > 0
            ? static_cast<std::int64_t>(width / 0.025)
            : static_cast<std::int64_t>(240 * std::sqrt(nets / 300.0) * (1 + variant % 3 * 0.4)) +
                  1;
    std::string trace = "BOARD 'GENERATED' " + std::to_string(nets) + " NETS\nUNITS 100000\n";
    for (long net = 1; net <= nets; ++net) {
        trace.append("  NET '/BOARD/N$").append(std::to_string(net)).append("'\n");
        if (net % 5 == 0)
            trace.append("LAYER ").append(std::to_string(next_random(state) % 4 + 1)).append("\n");
        std::int64_t x = on_grid(state, side),
                     y = on_grid(state, width > 0 ? static_cast<std::int64_t>(height / 0.025)
                                        : variant % 3 == 0 ? side * 2 / 3
                                                           : side / (1 + variant % 3));
        trace.append("  PIN U").append(std::to_string(net % 97 + 1)).append("-");
        trace.append(std::to_string(next_random(state) % 40)).append("\n");
        add_segment(trace, state, x, y);
        const int pads = 2 + (next_random(state) % 4 == 0);
        for (int pad = 1; pad < pads; ++pad) {
            const std::int64_t to_x = x + on_grid(state, 33) - 16 * 2500;
            const std::int64_t to_y = y + on_grid(state, 33) - 16 * 2500;
            if (next_random(state) % 3 == 0) {
                const std::int64_t middle = (x + to_x) / 2 / 2500 * 2500;
                add_segment(trace, state, middle, y);
                add_segment(trace, state, middle, to_y);
            } else {
                add_segment(trace, state, to_x, y);
            }
            add_segment(trace, state, to_x, to_y);
            if (next_random(state) % 10 == 0)
                trace.append("VIA ")
                    .append(std::to_string(to_x))
                    .append(" ")
                    .append(std::to_string(to_y) + "\n");
            x = to_x;
            y = to_y;
        }
    }
    return trace;
}
