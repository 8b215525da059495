// How long a plotter takes over a job, from a model of its motion: straight moves at a
// drawing or travel speed, with trapezoidal speed profiles planned ahead over each run of
// moves between two stops when an acceleration is given, and a time for each change of
// the tool. Takes the job in one pass, keeping only the moves that a stop ahead could
// still slow down.
#pragma once

#include "coordinates_reader.h"
#include "plotter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct motion_model {
    double speed;          // drawing, in output units per second; 0 when not timed
    double travel_speed;   // with the tool up
    double accel;          // output units per second squared; 0 for constant speeds
    double corner;         // junction deviation, in output units
    double tool_down_time; // seconds to lower the tool
    double tool_up_time;   // and to raise it
};

struct plotting_time {
    double drawing, travel, tool; // seconds
};

// A straight move not yet timed, made at its run's speed.
struct motion_segment {
    double length;      // output units
    double ux, uy;      // its direction; until planned, its extent in hundredths
    double entry_limit; // the square of the fastest the head may pass its start, for the
                        // corner there
    double entry_ahead; // and for the moves ahead too
};

struct motion_timer {
    motion_model model;
    bool placed; // a first move has placed the head
    bool tool_down;
    std::int64_t x, y;               // the head's position, in hundredths
    std::vector<motion_segment> run; // since the last stop, not yet timed: the tool stays
                                     // as it is, since a change stops the head
    double entry_squared;            // the square of the speed at the start of run
    std::size_t plan_at;             // plan run when it holds this many
    std::size_t directed;            // moves at run's start whose direction is known
    plotting_time time;
    double per_accel;     // 1 / model.accel
    double per_speed[2];  // 1 / model.travel_speed, 1 / model.speed
    double square_corner; // the square of the fastest the head may turn a right angle
};

// Puts t at the start of a job under model m: the head at rest, the tool up.
void start_timing(motion_timer &t, const motion_model &m);

// Moves the head to (x, y), in hundredths; the first move only places it.
void time_move(motion_timer &t, std::int64_t x, std::int64_t y);

// Lowers or raises the tool: a change stops the head and takes its time; a repeat does
// nothing.
void time_tool(motion_timer &t, bool down);

// Carries out a unit of a coordinates file.
void time_unit(motion_timer &t, const xy_unit &unit);

// As time_unit, for a unit that p, which has followed every unit t has, has just carried
// out: a move's length is p's rather than found again.
void time_plotted(motion_timer &t, const plotter &p, const xy_unit &unit);

// Brings the head to rest at the end of the job and gives the time it took.
plotting_time finish_timing(motion_timer &t);

// Times from this many seconds (a million hours) on are told only as that long or more.
constexpr double longest_duration = 3.6e9;

// Writes seconds, at or above zero, as hours, minutes and seconds to the tenth
// ("0:12:34.5") into text, which has room for 32 bytes; from longest_duration on, as
// "over 1000000:00:00".
void format_duration(double seconds, char *text);
