// libFuzzer target: a coordinates file as the companions take it. Its units are read and
// checked against trace2xy's layout, followed by the plotter, timed with acceleration and
// drawn as a picture; the first byte chooses the picture's options, among them a small
// enough layer that the image is drawn too.
#include "coordinates_reader.h"
#include "plotter.h"
#include "plotting_time.h"
#include "svg_picture.h"
#include "xy_layout.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

picture_style style_of(std::uint8_t choice)
{
    return picture_style{.width = choice & 1 ? 100 : 1100,
                         .height = choice & 2 ? 100 : 800,
                         .travel = (choice & 4) == 0,
                         .direction = (choice & 8) != 0,
                         .most_layer_bytes = choice & 16 ? 64 : 250000,
                         .done = choice >> 5,
                         .unit_mm = choice & 32 ? 25.4 : 0,
                         .unit_inches = (choice & 32) != 0};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::FILE *in = fmemopen(const_cast<std::uint8_t *>(data + 1), size - 1, "r");
    std::FILE *out = std::fopen("/dev/null", "w");
    if (!in || !out)
        std::abort();
    svg_picture picture;
    if (!start_picture(picture, style_of(data[0])))
        std::abort();
    coordinates_reader reader;
    xy_unit unit;
    plotter tool;
    motion_timer timer;
    start_reading(reader, in);
    start_plotting(tool);
    start_timing(timer, {.speed = 20,
                         .travel_speed = 40,
                         .accel = 200,
                         .corner = 0.02,
                         .tool_down_time = 0.1,
                         .tool_up_time = 0.05});
    // xyview draws any file the plotter would take; the other companions stop where a unit
    // stands out of trace2xy's layout.
    layout state = layout::start;
    read_result result;
    while ((result = read_unit(reader, unit)) == read_result::unit) {
        if (state != layout::misplaced)
            state = next_layout(state, unit.kind);
        picture_unit(picture, tool, unit);
        plot(tool, unit);
        time_plotted(timer, tool, unit);
    }
    const plotting_time time = finish_timing(timer);
    if (!(time.drawing >= 0 && time.travel >= 0 && time.tool >= 0))
        std::abort();
    if (result == read_result::finished)
        finish_picture(picture, tool.job, picture_bed{}, {"fuzz.xy", "figures"}, out);
    else
        discard_picture(picture);
    std::fclose(out);
    std::fclose(in);
    return 0;
}
