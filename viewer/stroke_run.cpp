// A stroke's path data is written after a move of its own, relative to where the stroke
// before ended; left without that move, it reads the same after any other. Ordering the
// strokes along a curve that fills the plane brings each near the one before, which shortens
// the moves between them, the longest numbers of a dense picture's strokes.
#include "stroke_run.h"

#include <algorithm>

#include <unistd.h>

namespace {

// The most strokes a colour of a run is ordered for; past them it is written as drawn.
constexpr std::size_t most_spans = std::size_t{1} << 14;

// The place of (x, y) along the Z-shaped curve that interleaves their bits.
std::uint64_t curve_key(std::int64_t x, std::int64_t y)
{
    constexpr std::int64_t most = (std::int64_t{1} << 24) - 1;
    const auto ux = static_cast<std::uint64_t>(std::clamp<std::int64_t>(x, 0, most));
    const auto uy = static_cast<std::uint64_t>(std::clamp<std::int64_t>(y, 0, most));
    std::uint64_t key = 0;
    for (int bit = 23; bit >= 0; --bit)
        key = key << 2 | ((uy >> bit) & 1) << 1 | ((ux >> bit) & 1);
    return key;
}

// Writes the strokes in the order of their keys, their data read back whole into buffer,
// which holds size bytes or more.
bool put_in_curve_order(std::FILE *out, stroke_run &r, std::vector<char> &buffer, long size)
{
    std::rewind(r.data);
    if (std::fread(buffer.data(), 1, static_cast<std::size_t>(size), r.data) !=
        static_cast<std::size_t>(size))
        return false;
    std::sort(r.spans.begin(), r.spans.end(), [](const stroke_span &a, const stroke_span &b) {
        return a.key != b.key ? a.key < b.key : a.offset < b.offset;
    });
    path_writer w;
    start_relative_path(w, out);
    for (const stroke_span &s : r.spans) {
        path_move(w, s.from_x, s.from_y);
        path_append(w, buffer.data() + s.offset, static_cast<std::size_t>(s.length), s.to_x,
                    s.to_y);
    }
    return true;
}

} // namespace

void start_run(stroke_run &r, std::FILE *data)
{
    r.data = data;
    start_relative_path(r.path, data);
    r.spans.clear();
    r.in_order = false;
}

void begin_stroke(stroke_run &r, std::int64_t x, std::int64_t y)
{
    path_move(r.path, x, y);
    r.in_order = r.in_order || r.spans.size() == most_spans;
    if (!r.in_order)
        r.spans.push_back({curve_key(x, y), std::ftell(r.data), 0, x, y, x, y});
}

void finish_stroke(stroke_run &r, std::int64_t x, std::int64_t y)
{
    end_subpath(r.path);
    if (r.in_order)
        return;
    stroke_span &s = r.spans.back();
    s.length = std::ftell(r.data) - s.offset;
    s.to_x = x;
    s.to_y = y;
}

bool put_run(std::FILE *out, stroke_run &r, const char *attributes, std::vector<char> &buffer)
{
    end_subpath(r.path);
    const long size = std::ftell(r.data);
    bool written = size >= 0;
    if (size > 0) {
        std::fprintf(out, "<path %s d=\"", attributes);
        written = !r.in_order && static_cast<std::size_t>(size) <= buffer.size()
                      ? put_in_curve_order(out, r, buffer, size)
                      : copy_all(r.data, out);
        std::fputs("\"/>\n", out);
    }
    std::rewind(r.data);
    written = ftruncate(fileno(r.data), 0) == 0 && !std::ferror(r.data) && written;
    start_run(r, r.data);
    return written;
}
