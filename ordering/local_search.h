// The local search: around each node in the queue, read either way, the hops from its
// exit to its near ends, and for each the moves of moves.h, until no move shortens the
// tour. A node whose move succeeded is looked at again, with the nodes whose links it
// changed.
#pragma once

#include "tour_view.h"

#include <cstdint>

// Makes moves until none shortens the tour around the nodes queued. Returns false, with
// the queue emptied, when the work done reaches limit.
bool local_search(search &s, std::uint64_t limit);
