// The units of an xy coordinates file, stated once for every program that writes one:
// the move line and how its numbers are written, the tool lines and where they stand,
// the net header block and the trailer. trace2xy writes its files through it, and
// xyorder and xyplace write files again through it, byte for byte as trace2xy would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// A number of a move line, written as "%10.2f" writes output units: hundredths, a minus
// sign for any value below zero ("-0.00" included), right-justified in a field this
// wide, which a wider number overflows rather than being cut.
constexpr std::size_t field_width = 10;

// The largest magnitude of a number that trace2xy writes, in hundredths: raw 2^63 - 1
// and -2^63, and every raw value clamped to them, are written as 92233720368547.77 with
// their signs. The companions take no number beyond it, so that every sum and difference
// of two positions fits in 64 bits.
constexpr std::int64_t largest_hundredths = 9223372036854777;

constexpr std::string_view move_start = "Go To ";
constexpr std::string_view tool_down_line = "Tool Down \n";
constexpr std::string_view tool_up_line = "Tool Up \n";
constexpr std::string_view xy_trailer = "Tool Up \n\n\n";

// The most bytes that put_move writes, and that put_net writes beyond its record.
constexpr std::size_t move_room = 96, net_room = 16;

// Which tool line the next unit brings, as trace2xy keeps it: lower_on_next_point is 1
// when a net header block came last, so that the next move is followed by "Tool Down";
// raise_on_next_net is 1 when a move came last, so that the next net header block is
// preceded by "Tool Up". Both are 0 at the start.
struct tool_state {
    int lower_on_next_point;
    int raise_on_next_net;
};

// Where the units read so far leave a file laid out as trace2xy writes it.
enum class layout {
    start,        // nothing read yet
    after_net,    // a net header block came last
    lower_next,   // the first move of a net came last: "Tool Down" comes next
    after_move,   // a move came last, and "Tool Down" after it if it was a net's first
    raised,       // "Tool Up" after a move: a net or the trailer comes next
    trailer_next, // "Tool Up" where only the trailer's may stand
    misplaced,    // a unit stood where trace2xy writes none
};

enum class unit_kind { move, tool_down, tool_up, net, trailer };

// The layout after a unit of kind unit, read in state; misplaced when trace2xy writes no
// such unit there (a file rewritten unit by unit would then draw other strokes).
layout next_layout(layout state, unit_kind unit);

// Writes hundredths of an output unit as a number with two decimals, a minus sign when
// minus is true (for "-0.00" too); returns the end. At most 22 bytes.
char *put_units(char *to, std::int64_t hundredths, bool minus);

// Writes the same number right-justified in field_width characters, or wider whole.
char *put_field(char *to, std::int64_t hundredths, bool minus);

// Writes the move line to (x, y), in hundredths, each with its minus sign, and
// "Tool Down" after it when a net came last; s then says a move came last.
char *put_move(char *to, tool_state &s, std::int64_t x, bool x_minus, std::int64_t y, bool y_minus);

// Writes "Tool Up" when a move came last, then the header block of a net's record as
// read (size bytes, its own line feed included when it had one); s then says a net came
// last. At most net_room bytes beyond the record.
char *put_net(char *to, tool_state &s, const char *record, std::size_t size);

// Writes the trailer, whatever s holds.
char *put_trailer(char *to);

// A coordinates file collected in a block and handed to its stream a block at a time.
struct xy_block {
    std::FILE *out;
    bool failed; // the stream refused bytes; nothing more is handed to it
    int error;   // errno of that refusal
    std::size_t used;
    char bytes[1 << 16];
};

// Makes b collect for out.
void start_block(xy_block &b, std::FILE *out);

// Where the next bytes go, with at least room bytes free after it (at most a quarter
// of the block): the block is handed on first when it has less.
char *block_room(xy_block &b, std::size_t room);

// Notes that bytes up to end, from the last block_room, hold the file.
void block_used(xy_block &b, const char *end);

// Hands what b holds to its stream and flushes it; returns whether every byte so far
// reached the stream, with errno telling why not.
bool finish_block(xy_block &b);
