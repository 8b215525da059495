// A part's nets are named by their numbers in the whole job, which xyview --done takes,
// and by their records' names.
#include "split_report.h"

#include "diagnostics.h"
#include "json_writer.h"
#include "xy_layout.h"

#include <cinttypes>
#include <cmath>
#include <cstdlib>

namespace {

std::string nets_text(const part_span &p)
{
    if (p.last_net < p.first_net)
        return "no nets";
    if (p.last_net == p.first_net)
        return "net " + std::to_string(p.first_net) + " (" + shown_text(p.first_name) + ")";
    return "nets " + std::to_string(p.first_net) + " to " + std::to_string(p.last_net) + " (" +
           shown_text(p.first_name) + " to " + shown_text(p.last_name) + ")";
}

std::string length_text(double units)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", units);
    return text;
}

} // namespace

void report_parts(const split_outcome &s)
{
    if (s.one_net_a_part && s.facts.nets == 0)
        complain("0 nets make 1 part");
    else if (s.one_net_a_part && s.facts.nets == 1)
        complain("1 net makes 1 part");
    else if (s.one_net_a_part)
        complain("%" PRId64 " nets make at most %" PRId64 " parts: one a net", s.facts.nets,
                 s.facts.nets);
    for (std::size_t k = 0; k < s.parts->size(); ++k) {
        const part_span &p = (*s.parts)[k];
        std::string line = s.files[k] + ": " + nets_text(p) + ", " +
                           std::to_string(p.of.job.moves) +
                           (p.of.job.moves == 1 ? " move" : " moves") + ", pen-down length " +
                           length_text(p.of.job.pen_down_length) + ", idle travel " +
                           length_text(p.of.job.idle_length);
        if (s.timed) {
            char time[32];
            format_duration(p.of.time.drawing + p.of.time.travel + p.of.time.tool, time);
            line += std::string(", plotting time ") + time;
        }
        if (p.lone)
            line += s.by_time ? "; the net alone takes longer than a sitting"
                              : "; the net alone draws more than a part may";
        complain("%s", line.c_str());
    }
}

int report_parts_json(const split_outcome &s)
{
    json_writer w;
    json_begin(w, stdout, "xysplit");
    json_string(w, "file", s.input);
    json_integer(w, "nets", s.facts.nets);
    json_array(w, "parts");
    for (std::size_t k = 0; k < s.parts->size(); ++k) {
        const part_span &p = (*s.parts)[k];
        const bool nets = p.last_net >= p.first_net;
        json_object(w, nullptr);
        json_string(w, "file", s.files[k]);
        json_integer(w, "first_net", nets ? p.first_net : 0);
        json_integer(w, "last_net", nets ? p.last_net : 0);
        json_string(w, "first_name", p.first_name);
        json_string(w, "last_name", p.last_name);
        json_integer(w, "moves", p.of.job.moves);
        json_number(w, "pen_down_length", p.of.job.pen_down_length, 2);
        json_number(w, "idle_travel", p.of.job.idle_length, 2);
        if (s.timed)
            json_time(w, "plotting_time", p.of.time);
        else
            json_null(w, "plotting_time");
        json_boolean(w, "alone_past_the_limit", p.lone);
        json_close(w, '}');
    }
    json_close(w, ']');
    json_end(w);
    return standard_output_written(EXIT_SUCCESS);
}
