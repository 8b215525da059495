// A plotter's profile, plotter.conf: lines of key = value that name the plotter once, its
// unit, bed and motion, which the companions take as the defaults of their options.
#pragma once

#include <array>
#include <string>

enum profile_key {
    unit_key,
    bed_key,
    speed_key,
    travel_speed_key,
    accel_key,
    corner_key,
    tool_time_key,
    margin_key,
    profile_key_count
};

// The keys that plotter.conf(5) lists, in the order of profile_key.
constexpr const char *profile_keys[] = {"unit",  "bed",    "speed",     "travel-speed",
                                        "accel", "corner", "tool-time", "margin"};

struct plotter_profile {
    std::string path;                      // the file read; empty when none was
    std::array<std::string, profile_key_count> values; // as written; empty when not given
    std::array<int, profile_key_count> lines;          // where each was given
};

// Finds and reads the profile: the file named (by --plotter; null when not given), else the
// environment's XY_PLOTTER, else $XDG_CONFIG_HOME/trace2xy/plotter.conf (~/.config/...
// when XDG_CONFIG_HOME is unset or empty). "none", or XY_PLOTTER set empty, reads none; a
// file named that cannot be read is an error, the XDG file missing is no profile. Returns
// false, having said why (FILE:LINE: for a line that is not key = value, an unknown key or
// a key given twice).
bool read_profile(const char *named, plotter_profile &p);

// The message's lead for a value of the profile: "FILE:LINE: key".
std::string profile_place(const plotter_profile &p, profile_key key);
