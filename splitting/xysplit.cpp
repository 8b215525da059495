// xysplit: resumes a plotter job where the plotter stopped, or splits it into sittings.
// Writes whole nets of an xy coordinates file as a job of their own, from a net named by
// its number, a plotting time, a length drawn or a point, or cuts the job into parts; and
// checks that parts draw exactly what their job draws.
#include "diagnostics.h"
#include "front_end.h"
#include "job_survey.h"
#include "output_file.h"
#include "part_check.h"
#include "part_files.h"
#include "split_report.h"
#include "split_where.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <unistd.h>

namespace {

constexpr const char *usage_text =
    "usage: xysplit [-q] [--json] [--speed V ...]\n"
    "               (--from WHERE [--to WHERE] | --to WHERE) [--back N] IN.xy OUT.xy\n"
    "       xysplit [-q] [--json] [--speed V ...] (--parts K | --each TIME |\n"
    "               --each-length L) -o PREFIX IN.xy\n"
    "       xysplit [-q] [--json] --check PART.xy... ORIGINAL.xy\n"
    "\n"
    "Writes whole nets of the plotter job IN.xy as jobs of their own: from a net to\n"
    "the end or up to a net, to resume where the plotter stopped, or all of it in\n"
    "parts, written PREFIX-1.xy, PREFIX-2.xy, ... all together or none. Each part is\n"
    "a coordinates file laid out as trace2xy writes, and xymerge joins the parts\n"
    "into the job again.\n"
    "\n"
    "  --from WHERE           from this net on: a net number (counted from 1) or a\n"
    "                         plotting time from the start (0:41:10, 2470s; needs\n"
    "                         --speed), the first net not finished by then\n"
    "  --to WHERE             up to the net before this one\n"
    "  --from-length L, --to-length L\n"
    "                         at the first net not finished when L has been drawn\n"
    "  --from-point X,Y, --to-point X,Y\n"
    "                         at the net whose strokes pass nearest X,Y, where the\n"
    "                         pen stopped (within --near D, default 0.10; ties to\n"
    "                         the first)\n"
    "  --back N               start N nets earlier, for a little overlap\n"
    "  --parts K              K parts, the longest as short as whole nets allow, by\n"
    "                         plotting time, or by length drawn without --speed\n"
    "  --each TIME            parts of at most TIME each (needs --speed)\n"
    "  --each-length L        parts that draw at most L each\n"
    "  -o, --output PREFIX    the parts' names: PREFIX-N.xy, N zero-padded\n"
    "  --check                whether the parts draw exactly the original's strokes,\n"
    "                         each once, in order and in direction\n";

constexpr const char *exit_text =
    "\n"
    "Exit status: 0 written (with --check, the parts draw the original), 1 a file is\n"
    "malformed, 2 a file could not be read or written or the arguments are wrong,\n"
    "3 with --check, the parts draw otherwise.\n";

enum own_option {
    from_option = first_own_option,
    to_option,
    from_length_option,
    to_length_option,
    from_point_option,
    to_point_option,
    near_option,
    back_option,
    parts_option,
    each_option,
    each_length_option,
    check_option,
};

constexpr option own_options[] = {{"from", required_argument, nullptr, from_option},
                                  {"to", required_argument, nullptr, to_option},
                                  {"from-length", required_argument, nullptr, from_length_option},
                                  {"to-length", required_argument, nullptr, to_length_option},
                                  {"from-point", required_argument, nullptr, from_point_option},
                                  {"to-point", required_argument, nullptr, to_point_option},
                                  {"near", required_argument, nullptr, near_option},
                                  {"back", required_argument, nullptr, back_option},
                                  {"parts", required_argument, nullptr, parts_option},
                                  {"each", required_argument, nullptr, each_option},
                                  {"each-length", required_argument, nullptr, each_length_option},
                                  {"output", required_argument, nullptr, 'o'},
                                  {"check", no_argument, nullptr, check_option},
                                  {}};

// A length drawn is a sum of real lengths, so it may be any; a point and --near are on the
// file's hundredths.
constexpr length_option lengths[] = {{from_length_option, length_kind::real},
                                     {to_length_option, length_kind::real},
                                     {from_point_option, length_kind::exact},
                                     {to_point_option, length_kind::exact},
                                     {near_option, length_kind::exact},
                                     {each_length_option, length_kind::real},
                                     {}};

constexpr companion xysplit{.usage = usage_text,
                            .exit_text = exit_text,
                            .version = "xysplit " XYSPLIT_VERSION,
                            .own_short = "o:",
                            .own_long = own_options,
                            .timed = true,
                            .bed_option = nullptr,
                            .lengths = lengths};

struct options {
    where ends[2];        // --from and --to; kind none when not given
    const char *given[2]; // as typed, for messages
    std::int64_t back;
    double near; // output units
    bool near_given;
    std::int64_t parts; // --parts K, or 0
    double each;        // --each or --each-length, or 0
    bool each_by_time;
    const char *prefix;
    bool check;
    common_options common;
};

// Takes a --from or --to of any kind into o.ends[side]; returns whether its value reads.
bool take_end(int code, const char *value, options &o)
{
    const int side = code == to_option || code == to_length_option || code == to_point_option;
    where &w = o.ends[side];
    o.given[side] = value;
    w = where{.kind = where_kind::none, .net = 0, .value = 0, .at = {0, 0}};
    if (code == from_option || code == to_option)
        return read_where(value, w);
    if (code == from_length_option || code == to_length_option) {
        w.kind = where_kind::length;
        return read_length(value, w.value);
    }
    w.kind = where_kind::point;
    return read_point(value, w.at);
}

// Takes one of xysplit's own options; returns -1, or the exit status to end with.
int take_option(int code, const char *value, options &o)
{
    const char *at = value;
    std::int64_t hundredths = 0;
    if (code >= from_option && code <= to_point_option && !take_end(code, value, o))
        return wrong_arguments(
            "--%s wants %s: '%s'", own_options[code - from_option].name,
            code <= to_option ? "a net number from 1, or a time above zero and under a million "
                                "hours such as 0:41:10 or 2470s"
            : code <= to_length_option ? "a length above zero, a plain decimal"
                                       : "X,Y, plain decimals with at most two places",
            value);
    if (code == near_option && (!read_hundredths(at, hundredths) || *at || hundredths < 0))
        return wrong_arguments("--near wants a plain decimal at or above zero with at most two "
                               "places: '%s'",
                               value);
    where count{};
    if ((code == back_option || code == parts_option) &&
        (!read_where(value, count) || count.kind != where_kind::net))
        return wrong_arguments("--%s wants a whole number from 1: '%s'",
                               code == back_option ? "back" : "parts", value);
    if ((code == each_option && !read_duration(value, o.each)) ||
        (code == each_length_option && !read_length(value, o.each)))
        return wrong_arguments("--%s wants %s: '%s'", code == each_option ? "each" : "each-length",
                               code == each_option ? "a time above zero and under a million hours "
                                                     "such as 0:05:00 or 300s"
                                                   : "a length above zero, a plain decimal",
                               value);
    if (code == 'o' &&
        (*value == '\0' || std::strcmp(value, "-") == 0 || value[std::strlen(value) - 1] == '/'))
        return wrong_arguments("-o wants the parts' PREFIX, a file name without its -N.xy: '%s'",
                               value);
    o.near = code == near_option ? static_cast<double>(hundredths) / 100 : o.near;
    o.near_given = o.near_given || code == near_option;
    o.back = code == back_option ? count.net : o.back;
    o.parts = code == parts_option ? count.net : o.parts;
    o.each_by_time = code == each_option          ? true
                     : code == each_length_option ? false
                                                  : o.each_by_time;
    o.prefix = code == 'o' ? value : o.prefix;
    o.check = o.check || code == check_option;
    return -1;
}

// The checks that need every option; returns -1, or the exit status to end with.
int check_arguments(int argc, const options &o)
{
    const bool cut = o.ends[0].kind != where_kind::none || o.ends[1].kind != where_kind::none;
    const bool split = o.parts > 0 || o.each > 0;
    const int names = argc - optind;
    if (cut + split + o.check != 1)
        return wrong_arguments(cut + split + o.check == 0
                                   ? "say where to cut: --from or --to, --parts, --each or "
                                     "--each-length, or --check"
                                   : "--from/--to, --parts/--each and --check are runs of their "
                                     "own: give one");
    if ((o.parts > 0) + (o.each > 0 && o.each_by_time) + (o.each > 0 && !o.each_by_time) > 1)
        return wrong_arguments("give one of --parts, --each and --each-length");
    for (int side = 0; side < 2; ++side)
        if (o.ends[side].kind == where_kind::time && o.common.motion.speed <= 0)
            return wrong_arguments("%s %s: a plotting time needs --speed", side ? "--to" : "--from",
                                   o.given[side]);
    if (o.each > 0 && o.each_by_time && o.common.motion.speed <= 0)
        return wrong_arguments("--each: a plotting time needs --speed");
    if (o.back > 0 && o.ends[0].kind == where_kind::none)
        return wrong_arguments("--back needs --from");
    if (o.near_given && o.ends[0].kind != where_kind::point && o.ends[1].kind != where_kind::point)
        return wrong_arguments("--near needs --from-point or --to-point");
    if (split != (o.prefix != nullptr))
        return wrong_arguments(split ? "name the parts with -o PREFIX"
                                     : "-o is for --parts and --each");
    if (cut && names != 2)
        return wrong_arguments("name IN.xy and OUT.xy");
    if (split && names != 1)
        return wrong_arguments("name one IN.xy to split");
    if (o.check && names < 2)
        return wrong_arguments("name the parts, then the original job");
    return -1;
}

// Returns -1 when the run goes on, or the exit status to end with.
int parse_arguments(int argc, char **argv, options &o)
{
    o = options{};
    o.near = 0.10;
    if (const int status = read_options(argc, argv, xysplit, o.common, take_option, o); status >= 0)
        return status;
    return check_arguments(argc, o);
}

// Makes j's stream one that can be read again; returns false, having said why not.
bool read_again(job_input &j)
{
    std::FILE *again = rereadable(j.in, j.name);
    if (!again)
        return false;
    j.base = again == j.in ? ftello(j.in) : 0;
    j.in = again;
    return j.base >= 0;
}

void rewind_input(job_input &j)
{
    std::clearerr(j.in);
    fseeko(j.in, j.base, SEEK_SET);
}

// Says why a pass over j ended early, as end tells, or that j's file changed, which a
// second reading of a net finds first; returns the exit status.
int pass_failed(const job_input &j, const pass_end &end, coordinates_reader &r, const xy_unit &unit)
{
    return still_as_read(j.in, j.stamp, j.name) ? report_pass(end, r, unit, j.name, "splits")
                                                : status_trouble;
}

// Says why end, a --from or --to as o gave it, names no net of the job; returns
// status_trouble, or -1 when it names one.
int past_the_job(const options &o, int side, const where &end, const job_facts &facts)
{
    const char *const option = own_options[side].name;
    if (end.net <= facts.nets)
        return -1;
    char time[32];
    format_duration(measure(facts.whole, true), time);
    switch (o.ends[side].kind) {
    case where_kind::time:
        complain("--%s %s: the job is finished by then, in %s", option, o.given[side], time);
        break;
    case where_kind::length:
        complain("--%s-length %s: the job draws %.2f in all", option, o.given[side],
                 facts.whole.job.pen_down_length);
        break;
    case where_kind::point:
        if (facts.nearest < 0)
            complain("--%s-point %s: the job draws nothing", option, o.given[side]);
        else
            complain("--%s-point %s: no net's strokes pass within %.2f of it; the nearest passes "
                     "%.2f away",
                     option, o.given[side], o.near, facts.nearest);
        break;
    default:
        complain("--%s %s: the job has %" PRId64 " net%s", option, o.given[side], facts.nets,
                 facts.nets == 1 ? "" : "s");
    }
    return status_trouble;
}

// Finds the part that --from and --to name, the nets they name by a time, a length or a
// point found first. Returns -1, or the exit status to end with, having said why.
int find_cut(job_input &j, const options &o, std::vector<part_span> &parts, job_facts &facts)
{
    coordinates_reader reader;
    xy_unit unit;
    where ends[2] = {o.ends[0], o.ends[1]};
    pass_end end{read_result::finished, false, false};
    const auto located = [](const where &w) {
        return w.kind == where_kind::net || w.kind == where_kind::none;
    };
    if (!located(ends[0]) || !located(ends[1]) || (o.back > 0 && ends[0].kind != where_kind::net)) {
        end = locate_nets(j.in, ends, 2, o.near, o.common.motion, facts, reader, unit);
        rewind_input(j);
    }
    const bool from = ends[0].kind != where_kind::none, to = ends[1].kind != where_kind::none;
    if (end.result == read_result::finished && from && to && ends[1].net <= ends[0].net) {
        complain("--to %s comes at or before --from %s: no net between", o.given[1], o.given[0]);
        return status_trouble;
    }
    const std::int64_t first = from ? std::max<std::int64_t>(1, ends[0].net - o.back) : 1;
    if (end.result == read_result::finished)
        end =
            survey_parts(j.in, {first}, to ? ends[1].net : std::numeric_limits<std::int64_t>::max(),
                         o.common.motion, parts, facts, reader, unit);
    if (end.result != read_result::finished)
        return pass_failed(j, end, reader, unit);
    for (int side = 0; side < 2; ++side)
        if (ends[side].kind != where_kind::none)
            if (const int status = past_the_job(o, side, ends[side], facts); status >= 0)
                return status;
    return -1;
}

// Writes the part from --from up to --to. Returns the exit status.
int cut_job(int argc, char **argv, const options &o)
{
    job_files files{};
    if (const int status = take_job_files(argc, argv, o.common.profile.path, files); status >= 0)
        return status;
    if (const int status = json_beside(files, o.common); status >= 0)
        return status;
    job_input j{.in = files.in, .name = files.name, .base = 0, .stamp = files.stamp};
    std::vector<part_span> parts;
    job_facts facts{};
    if (!read_again(j))
        return abandon(files, status_trouble);
    if (const int status = find_cut(j, o, parts, facts); status >= 0)
        return abandon(files, status);
    const int status =
        finish_output(files, write_part(j.in, j.base, parts[0].from, parts[0].to, files.out.out));
    if (status != EXIT_SUCCESS)
        return status;
    warn_when_nothing_drawn(parts[0].of.job.tool_downs);
    const split_outcome said{.input = j.name,
                             .files = {output_name(files.output)},
                             .parts = &parts,
                             .facts = facts,
                             .timed = o.common.motion.speed > 0,
                             .by_time = true,
                             .one_net_a_part = false};
    if (o.common.quiet)
        return status;
    if (o.common.json)
        return report_parts_json(said);
    report_parts(said);
    return status;
}

// Cuts the job of j into parts as o asks. Returns -1, or the exit status to end with, having
// said why.
int find_parts(job_input &j, const options &o, std::vector<part_span> &parts, job_facts &facts,
               bool &one_net_a_part)
{
    coordinates_reader reader;
    xy_unit unit;
    const bool timed = o.common.motion.speed > 0;
    pass_end end{read_result::finished, false, false};
    if (o.each > 0) {
        end = survey_sittings(j.in, o.each, o.each_by_time, o.common.motion, parts, facts, reader,
                              unit);
    } else {
        std::vector<net_cost> costs;
        end = survey_costs(j.in, timed, o.common.motion, costs, facts, reader, unit);
        if (end.result == read_result::finished) {
            std::vector<std::int64_t> starts;
            for (const std::size_t net : best_cuts(costs, static_cast<std::size_t>(o.parts)))
                starts.push_back(static_cast<std::int64_t>(net) + 1);
            one_net_a_part = o.parts > std::max<std::int64_t>(facts.nets, 1);
            rewind_input(j);
            end = survey_parts(j.in, starts, std::numeric_limits<std::int64_t>::max(),
                               o.common.motion, parts, facts, reader, unit);
        }
    }
    if (end.result != read_result::finished)
        return pass_failed(j, end, reader, unit);
    return -1;
}

// Refuses parts' names that name the input or the plotter's profile, and parts beside them
// that a glob of the parts would take in, which these parts would not replace. Returns -1,
// or status_trouble having said why.
int parts_apart(const std::vector<std::string> &names, const char *input, const char *prefix,
                const std::string &profile)
{
    for (const std::string &name : names) {
        if (writes_to_named_input(name.c_str(), input)) {
            complain("%s: is the input; the part would replace it", name.c_str());
            return status_trouble;
        }
        if (names_the_profile(name.c_str(), profile))
            return status_trouble;
    }
    const std::vector<std::string> found = stale_parts(prefix, names.size());
    if (found.empty())
        return -1;
    std::string stale;
    for (std::size_t k = 0; k < std::min<std::size_t>(found.size(), 4); ++k)
        stale += (k ? ", " : "") + found[k];
    if (found.size() > 4)
        stale += " and " + std::to_string(found.size() - 4) + " more";
    complain("%s: beside parts that this split would not write, which a glob of the parts "
             "would take in: %s; remove them first",
             prefix, stale.c_str());
    return status_trouble;
}

// Writes the parts that --parts, --each or --each-length ask for. Returns the exit status.
int split_job(char **argv, const options &o)
{
    job_input j{.in = nullptr, .name = nullptr, .base = 0, .stamp = {}};
    if (!(j.in = open_coordinates(argv[optind], j.name)))
        return status_trouble;
    j.stamp = stamp_of(j.in);
    if (o.common.json && writes_to_input("-", j.in)) {
        complain("standard output: is the input %s; the object would be written into it", j.name);
        return status_trouble;
    }
    std::vector<part_span> parts;
    job_facts facts{};
    bool one_net_a_part = false;
    if (!read_again(j))
        return status_trouble;
    if (const int status = find_parts(j, o, parts, facts, one_net_a_part); status >= 0)
        return status;
    std::vector<std::string> names;
    for (std::size_t k = 0; k < parts.size(); ++k)
        names.push_back(part_name(o.prefix, k + 1, parts.size()));
    if (const int status = parts_apart(names, argv[optind], o.prefix, o.common.profile.path);
        status >= 0)
        return status;
    std::string failed;
    const char *refusal = nullptr;
    if (!place_parts(j, parts, o.prefix, failed, refusal)) {
        complain("%s: %s", failed.c_str(), refusal ? refusal : std::strerror(errno));
        return status_trouble;
    }
    std::int64_t tool_downs = 0;
    for (const part_span &p : parts)
        tool_downs += p.of.job.tool_downs;
    warn_when_nothing_drawn(tool_downs);
    const split_outcome said{.input = j.name,
                             .files = names,
                             .parts = &parts,
                             .facts = facts,
                             .timed = o.common.motion.speed > 0,
                             .by_time = o.each_by_time,
                             .one_net_a_part = one_net_a_part};
    if (o.common.quiet)
        return EXIT_SUCCESS;
    return o.common.json ? report_parts_json(said) : (report_parts(said), EXIT_SUCCESS);
}

// Tells whether the parts, all names but the last, draw the last one's job. Returns the exit
// status.
int check_job(int argc, char **argv, const options &o)
{
    int from_stdin = 0;
    for (int k = optind; k < argc; ++k)
        from_stdin += std::strcmp(argv[k], "-") == 0;
    if (from_stdin > 1)
        return wrong_arguments("standard input can be read only once: one - only");
    check_outcome outcome;
    const int parts = argc - optind - 1;
    if (const int status = check_parts(argv + optind, parts, argv[argc - 1], outcome); status >= 0)
        return status;
    return report_check(outcome, parts, o.common);
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    if (const int status = parse_arguments(argc, argv, o); status >= 0)
        return status;
    if (o.check)
        return check_job(argc, argv, o);
    if (o.parts > 0 || o.each > 0)
        return split_job(argv, o);
    return cut_job(argc, argv, o);
}
