// The view is worked out in doubles once; every position of the job then lands on the
// picture's grid of tenths by one rounding.
#include "picture_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The picture shows the job's box and the bed together, at least one unit across so that
// a job of one point or one straight line still has an area to show, with a little room
// around them, scaled to fit the plotting area and centred in it.
view view_of(const extent &box, const picture_bed &given, const picture_style &style)
{
    constexpr double nowhere = std::numeric_limits<double>::infinity();
    double left = nowhere, bottom = nowhere, right = -nowhere, top = -nowhere;
    const auto include = [&](std::int64_t from_x, std::int64_t from_y, std::int64_t to_x,
                             std::int64_t to_y) {
        left = std::min(left, from_x / 100.0);
        bottom = std::min(bottom, from_y / 100.0);
        right = std::max(right, to_x / 100.0);
        top = std::max(top, to_y / 100.0);
    };
    if (!box.empty)
        include(box.min_x, box.min_y, box.max_x, box.max_y);
    const bed &b = given.area;
    if (given.given)
        include(b.x, b.y, b.x + b.width, b.y + b.height);
    if (left > right)
        left = bottom = right = top = 0;
    const double room = 0.03 * std::max({right - left, top - bottom, 1.0});
    const double width = std::max(right - left, 1.0) + 2 * room;
    const double height = std::max(top - bottom, 1.0) + 2 * room;
    const double across = std::min(1.0, style.width / 2.0 / (room_left + room_right));
    const double down = std::min(1.0, style.height / 2.0 / (room_top + room_bottom));
    const double area_width = style.width - across * (room_left + room_right);
    const double area_height = style.height - down * (room_top + room_bottom);
    const double scale = std::min(area_width / width, area_height / height);
    return {.left = (left + right - width) / 2,
            .bottom = (bottom + top - height) / 2,
            .width = width,
            .height = height,
            .scale = scale,
            .plot_left = across * room_left + (area_width - width * scale) / 2,
            .plot_top = down * room_top + (area_height - height * scale) / 2,
            .picture_width = static_cast<double>(style.width),
            .picture_height = static_cast<double>(style.height)};
}

stroke_grid grid_of(const view &v, const extent &box)
{
    return {v.scale >= 10 && !box.empty, box.min_x, box.max_y};
}

std::int64_t grid_x(const stroke_grid &g, std::int64_t hundredths, std::int64_t tenths)
{
    return g.exact ? hundredths - g.left : tenths;
}

std::int64_t grid_y(const stroke_grid &g, std::int64_t hundredths, std::int64_t tenths)
{
    return g.exact ? g.top - hundredths : tenths;
}
