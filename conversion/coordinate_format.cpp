// Coordinate numbers through the C library's own fixed-point formatting.
#include "coordinate_format.h"

#include <cstdio>

char *format_coordinate(char *to, std::int64_t raw)
{
    const int size =
        std::snprintf(to, coordinate_room, "%10.2f", static_cast<double>(raw) / coord_divisor);
    return to + size;
}
