// A walk over the units of a coordinates file held in a string, for the tests of what
// reads coordinates files.
#pragma once

#include "coordinates_reader.h"
#include "streams.h"

#include <string>

// Reads every unit of the coordinates file xy, handing each to take; returns what ended
// the reading.
template <typename Take> read_result for_each_unit(const std::string &xy, Take take)
{
    stream in = stream_holding(xy);
    coordinates_reader r;
    start_reading(r, in.get());
    xy_unit unit;
    read_result result;
    while ((result = read_unit(r, unit)) == read_result::unit)
        take(unit);
    return result;
}
