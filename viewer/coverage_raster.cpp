// The image is kept in tiles of 8 by 8 pixels, each with a word that tells which of its pixels
// are covered whole, so that a stroke down the image stays in one tile for eight rows. A shape
// is drawn a row of pixels at a time over the pixels its bounding shape reaches in the row: a
// strip of tiles all covered is passed over at a look, and so are a row's covered pixels in a
// tile. Samples lie at the quarters' centres of a pixel.
#include "coverage_raster.h"

#include "png_image.h"

#include <algorithm>
#include <cmath>

namespace {

// The places of strokes drawn that an image knows by their ends: 2 to this power.
constexpr int drawn_bits = 18;

// The image's point for a position in tenths of a picture pixel.
image_point in_image(const coverage_raster &r, std::int64_t x, std::int64_t y)
{
    return {(static_cast<double>(x) / 10 - r.left) * r.scale,
            (static_cast<double>(y) / 10 - r.top) * r.scale};
}

// The integer at or below v, for v above -1, without the library call that floor is where the
// machine has no rounding instruction.
int below(double v)
{
    return static_cast<int>(v + 1) - 1;
}

std::size_t tiles_across(const coverage_raster &r)
{
    return static_cast<std::size_t>(r.width + 7) / 8;
}

// Where pixel (x, y) is kept: its tile's 64 places, row by row.
std::size_t place_of(const coverage_raster &r, int x, int y)
{
    return ((y / 8) * tiles_across(r) + x / 8) * 64 + (y % 8) * 8 + x % 8;
}

unsigned samples_in(unsigned mask)
{
    mask = mask - (mask >> 1 & 0x5555);
    mask = (mask & 0x3333) + (mask >> 2 & 0x3333);
    mask = (mask + (mask >> 4)) & 0x0f0f;
    return (mask + (mask >> 8)) & 0x1f;
}

// Notes pixel (x, y) as covered whole, and its tile's group where that covers the tile whole.
void mark_whole(coverage_raster &r, int x, int y)
{
    const std::size_t tile = (y / 8) * tiles_across(r) + x / 8;
    if ((r.whole[tile] |= std::uint64_t{1} << ((y % 8) * 8 + x % 8)) == ~std::uint64_t{0})
        r.whole_groups[(y / 64) * ((tiles_across(r) + 7) / 8) + x / 64] |=
            std::uint64_t{1} << ((y / 8) % 8 * 8 + (x / 8) % 8);
}

// Pixels a shape was judged in, and those it changed.
struct cover_count {
    std::int64_t judged, changed;
};

// Counts samples more samples of ink in a pixel's vote: the ink ahead keeps its lead or loses
// it, to ink where that takes more than it has.
void count_vote(std::uint16_t &vote, unsigned ink, unsigned samples)
{
    const unsigned ahead = vote >> 8, lead = vote & 0xff;
    if (ink == ahead || lead == 0)
        vote = static_cast<std::uint16_t>(ink << 8 | (lead + samples));
    else if (samples > lead)
        vote = static_cast<std::uint16_t>(ink << 8 | (samples - lead));
    else
        vote = static_cast<std::uint16_t>(ahead << 8 | (lead - samples));
}

// Covers the samples that paint(x, y, row(y), place, covered) takes, in the inks it votes for,
// of each pixel (x, y) not covered whole of the rows from low to high (image pixels), over the
// pixels span(top, bottom) gives for the rows from top to before bottom. Returns how many
// pixels it judged, and how many of them changed.
template <typename Span, typename Row, typename Paint>
cover_count cover(coverage_raster &r, double low, double high, Span span, Row row_of, Paint paint)
{
    const int first = std::max(0, below(std::max(low, -0.5)));
    const int last = std::min(r.height - 1, below(std::min(high, r.height + 0.5)));
    const std::size_t across = tiles_across(r), groups_across = (across + 7) / 8;
    const auto all_whole = [](const std::uint64_t *from, const std::uint64_t *to) {
        return std::all_of(from, to, [](std::uint64_t bits) { return bits == ~std::uint64_t{0}; });
    };
    cover_count count{.judged = 0, .changed = 0};
    for (int tile_y = first / 8; tile_y <= last / 8; ++tile_y) {
        // A band of eight rows of tiles all covered is passed over at one look.
        if (tile_y == first / 8 || tile_y % 8 == 0) {
            const int top = std::max(first, 64 * (tile_y / 8)),
                      bottom = std::min(last, 64 * (tile_y / 8) + 63);
            const auto [from, to] = span(top, bottom + 1);
            const std::uint64_t *const groups = r.whole_groups.data() + tile_y / 8 * groups_across;
            if (all_whole(groups + from / 64, groups + to / 64 + 1)) {
                tile_y = bottom / 8;
                continue;
            }
        }
        const std::uint64_t *const whole = r.whole.data() + tile_y * across;
        const int top = std::max(first, 8 * tile_y), bottom = std::min(last, 8 * tile_y + 7);
        const auto [from, to] = span(top, bottom + 1);
        if (all_whole(whole + from / 8, whole + to / 8 + 1))
            continue;
        for (int y = top; y <= bottom; ++y) {
            const auto [left, right] = span(y, y + 1);
            const auto row = row_of(y);
            const int shift = (y % 8) * 8;
            for (int tile_x = left / 8; tile_x <= right / 8; ++tile_x) {
                // The pixels of the tile's row within the span not yet covered whole.
                unsigned open = ~static_cast<unsigned>(whole[tile_x] >> shift) & 0xff;
                open &= (0xffu << std::max(0, left - 8 * tile_x)) &
                        (0xffu >> std::max(0, 8 * tile_x + 7 - right));
                for (; open != 0; open &= open - 1, ++count.judged) {
                    const int x = 8 * tile_x + __builtin_ctz(open);
                    const std::size_t place = (tile_y * across + tile_x) * 64 + shift + x % 8;
                    const unsigned covered = r.covered[place];
                    const unsigned add = paint(x, y, row, place, covered);
                    if (add == 0)
                        continue;
                    ++count.changed;
                    r.covered[place] = static_cast<std::uint16_t>(covered | add);
                    if ((covered | add) == all_samples)
                        mark_whole(r, x, y);
                }
            }
        }
    }
    return count;
}

// Takes into the vote of the pixel at place samples newly covered in ink.
void vote_for(coverage_raster &r, std::size_t place, unsigned ink, unsigned samples)
{
    if (!r.vote.empty() && samples != 0)
        count_vote(r.vote[place], ink, samples_in(samples));
}

// What cover paints of a shape in one ink: the samples footprint(x, y, row) gives.
template <typename Footprint> auto in_ink(coverage_raster &r, unsigned ink, Footprint footprint)
{
    return [&r, ink, footprint](int x, int y, auto row, std::size_t place, unsigned covered) {
        const unsigned add = footprint(x, y, row) & ~covered;
        vote_for(r, place, ink, add);
        return add;
    };
}

// The pixels of a row from left to right, as cover takes them: within the image.
std::pair<int, int> pixels_of(const coverage_raster &r, double left, double right)
{
    return {std::max(0, below(std::max(left, -0.5))),
            std::min(r.width - 1, below(std::min(right, r.width + 0.5)))};
}

// For a shape that takes nothing from a row.
constexpr auto no_row = [](int) { return 0; };

// Whether a stroke from a to b was drawn before; notes it as drawn if not. A stroke drawn
// again, no wider, covers nothing new, whatever lies around it.
bool drawn_before(coverage_raster &r, std::int64_t ax, std::int64_t ay, std::int64_t bx,
                  std::int64_t by)
{
    const auto pack = [](std::int64_t x, std::int64_t y) {
        return static_cast<std::uint64_t>(x) << 32 ^ static_cast<std::uint32_t>(y);
    };
    const std::uint64_t a = pack(ax, ay), b = pack(bx, by);
    const std::uint64_t hash = (a * 0x9e3779b97f4a7c15u ^ b) * 0xc2b2ae3d27d4eb4fu;
    // Two strokes a place, the one found or drawn last first.
    std::uint64_t *const place = r.drawn.data() + 4 * (hash >> (64 - drawn_bits));
    if (place[0] == a && place[1] == b)
        return true;
    const bool second = place[2] == a && place[3] == b;
    place[2] = place[0];
    place[3] = place[1];
    place[0] = a;
    place[1] = b;
    return second;
}

} // namespace

void start_raster(coverage_raster &r, const view &v, double left, double top, double right,
                  double bottom, int only_ink, bool strokes)
{
    left = std::clamp(left, 0.0, v.picture_width);
    right = std::clamp(right, left, v.picture_width);
    top = std::clamp(top, 0.0, v.picture_height);
    bottom = std::clamp(bottom, top, v.picture_height);
    const double area = std::max(1.0, (right - left) * (bottom - top));
    const double scale = std::min(1.0, std::sqrt(static_cast<double>(most_raster_pixels) / area));
    const int width = std::max(1, static_cast<int>(std::floor((right - left) * scale)));
    const int height = std::max(1, static_cast<int>(std::floor((bottom - top) * scale)));
    const std::size_t tiles = static_cast<std::size_t>((width + 7) / 8) * ((height + 7) / 8);
    r = coverage_raster{.left = left,
                        .top = top,
                        .scale = scale,
                        .width = width,
                        .height = height,
                        .covered = large_vector<std::uint16_t>(64 * tiles),
                        .vote = large_vector<std::uint16_t>(only_ink < 0 ? 64 * tiles : 0),
                        .only_ink = only_ink,
                        .whole = std::vector<std::uint64_t>(tiles),
                        .whole_groups = std::vector<std::uint64_t>(
                            static_cast<std::size_t>((width + 63) / 64) * ((height + 63) / 64)),
                        .drawn = large_vector<std::uint64_t>(
                            strokes ? std::size_t{4} << drawn_bits : 0, ~std::uint64_t{0}),
                        .rings = std::make_unique<ring_stamp[]>(2),
                        .tables = {},
                        .occlusion = {}};
    if (strokes)
        start_occlusion(r.occlusion);
}

namespace {

// Draws the points within reach of the segment from a to b in ink, as cover counts.
cover_count draw_capsule(coverage_raster &r, unsigned ink, image_point a, image_point b,
                         double reach)
{
    stroke_shape s = shape_of_stroke(a, b, reach);
    s.tables = &r.tables;
    const double dx = b.x - a.x, dy = b.y - a.y;
    // Along a row the stroke lies within the band of points within reach of its line, whose x
    // moves per_y a row, and within reach of its ends' x.
    const double low_x = std::min(a.x, b.x) - reach, high_x = std::max(a.x, b.x) + reach;
    const double band = std::abs(s.uy) * (high_x - low_x) > reach ? reach / std::abs(s.uy) : 0;
    const double per_y = dy != 0 ? dx / dy : 0;
    const auto span = [&](int top, int bottom) {
        double left = low_x, right = high_x;
        if (band > 0) {
            const double x0 = a.x + (top - a.y) * per_y, x1 = a.x + (bottom - a.y) * per_y;
            left = std::max(left, std::min(x0, x1) - band);
            right = std::min(right, std::max(x0, x1) + band);
        }
        return pixels_of(r, left, right);
    };
    const auto row = [&](int y) { return stroke_row(s, y); };
    return cover(r, std::min(a.y, b.y) - reach, std::max(a.y, b.y) + reach, span, row,
                 in_ink(r, ink, [&](int x, int y, std::pair<std::int64_t, std::int64_t> at) {
                     return stroke_samples(s, x, y, at);
                 }));
}

} // namespace

void raster_stroke(coverage_raster &r, unsigned ink, std::int64_t ax, std::int64_t ay,
                   std::int64_t bx, std::int64_t by, double width)
{
    // A stroke is drawn from the same end whichever way the tool goes, so that a sample on
    // its edge is judged alike both ways.
    if (std::make_pair(ax, ay) > std::make_pair(bx, by)) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    const image_point a = in_image(r, ax, ay), b = in_image(r, bx, by);
    const double reach = std::max(width * r.scale, thinnest_raster_stroke) / 2;
    // A short stroke is drawn sooner than it is looked for.
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length >= 8 && !r.drawn.empty() && drawn_before(r, ax, ay, bx, by))
        return;
    if (length < shortest_occluded_stroke || r.occlusion.stretches.empty()) {
        draw_capsule(r, ink, a, b, reach);
        return;
    }
    const line_place on_line = place_on_line(a, b);
    if (hidden_on_line(r.occlusion, on_line, reach))
        return;
    // A stroke piled on others along a line judges many pixels and changes few. One that
    // judged few for its length passed over blocks covered whole, and one that changed many
    // lies mostly where nothing lay: noting either would cost more than it saves.
    const cover_count count = draw_capsule(r, ink, a, b, reach);
    if (count.judged >= length / 8 && count.changed * 4 <= count.judged)
        note_on_line(r.occlusion, on_line, reach);
}

namespace {

// The stamp kept in r's place for samples from inner to outer image pixels, made anew when
// the place held another's.
const ring_stamp &stamp_of(coverage_raster &r, int place, double inner, double outer)
{
    ring_stamp &stamp = r.rings[place];
    if (stamp.inner != inner || stamp.outer != outer) {
        stamp.inner = inner;
        stamp.outer = outer;
        stamp_ring(stamp, inner, outer);
    }
    return stamp;
}

} // namespace

void raster_hole(coverage_raster &r, unsigned ring_ink, unsigned inside_ink, std::int64_t x,
                 std::int64_t y, double inner, double outer)
{
    // A hole's centre is taken to an eighth of a pixel, where the samples of its ring and of
    // the disc inside are known from the hole drawn last.
    const double far = std::min(std::max(outer * r.scale, thinnest_raster_stroke / 2), 3.9);
    const double near = std::min(inner * r.scale, far);
    const double inside = std::min(std::max(inner * r.scale, thinnest_raster_stroke / 2), 3.9);
    const ring_stamp &ring = stamp_of(r, 0, near, far), &disc = stamp_of(r, 1, 0, inside);
    const image_point c = in_image(r, x, y);
    const auto cx = static_cast<int>(nearest(c.x * 8)), cy = static_cast<int>(nearest(c.y * 8));
    const int px = cx >> 3, py = cy >> 3;
    // The pixels whose nearest samples, an eighth of a pixel in from their sides, lie within
    // reach of a centre anywhere in its pixel.
    const int reach = std::min(4, static_cast<int>(far + 0.875));
    const int at_y = cy & 7, at_x = cx & 7;
    // A row alone spans only its pixels that have samples of the ring or the disc.
    const auto span = [&](int top, int bottom) {
        const int row = top - py + 4;
        if (bottom != top + 1 || row < 0 || row > 8)
            return pixels_of(r, px - reach, px + reach + 0.5);
        const int first = std::min(ring.first[at_y][at_x][row], disc.first[at_y][at_x][row]);
        const int last = std::max(ring.last[at_y][at_x][row], disc.last[at_y][at_x][row]);
        return pixels_of(r, px + first - 4, px + last - 4 + 0.5);
    };
    const auto &on_ring = ring.masks[at_y][at_x], &on_disc = disc.masks[at_y][at_x];
    cover(r, py - reach, py + reach + 0.5, span, no_row,
          [&](int sx, int sy, int, std::size_t place, unsigned covered) {
              const unsigned ring_add = on_ring[sy - py + 4][sx - px + 4] & ~covered;
              const unsigned disc_add = on_disc[sy - py + 4][sx - px + 4] & ~(covered | ring_add);
              vote_for(r, place, ring_ink, ring_add);
              vote_for(r, place, inside_ink, disc_add);
              return ring_add | disc_add;
          });
}

void raster_triangle(coverage_raster &r, unsigned ink, const std::int64_t (&corners)[3][2])
{
    image_point p[3];
    for (int k = 0; k < 3; ++k)
        p[k] = in_image(r, corners[k][0], corners[k][1]);
    // The corners in the order that puts the triangle on the same side of each edge.
    if ((p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x) > 0)
        std::swap(p[1], p[2]);
    const double low = std::min({p[0].y, p[1].y, p[2].y}),
                 high = std::max({p[0].y, p[1].y, p[2].y});
    const double left = std::min({p[0].x, p[1].x, p[2].x}),
                 right = std::max({p[0].x, p[1].x, p[2].x});
    const auto span = [&](int, int) { return pixels_of(r, left, right); };
    cover(r, low, high, span, no_row, in_ink(r, ink, [&](int px, int py, int) {
              return samples_inside(px, py, [&](double sx, double sy) {
                  for (int e = 0; e < 3; ++e) {
                      const image_point &from = p[e], &to = p[(e + 1) % 3];
                      if ((to.x - from.x) * (sy - from.y) - (to.y - from.y) * (sx - from.x) > 0)
                          return false;
                  }
                  return true;
              });
          }));
}

std::string raster_png(coverage_raster &r, const raster_ink *inks, unsigned count)
{
    std::vector<png_colour> colours{{0, 0, 0, 0}};
    for (unsigned ink = 0; ink < count; ++ink)
        for (unsigned level = 1; level <= 16; ++level)
            colours.push_back({inks[ink].r, inks[ink].g, inks[ink].b,
                               static_cast<std::uint8_t>((level * 255 + 8) / 16)});
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(r.width) * r.height);
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            const std::size_t place = place_of(r, x, y);
            const unsigned covered = samples_in(r.covered[place]);
            const unsigned ink =
                std::min(r.vote.empty() ? static_cast<unsigned>(r.only_ink) : r.vote[place] >> 8u,
                         count - 1);
            indices[static_cast<std::size_t>(y) * r.width + x] =
                static_cast<std::uint8_t>(covered == 0 ? 0 : ink * 16 + covered);
        }
    r.covered = {};
    r.vote = {};
    r.whole = {};
    r.whole_groups = {};
    r.drawn = {};
    r.occlusion = {};
    return png_file(r.width, r.height, indices, colours);
}

bool put_raster(std::FILE *out, const coverage_raster &r, const std::string &png, const char *title)
{
    std::fprintf(out,
                 "<image x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" "
                 "preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,",
                 r.left * 10, r.top * 10, r.width / r.scale * 10, r.height / r.scale * 10);
    const bool written = put_base64(out, png);
    std::fprintf(out, "\"><title>%s</title></image>\n", title);
    return written;
}
