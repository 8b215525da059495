// Writes a deterministic, realistic trace data file to standard output. By size: nets
// followed by runs of segments wandering over a board up to 50000 units across, with
// other records and a few segments that carry extra words. As a routed board of a given
// number of nets: short right-angle traces between nearby pads, in the scattered order a
// design tool exports them, on a board of a few inches that grows with the count.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// xorshift64*: the same file on every machine and every run.
std::uint64_t next_random(std::uint64_t &state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

std::int64_t wander(std::uint64_t &state, std::int64_t at)
{
    constexpr std::int64_t edge = 5'000'000'000;
    const std::int64_t step = static_cast<std::int64_t>(next_random(state) % 4'000'001) - 2'000'000;
    const std::int64_t to = at + step;
    return to > edge || to < -edge ? at - step : to;
}

// A whole number of random steps of the routing grid (0.025 output units), from 0 to
// steps - 1.
std::int64_t on_grid(std::uint64_t &state, std::int64_t steps)
{
    return static_cast<std::int64_t>(next_random(state) % static_cast<std::uint64_t>(steps)) * 2500;
}

void put_segment(std::uint64_t &state, std::int64_t x, std::int64_t y)
{
    if (next_random(state) % 20 == 0)
        std::printf("SEG %lld %lld WIDTH 1000 LAYER 2\n", static_cast<long long>(x),
                    static_cast<long long>(y));
    else
        std::printf("SEG %lld %lld\n", static_cast<long long>(x), static_cast<long long>(y));
}

// Each net joins two or three pads, each near the one before, with a trace that runs
// along x, then y, or jogs halfway.
void make_board(long nets)
{
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    const std::int64_t side = static_cast<std::int64_t>(240 * std::sqrt(nets / 300.0)) + 1;
    std::printf("BOARD 'GENERATED' %ld NETS\nUNITS 100000\n", nets);
    for (long net = 1; net <= nets; ++net) {
        std::printf("  NET '/BOARD/N$%ld'\n", net);
        if (net % 5 == 0)
            std::printf("LAYER %d\n", static_cast<int>(next_random(state) % 4) + 1);
        std::int64_t x = on_grid(state, side), y = on_grid(state, side * 2 / 3);
        std::printf("  PIN U%ld-%d\n", net % 97 + 1, static_cast<int>(next_random(state) % 40));
        put_segment(state, x, y);
        const int pads = 2 + (next_random(state) % 4 == 0);
        for (int pad = 1; pad < pads; ++pad) {
            const std::int64_t to_x = x + on_grid(state, 33) - 16 * 2500;
            const std::int64_t to_y = y + on_grid(state, 33) - 16 * 2500;
            if (next_random(state) % 3 == 0) {
                const std::int64_t middle = (x + to_x) / 2 / 2500 * 2500;
                put_segment(state, middle, y);
                put_segment(state, middle, to_y);
            } else {
                put_segment(state, to_x, y);
            }
            put_segment(state, to_x, to_y);
            if (next_random(state) % 10 == 0)
                std::printf("VIA %lld %lld\n", static_cast<long long>(to_x),
                            static_cast<long long>(to_y));
            x = to_x;
            y = to_y;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--board") == 0 && std::atol(argv[2]) > 0) {
        make_board(std::atol(argv[2]));
        return 0;
    }
    if (argc != 2 || std::atoll(argv[1]) <= 0) {
        std::fputs(
            "usage: make_trace BYTES > file.trc\n       make_trace --board NETS > file.trc\n",
            stderr);
        return 2;
    }
    const long long wanted = std::atoll(argv[1]);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    std::int64_t x = 0, y = 0;
    long long written = 0;
    for (long net = 1; written < wanted; ++net) {
        written += std::printf("  NET '/BOARD/N$%ld'\n", net);
        if (net % 7 == 0)
            written += std::printf("LAYER %d\n", static_cast<int>(next_random(state) % 8) + 1);
        const int segments = 2 + static_cast<int>(next_random(state) % 40);
        x = static_cast<std::int64_t>(next_random(state) % 10'000'000'001) - 5'000'000'000;
        y = static_cast<std::int64_t>(next_random(state) % 10'000'000'001) - 5'000'000'000;
        for (int i = 0; i < segments && written < wanted; ++i) {
            x = wander(state, x);
            y = wander(state, y);
            if (next_random(state) % 50 == 0)
                written += std::printf("SEG %lld %lld WIDTH 20000 LAYER 2\n",
                                       static_cast<long long>(x), static_cast<long long>(y));
            else
                written += std::printf("SEG %lld %lld\n", static_cast<long long>(x),
                                       static_cast<long long>(y));
        }
    }
    return 0;
}
