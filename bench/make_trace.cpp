// Writes a deterministic, realistic trace data file to standard output. By size: nets
// followed by runs of segments wandering over a board up to 50000 units across, with
// other records and a few segments that carry extra words. Or a routed board of a given
// number of nets (on a board that grows with them, or of a given size), or nets laid out
// in one of the shapes that trouble an ordering.
#include "routed_board.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::int64_t wander(std::uint64_t &state, std::int64_t at)
{
    constexpr std::int64_t edge = 5'000'000'000;
    const std::int64_t step = static_cast<std::int64_t>(next_random(state) % 4'000'001) - 2'000'000;
    const std::int64_t to = at + step;
    return to > edge || to < -edge ? at - step : to;
}

// Nets of two points each: all on one spot, all on one line, or a routed board with one
// net far away, or with every net twice.
std::string shaped(const char *shape, long nets)
{
    std::string trace;
    std::uint64_t state = 7;
    if (std::strcmp(shape, "outlier") == 0)
        return routed_board(nets - 1) + "  NET 'FAR'\nSEG 100000000000000 100000000000000\n";
    if (std::strcmp(shape, "duplicates") == 0)
        return routed_board(nets / 2) + routed_board(nets / 2);
    const bool spot = std::strcmp(shape, "one-spot") == 0;
    if (!spot && std::strcmp(shape, "line") != 0)
        return trace;
    for (long net = 1; net <= nets; ++net) {
        const auto at = [&] { return spot ? 500000 : on_grid(state, 4 * nets); };
        trace.append("  NET 'N").append(std::to_string(net)).append("'\nSEG ");
        trace.append(std::to_string(at())).append(spot ? " 500000\nSEG " : " 0\nSEG ");
        trace.append(std::to_string(at())).append(spot ? " 500000\n" : " 0\n");
    }
    return trace;
}

} // namespace

int main(int argc, char **argv)
{
    double width = 0, height = 0;
    if ((argc == 3 || argc == 4 ||
         (argc == 5 && std::sscanf(argv[4], "%lfx%lf", &width, &height) == 2 && width > 0 &&
          height > 0)) &&
        std::strcmp(argv[1], "--board") == 0 && std::atol(argv[2]) > 0) {
        const auto variant = static_cast<unsigned>(argc >= 4 ? std::atol(argv[3]) : 0);
        return std::fputs(routed_board(std::atol(argv[2]), variant, width, height).c_str(),
                          stdout) < 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--shape") == 0 && std::atol(argv[3]) > 1 &&
        !shaped(argv[2], 2).empty())
        return std::fputs(shaped(argv[2], std::atol(argv[3])).c_str(), stdout) < 0;
    if (argc != 2 || std::atoll(argv[1]) <= 0) {
        std::fputs("usage: make_trace BYTES > file.trc\n"
                   "       make_trace --board NETS [VARIANT [WxH]] > file.trc\n"
                   "       make_trace --shape outlier|one-spot|line|duplicates NETS > file.trc\n",
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
