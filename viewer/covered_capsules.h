// What an image knows to be covered whole, as capsules (the points within a reach of a
// segment) found by the cells of the image they cross: a stroke that lies within capsules
// known so is hidden, which tells at a few looks what its samples would at hundreds.
#pragma once

#include <cstdint>
#include <vector>

// The points within reach of the segment from a to b, in an image's pixels.
struct capsule {
    double ax, ay, bx, by, reach;
};

struct covered_capsules {
    int across, down;              // cells of the image, each side
    std::vector<capsule> known;    // a ring of the capsules known covered
    std::uint32_t next;            // the ring's next place
    std::vector<std::uint32_t> in; // places in known, cells_slots a cell; unused ones ~0
};

// Makes c know nothing of an image of width by height pixels.
void start_capsules(covered_capsules &c, int width, int height);

// Notes that every sample within k is covered, in the cells along it; the oldest knowledge
// a cell holds gives way.
void note_covered(covered_capsules &c, const capsule &k);

// Whether every point within s lies within a capsule c knows: each point of s's segment
// within reach of s.reach inside one of them, which they hold one after another along it.
// A false answer says only that c cannot tell. Adds to looks the capsules looked at.
bool lies_within(const covered_capsules &c, const capsule &s, std::int64_t &looks);
