// The profile and the unit are found before the options are read in turn, since a length
// given before --unit still takes it, and the profile's values are checked once the unit is
// known, each named by its line.
#include "bed.h"
#include "front_end.h"

#include <cstring>

namespace {

// The long option's name for code, for messages.
std::string option_name(const option_table &t, int code)
{
    for (const option &o : t.entries)
        if (o.name && o.val == code)
            return std::string("--") + o.name;
    return std::string("-") + static_cast<char>(code);
}

// The length kind of option code of c, or false when it takes no length.
bool kind_of(int code, const companion &c, length_kind &kind)
{
    kind = length_kind::real;
    if (code >= speed_option && code < tool_time_option)
        return c.timed;
    for (const length_option *l = c.lengths; l && l->code != 0; ++l)
        if (l->code == code) {
            kind = l->kind;
            return true;
        }
    return false;
}

// Checks the profile's bed, margin and motion in the unit known, keeping them in output
// units in common; -1, or status_trouble having said which line is wrong.
int check_profile(const companion &c, common_options &common)
{
    const plotter_profile &p = common.profile;
    std::string error;
    bool rounded = false;
    if (const std::string &value = p.values[bed_key]; !value.empty()) {
        bed b;
        if (!convert_lengths(value.c_str(), length_kind::bed, common.unit, common.bed, rounded,
                             error) ||
            !read_bed(common.bed.c_str(), b)) {
            complain("%s %s", profile_place(p, bed_key).c_str(),
                     error.empty()
                         ? (std::string(bed_wanted) + ", or a sheet: '" + value + "'").c_str()
                         : error.c_str());
            return status_trouble;
        }
        if (rounded && c.bed_option)
            complain("%s %s is %s in whole hundredths, rounded inward",
                     profile_place(p, bed_key).c_str(), value.c_str(), common.bed.c_str());
    }
    if (const std::string &value = p.values[margin_key]; !value.empty()) {
        std::int64_t margin = -1;
        const char *at = nullptr;
        if (convert_lengths(value.c_str(), length_kind::exact, common.unit, common.margin, rounded,
                            error))
            at = common.margin.c_str();
        if (!at || !read_hundredths(at, margin) || *at != '\0' || margin < 0) {
            complain("%s %s", profile_place(p, margin_key).c_str(),
                     error.empty() ? ("wants a plain decimal at or above zero with at most two "
                                      "places: '" +
                                      value + "'")
                                         .c_str()
                                   : error.c_str());
            return status_trouble;
        }
    }
    const char *given[5] = {};
    for (int k = 0; k < 5; ++k) {
        const std::string &value = p.values[speed_key + k];
        if (value.empty())
            continue;
        if (k < 4 && !convert_lengths(value.c_str(), length_kind::real, common.unit,
                                      common.motion_given[k], rounded, error)) {
            complain("%s %s", profile_place(p, static_cast<profile_key>(speed_key + k)).c_str(),
                     error.c_str());
            return status_trouble;
        }
        if (k == 4)
            common.motion_given[k] = value;
        given[k] = common.motion_given[k].c_str();
    }
    motion_model checked;
    if (!motion_of(given, checked, &p))
        return status_trouble;
    for (int k = 0; k < 5 && !c.timed; ++k)
        common.motion_given[k].clear();
    return -1;
}

} // namespace

int read_setting(int argc, char **argv, const companion &c, option_table &t, common_options &common)
{
    const char *plotter = nullptr, *unit = nullptr;
    bool asked = false; // for --help or --version, which need no profile
    for (int code; (code = getopt_long(argc, argv, t.shorts, t.entries, nullptr)) != -1;) {
        plotter = code == plotter_option ? optarg : plotter;
        unit = code == unit_option ? optarg : unit;
        asked = asked || code == 'h' || code == 'V';
    }
    optind = 0;
    if (asked)
        return -1;
    if (!read_profile(plotter, common.profile))
        return status_trouble;
    const std::string &profile_unit = common.profile.values[unit_key];
    if (unit && !read_unit_length(unit, common.unit))
        return wrong_arguments("--unit %s: '%s'", unit_length_wanted, unit);
    if (!unit && !profile_unit.empty() && !read_unit_length(profile_unit.c_str(), common.unit)) {
        complain("%s %s: '%s'", profile_place(common.profile, unit_key).c_str(), unit_length_wanted,
                 profile_unit.c_str());
        return status_trouble;
    }
    return check_profile(c, common);
}

int convert_option(int code, const char *&value, const companion &c, option_table &t,
                   common_options &common)
{
    length_kind kind;
    if (!kind_of(code, c, kind))
        return -1;
    const std::string name = option_name(t, code);
    if (kind == length_kind::bed && std::strcmp(value, "bed") == 0) {
        if (common.bed.empty())
            return wrong_arguments("%s bed: no profile names the bed", name.c_str());
        value = common.bed.c_str();
        return -1;
    }
    std::string &converted = common.converted[common.conversions++ % 32];
    std::string error;
    bool rounded = false;
    if (!convert_lengths(value, kind, common.unit, converted, rounded, error))
        return wrong_arguments("%s %s: %s", name.c_str(), value, error.c_str());
    if (rounded)
        complain("%s %s is %s in whole hundredths, rounded inward", name.c_str(), value,
                 converted.c_str());
    value = converted.c_str();
    return -1;
}
