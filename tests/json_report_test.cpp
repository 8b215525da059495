// The companions' --json, read with a JSON reader: one object on standard output with the
// figures the text gives, names escaped as JSON requires, and no object where the job or
// the picture takes standard output.
#include "json_value.h"
#include "programs.h"
#include "routed_board.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct json_case {
    const char *name;
    std::string command; // run in a folder holding board.xy
    int status;
    std::function<void(const json_value &)> check;
};

class json_report : public scratch_directory, public testing::WithParamInterface<json_case> {};

TEST_P(json_report, is_one_object_with_the_figures)
{
    put("board.xy", converted(routed_board(300)));
    const run_result result =
        run("{ PATH='" + std::filesystem::path(XYVIEW).parent_path().string() + "':$PATH; " +
            GetParam().command + "; }");
    EXPECT_EQ(result.status, GetParam().status) << result.err;
    bool sound = false;
    const json_value object = parsed(result.out, sound);
    ASSERT_TRUE(sound) << result.out;
    EXPECT_EQ(object["format"].number, 1);
    EXPECT_EQ(object.keys[0], "format");
    GetParam().check(object);
}

// The board spans x -0.35 to 6.38 and y -0.70 to 4.30; it has 300 nets and 1161 moves.
INSTANTIATE_TEST_SUITE_P(
    companions, json_report,
    testing::Values(
        json_case{"xyview_on_a_bed_it_crosses",
                  "xyview --json --area 8x6 --speed 20 --tool-time 0.1 board.xy", 3,
                  [](const json_value &o) {
                      EXPECT_EQ(o["program"].text, "xyview");
                      EXPECT_EQ(o["nets"].number, 300);
                      EXPECT_EQ(o["moves"].number, 1161);
                      EXPECT_EQ(o["holes"].number, 0);
                      EXPECT_EQ(o["pen_down_length"].text, "157.01");
                      EXPECT_EQ(o["plotting_time"]["tool"].text, "60.0");
                      EXPECT_EQ(o["bounding_box"]["min_y"].text, "-0.70");
                      EXPECT_FALSE(o["bed"]["fits"].boolean);
                      EXPECT_EQ(o["bed"]["overhang"]["left"].number, 0.35);
                      EXPECT_EQ(o["bed"]["command"].text, "xyplace --shift 0.35,0.70");
                  }},
        json_case{"xyorder_before_and_after", "xyorder --json board.xy sorted.xy", 0,
                  [](const json_value &o) {
                      EXPECT_EQ(o["idle_travel"]["before"].text, "741.71");
                      EXPECT_LT(o["idle_travel"]["after"].number, 100);
                      EXPECT_FALSE(o["cut_short"].boolean);
                      EXPECT_EQ(o["plotting_time"].type, json_value::kind::null);
                  }},
        json_case{"xyplace_a_panel", "xyplace --json --repeat 2x1 --gap 0.5 board.xy p.xy", 0,
                  [](const json_value &o) {
                      EXPECT_TRUE(o["written"].boolean);
                      EXPECT_EQ(o["copies"]["step_x"].text, "7.23");
                      EXPECT_EQ(o["bounding_box_after"]["width"].text, "13.96");
                  }},
        json_case{"xyplace_too_large", "xyplace --json --fit 2x2 board.xy p.xy", 3,
                  [](const json_value &o) {
                      EXPECT_FALSE(o["written"].boolean);
                      EXPECT_EQ(o["reason"].text, "larger than the bed");
                  }},
        // A name of any bytes: a quote, a control character and a byte that is no UTF-8.
        json_case{
            "xymerge_escapes_names",
            "cp board.xy \"$(printf 'a\\042b\\001\\377\\303\\251.xy')\" && xymerge --json -o m.xy "
            "board.xy a*.xy",
            0,
            [](const json_value &o) {
                ASSERT_EQ(o["jobs"].items.size(), 2u);
                EXPECT_EQ(o["jobs"].items[1]["file"].text, "a\"b\x01\xef\xbf\xbd\xc3\xa9.xy");
                EXPECT_EQ(o["overlaps"].items[0]["width"].text, "6.73");
            }}),
    [](const auto &info) { return info.param.name; });

class json_output : public scratch_directory {};

// The object and the job, or the picture, would mix on standard output, by whatever name
// it goes there; and a picture that fails leaves no object.
TEST_F(json_output, is_refused_beside_a_job_on_standard_output_and_after_a_failure)
{
    put("board.xy", converted(routed_board(30)));
    for (const std::string command :
         {"'" XYVIEW "' --json -s - board.xy", "'" XYVIEW "' --json -s /dev/stdout board.xy",
          "'" XYVIEW "' --json -s /dev/fd/1 board.xy",
          "'" XYVIEW "' --json -s /proc/self/fd/1 board.xy",
          "'" XYVIEW "' --json -s /dev/full board.xy", "'" XYORDER "' --json board.xy -",
          "'" XYPLACE "' --json -s 1,1 board.xy /dev/stdout",
          "{ '" XYPLACE "' --json board.xy p.xy > p.xy; }", "'" XYMERGE "' --json -o - board.xy"}) {
        const run_result result = run(command);
        EXPECT_EQ(result.status, 2) << command;
        EXPECT_EQ(result.out, "") << command;
    }
}

} // namespace
