// The plotter's profile and lengths with their unit: conversions at whole hundredths, the
// profile found in its order of places and overridden by options, and its faults.
#include "json_value.h"
#include "programs.h"
#include "unit_lengths.h"

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

namespace {

struct conversion_case {
    const char *name;
    const char *text;
    length_kind kind;
    double unit_mm;
    const char *converted; // or the error, when it fails
    bool rounded;
};

class length_conversion : public testing::TestWithParam<conversion_case> {};

TEST_P(length_conversion, gives_output_units_or_says_why_not)
{
    const conversion_case &c = GetParam();
    std::string converted, error;
    bool rounded = false;
    const bool done =
        convert_lengths(c.text, c.kind, {c.unit_mm, c.unit_mm == 25.4}, converted, rounded, error);
    EXPECT_EQ(done ? converted : error, c.converted);
    EXPECT_EQ(rounded, c.rounded);
}

constexpr auto bed = length_kind::bed, exact = length_kind::exact, real = length_kind::real;

INSTANTIATE_TEST_SUITE_P(
    unit_lengths, length_conversion,
    testing::Values(
        conversion_case{"bed_in_millimetres_is_inches", "203.2x152.4mm", bed, 25.4, "8.00x6.00",
                        false},
        conversion_case{"a4_landscape_in_millimetres", "a4-landscape", bed, 1, "297.00x210.00",
                        false},
        conversion_case{"a4_in_inches_rounds_inward", "a4", bed, 25.4, "8.26x11.69", true},
        conversion_case{"corner_rounds_up_and_far_edge_down", "10mmx5mm+1mm-1mm", bed, 25.4,
                        "0.39x0.18+0.04-0.03", true},
        conversion_case{"bed_without_unit_passes_as_given", "8x6+0+0", bed, 0, "8x6+0+0", false},
        conversion_case{"size_shares_its_unit_beside_a_corner_of_its_own",
                        "203.2x152.4mm+10mm+10mm", bed, 25.4, "7.99x5.99+0.40+0.40", true},
        conversion_case{"corner_shares_its_unit", "8inx6in+1in+1", bed, 1,
                        "203.20x152.40+25.40+25.40", false},
        conversion_case{"shift_off_the_hundredths_names_the_nearest", "1mm,0", exact, 25.4,
                        "1mm is 0.0393701 output units, no whole number of hundredths; the "
                        "nearest is 0.04 (1.016mm)",
                        false},
        conversion_case{"shift_each_number_its_unit", "-2.54cm,0.5in", exact, 25.4, "-1.00,0.50",
                        false},
        conversion_case{"speed_converts_as_a_real", "50mm", real, 25.4, "1.968503937007874", false},
        conversion_case{"tiny_real_is_a_plain_decimal", "0.001mm", real, 25.4,
                        "0.000039370078740157485", false},
        conversion_case{"length_beyond_a_file_is_left_as_typed", "1e30in,0", exact, 25.4,
                        "1e30in,0", false},
        conversion_case{"bed_beyond_a_file_is_left_as_typed", "1e15inx5in", bed, 25.4, "1e15inx5in",
                        false},
        conversion_case{"more_after_a_unit_is_left_as_typed", "20mm/s,1", real, 25.4, "20mm/s,1",
                        false},
        conversion_case{"unit_without_a_unit_known", "5mm,0", exact, 0,
                        "mm needs a unit: set unit = or --unit", false},
        conversion_case{"sheet_without_a_unit_known", "letter", bed, 0,
                        "letter needs a unit: set unit = or --unit", false}),
    [](const auto &info) { return info.param.name; });

class plotter_profile_run : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        put("board.xy", converted(file_contents(TEST_DATA "/../../examples/board.trc")));
        put("plotter.conf", file_contents(TEST_DATA "/../../examples/plotter.conf"));
        std::filesystem::create_directories(dir + "/config/trace2xy");
    }

    json_value summary(const std::string &arguments, const std::string &environment = "")
    {
        const run_result result = run(environment + " '" XYVIEW "' --json " + arguments);
        bool sound = false;
        const json_value v = parsed(result.out, sound);
        EXPECT_TRUE(sound) << arguments << result.err;
        return v;
    }
};

// The profile stands for the long options; an option overrides its key; none reads none.
TEST_F(plotter_profile_run, profile_gives_what_the_long_options_give)
{
    const json_value named = summary("--plotter plotter.conf board.xy");
    const json_value long_way = summary("--area 8x6 --speed 20 --accel 200 --corner 0.02 "
                                        "--tool-time 0.1 board.xy");
    for (const char *key : {"plotting_time", "bed"})
        EXPECT_EQ(named[key]["seconds"].text + named[key]["fits"].text,
                  long_way[key]["seconds"].text + long_way[key]["fits"].text)
            << key;
    EXPECT_EQ(named["profile"].text, "plotter.conf");
    EXPECT_EQ(named["unit_mm"].text, "25.4000");
    EXPECT_EQ(named["width_mm"].text, "170.9");
    EXPECT_EQ(summary("--plotter plotter.conf --speed 40 --area none board.xy")["bed"].type,
              json_value::kind::null);
    const struct {
        const char *option, *long_way;
    } overrides[] = {{"--speed 40", "--speed 40 --accel 200 --corner 0.02 --tool-time 0.1"},
                     {"--travel-speed 80", "--speed 20 --travel-speed 80 --accel 200 --corner "
                                           "0.02 --tool-time 0.1"},
                     {"--accel 50", "--speed 20 --accel 50 --corner 0.02 --tool-time 0.1"},
                     {"--corner 0", "--speed 20 --accel 200 --tool-time 0.1"},
                     {"--tool-time 1,2", "--speed 20 --accel 200 --corner 0.02 --tool-time 1,2"}};
    for (const auto &o : overrides) {
        const json_value profiled =
            summary("--plotter plotter.conf " + std::string(o.option) + " board.xy");
        const json_value given = summary(std::string(o.long_way) + " board.xy");
        EXPECT_EQ(profiled["plotting_time"]["seconds"].text, given["plotting_time"]["seconds"].text)
            << o.option;
    }
    const json_value none = summary("--plotter none board.xy", "XY_PLOTTER=plotter.conf");
    EXPECT_EQ(none["plotting_time"].type, json_value::kind::null);
    EXPECT_TRUE(none["profile"].type == json_value::kind::null && none.keys.back() == "bed");
}

// --plotter, then XY_PLOTTER, then the folder XDG_CONFIG_HOME names.
TEST_F(plotter_profile_run, profile_is_found_in_its_order_of_places)
{
    put("config/trace2xy/plotter.conf", "unit = 1mm\n");
    put("other.conf", "unit = 1cm\n");
    const std::string xdg = "XDG_CONFIG_HOME=config ";
    EXPECT_EQ(summary("board.xy", xdg)["unit_mm"].text, "1.0000");
    EXPECT_EQ(summary("board.xy", xdg + "XY_PLOTTER=other.conf")["unit_mm"].text, "10.0000");
    EXPECT_EQ(
        summary("--plotter plotter.conf board.xy", xdg + "XY_PLOTTER=other.conf")["unit_mm"].text,
        "25.4000");
    EXPECT_EQ(summary("board.xy", xdg + "XY_PLOTTER=")["profile"].type, json_value::kind::null);
    const run_result shown = run(xdg + "'" XYVIEW "' board.xy");
    EXPECT_NE(shown.out.find("\nprofile           config/trace2xy/plotter.conf\n"),
              std::string::npos);
}

TEST_F(plotter_profile_run, profile_faults_name_the_file_and_line)
{
    put("typo.conf", "# a profile\nunit = 1in\nsped = 20\n");
    put("loose.conf", "unit 1in\n");
    put("slow.conf", "speed = 0\n");
    put("unitless.conf", "bed = 20cmx10cm\n");
    put("vast.conf", "unit = 1e308mm\n");
    put("marked.conf", "\xef\xbb\xbfunit = 1in\nsp\x1b[1med = 20\n");
    put("wide.conf", "unit = 1in\n" + std::string(70, 'w') + "\n");
    std::filesystem::create_directory(dir + "/folder.conf");
    const struct {
        const char *arguments;
        std::string err;
    } faults[] = {
        {"--plotter typo.conf", "xyview: typo.conf:3: unknown key 'sped'; plotter.conf(5) lists "
                                "unit, bed, speed, travel-speed, accel, corner, tool-time and "
                                "margin\n"},
        {"--plotter loose.conf", "xyview: loose.conf:1: not key = value: 'unit 1in'\n"},
        {"--plotter slow.conf", "xyview: slow.conf:1: speed wants a number from 0.000001 to "
                                "1000000: '0'\n"},
        {"--plotter unitless.conf",
         "xyview: unitless.conf:1: bed cm needs a unit: set unit = or --unit\n"},
        // Millimetres beyond a double's range would make the JSON's sizes inf.
        {"--plotter vast.conf", "xyview: vast.conf:1: unit wants a length from 0.000001mm to "
                                "1000000mm, followed by mm, cm or in: '1e308mm'\n"},
        {"--unit 0.0000001mm", "xyview: --unit wants a length from 0.000001mm to 1000000mm, "
                               "followed by mm, cm or in: '0.0000001mm'\nTry 'xyview --help'.\n"},
        // A byte order mark is passed over; a key that would not print is shown escaped.
        {"--plotter marked.conf", "xyview: marked.conf:2: unknown key 'sp\\x1b[1med'; "
                                  "plotter.conf(5) lists unit, bed, speed, travel-speed, accel, "
                                  "corner, tool-time and margin\n"},
        {"--plotter missing.conf", "xyview: missing.conf: No such file or directory (the "
                                   "plotter's profile)\n"},
        {"--plotter folder.conf", "xyview: folder.conf: Is a directory (the plotter's profile)\n"},
        // A faulty line is cut to one short line, and a file that never ends is not read on;
        // a run that read on for ever would be killed.
        {"--plotter wide.conf",
         "xyview: wide.conf:2: not key = value: '" + std::string(59, 'w') + "...'\n"},
        {"--plotter /dev/zero",
         "xyview: /dev/zero: over 64 KiB, too long for a plotter's profile\n"},
    };
    for (const auto &fault : faults) {
        const run_result result = run("timeout -s KILL 60 '" XYVIEW "' -s p.svg " +
                                      std::string(fault.arguments) + " board.xy");
        EXPECT_EQ(result.status, 2) << fault.arguments;
        EXPECT_EQ(result.err, fault.err);
        EXPECT_FALSE(std::filesystem::exists(dir + "/p.svg"));
    }
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any folder";
    std::filesystem::create_directory(dir + "/locked");
    put("locked/plotter.conf", "unit = 1in\n");
    std::filesystem::permissions(dir + "/locked", std::filesystem::perms::none);
    EXPECT_EQ(run("'" XYVIEW "' --plotter locked/plotter.conf board.xy").err,
              "xyview: locked/plotter.conf: Permission denied (the plotter's profile)\n");
    std::filesystem::permissions(dir + "/locked", std::filesystem::perms::owner_all);
}

// Every companion takes the profile: xyplace's bed only through --fit bed, its margin with it.
TEST_F(plotter_profile_run, companions_take_the_profile_each_as_it_needs)
{
    EXPECT_EQ(run("'" XYPLACE "' --plotter plotter.conf --fit bed board.xy fit.xy").status, 0);
    EXPECT_EQ(summary("fit.xy")["bounding_box"]["min_x"].text, "0.25");
    EXPECT_EQ(run("'" XYPLACE "' --plotter plotter.conf --shift 1mm,0 board.xy s.xy").err,
              "xyplace: --shift 1mm,0: 1mm is 0.0393701 output units, no whole number of "
              "hundredths; the nearest is 0.04 (1.016mm)\nTry 'xyplace --help'.\n");
    EXPECT_EQ(run("'" XYORDER "' --plotter plotter.conf board.xy o.xy").err,
              "xyorder: idle travel 741.71 before, 41.58 after: 94.4 % less; plotting time "
              "0:02:42.7 before, 0:01:51.7 after\n");
    EXPECT_EQ(
        run("'" XYMERGE "' -q --plotter plotter.conf --row 5mm -o m.xy board.xy board.xy").status,
        2);
    // Axes in millimetres for a unit of centimetres: a tick each 10 mm, one output unit.
    ASSERT_EQ(run("'" XYVIEW "' -q --unit 1cm -s cm.svg board.xy").status, 0);
    const std::string picture = get("cm.svg");
    EXPECT_NE(picture.find("text-anchor=\"end\">mm</text>"), std::string::npos);
    EXPECT_NE(picture.find("text-anchor=\"middle\">60</text>"), std::string::npos);
    EXPECT_EQ(picture.find("output units"), std::string::npos);
    EXPECT_EQ(run("'" XYVIEW "' --unit 1in --area a4 board.xy").err.substr(0, 67),
              "xyview: --area a4 is 8.26x11.69 in whole hundredths, rounded inward");
}

} // namespace
