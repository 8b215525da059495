// A segment waits until the next point is known, since that point may continue it.
#include "path_writer.h"

#include <charconv>

namespace {

// Writes the command letter where it does not repeat, and tells whether the number after
// it needs a separator, as it does where the letter is left out.
bool put_command(path_writer &w, char command)
{
    // After "m" the implicit command is "l".
    const bool implicit = command == w.command || (command == 'l' && w.command == 'm');
    if (!implicit)
        w.out->push_back(command);
    w.command = command;
    return implicit;
}

void put_number(path_writer &w, std::int64_t value, bool separated)
{
    char text[24];
    char *end = std::to_chars(text, text + sizeof text, value).ptr;
    // A minus sign separates a number from the one before it.
    if (separated && value >= 0)
        w.out->push_back(' ');
    w.out->append(text, end);
}

void put_segment(path_writer &w, std::int64_t dx, std::int64_t dy)
{
    if (dy == 0 && dx != 0) {
        put_number(w, dx, put_command(w, 'h'));
    } else if (dx == 0 && dy != 0) {
        put_number(w, dy, put_command(w, 'v'));
    } else {
        put_number(w, dx, put_command(w, 'l'));
        put_number(w, dy, true);
    }
}

void flush_segment(path_writer &w)
{
    if (!w.pending)
        return;
    put_segment(w, w.to_x - w.x, w.to_y - w.y);
    w.x = w.to_x;
    w.y = w.to_y;
    w.pending = false;
    w.drew = true;
}

} // namespace

void start_path(path_writer &w, std::string &out)
{
    w = path_writer{.out = &out,
                    .started = false,
                    .x = 0,
                    .y = 0,
                    .pending = false,
                    .to_x = 0,
                    .to_y = 0,
                    .drew = false,
                    .command = '\0'};
}

void path_move(path_writer &w, std::int64_t x, std::int64_t y)
{
    if (w.started)
        end_subpath(w);
    if (!w.started) {
        w.out->push_back('M');
        put_number(w, x, false);
        put_number(w, y, true);
        w.command = 'M';
    } else {
        w.out->push_back('m');
        put_number(w, x - w.x, false);
        put_number(w, y - w.y, true);
        w.command = 'm';
    }
    w.started = true;
    w.x = x;
    w.y = y;
    w.drew = false;
}

void path_vertex(path_writer &w, std::int64_t x, std::int64_t y)
{
    path_move(w, x, y);
    w.drew = true;
}

void path_line(path_writer &w, std::int64_t x, std::int64_t y)
{
    const std::int64_t from_x = w.pending ? w.to_x : w.x, from_y = w.pending ? w.to_y : w.y;
    if (x == from_x && y == from_y)
        return;
    if (w.pending) {
        // The same direction: the cross product is zero and the dot product above it.
        const std::int64_t ax = w.to_x - w.x, ay = w.to_y - w.y, bx = x - w.to_x, by = y - w.to_y;
        if (ax * by != ay * bx || ax * bx + ay * by <= 0)
            flush_segment(w);
    }
    w.pending = true;
    w.to_x = x;
    w.to_y = y;
}

void end_subpath(path_writer &w)
{
    flush_segment(w);
    if (w.started && !w.drew) {
        put_number(w, 0, put_command(w, 'h'));
        w.drew = true;
    }
}
