// Mirrors and quarter turns only negate and swap coordinates, and a shift adds whole
// hundredths, so every position lands exactly; the sums are checked against the range
// of a coordinates file before anything is changed.
#include "placement.h"

#include <algorithm>

bool place(const placement &how, point &at)
{
    // Every magnitude in a coordinates file is at most largest_hundredths, far from the
    // 64-bit limits, so negating and adding cannot overflow before the check.
    point p{how.mirror_x ? -at.x : at.x, how.mirror_y ? -at.y : at.y};
    for (int turn = 0; turn < how.quarter_turns; ++turn)
        p = {-p.y, p.x};
    p = {p.x + how.shift.x, p.y + how.shift.y};
    if (std::max(p.x, -p.x) > largest_hundredths || std::max(p.y, -p.y) > largest_hundredths)
        return false;
    at = p;
    return true;
}

fit fit_on(const extent &e, const bed &area, bool centred)
{
    if (e.empty)
        return {{0, 0}, 0, 0};
    const std::int64_t width = e.max_x - e.min_x, height = e.max_y - e.min_y;
    // Rounded down, a half hundredth left over goes to the top and right.
    const auto start = [centred](std::int64_t bed_at, std::int64_t room, std::int64_t size) {
        const std::int64_t spare = room - size;
        return bed_at + (centred ? (spare >= 0 ? spare / 2 : (spare - 1) / 2) : 0);
    };
    const point shift{start(area.x, area.width, width) - e.min_x,
                      start(area.y, area.height, height) - e.min_y};
    // Judged as the summary and the picture judge a job on its bed.
    const overhang over = overhang_of({.empty = false,
                                       .min_x = e.min_x + shift.x,
                                       .min_y = e.min_y + shift.y,
                                       .max_x = e.max_x + shift.x,
                                       .max_y = e.max_y + shift.y},
                                      area);
    return {shift, over.left + over.right, over.bottom + over.top};
}
