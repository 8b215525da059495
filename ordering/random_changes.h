// The random changes after the local search: two short neighbouring runs swapped, the
// local search let loose around them, and the whole taken back from the journal unless
// the tour came out no longer.
#pragma once

#include "tour_view.h"

#include <cstdint>

// Tries random changes until the work done reaches limit; a tour of fewer than eight nodes
// is left as it is.
void random_changes(search &s, std::uint64_t limit);
