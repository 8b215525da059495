// Where a job is cut into parts of whole nets: what each net adds to the part it goes in,
// by plotting time or by length drawn, and the cuts that make the longest of K parts as
// short as whole nets allow.
#pragma once

#include <cstddef>
#include <vector>

// What a net adds to a part: its time or its length drawn, and of that the travel to its
// first point, which a part that begins with it does not take, since a part's first move
// only places the tool; the first net also takes the moves before it. A net without a move
// adds nothing, so that no part the cuts weigh begins with one but the first.
struct net_cost {
    double total, travel;
};

// What the nets [first, last) of costs make as a part, the first one's travel left out.
double part_cost(const std::vector<net_cost> &costs, std::size_t first, std::size_t last);

// The nets at which parts begin when each takes the nets that follow while it stays within
// most: a net that alone passes most makes a part of its own. The first part begins at 0.
std::vector<std::size_t> cuts_within(const std::vector<net_cost> &costs, double most);

// The starts of parts parts whose longest is as short as whole nets allow; one a net when
// parts reaches their number.
std::vector<std::size_t> best_cuts(const std::vector<net_cost> &costs, std::size_t parts);
