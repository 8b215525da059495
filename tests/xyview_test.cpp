// The built xyview: its summary, picture, area check, errors and exit statuses.
#include "programs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

using namespace std::string_literals;

namespace {

const std::string trailer = "Tool Up \n\n\n";
const std::string sound = "Go To       1.00       2.00\n" + trailer;
const std::string worked_summary = "coordinates file  board.xy\n"
                                   "nets              3\n"
                                   "moves             5\n"
                                   "tool downs        2\n"
                                   "holes             0\n"
                                   "pen-down length   1.00\n"
                                   "idle travel       4.98\n"
                                   "bounding box      x -0.50 to 1.50, y 0.00 to 2.00\n"
                                   "size              2.00 x 2.00\n";

class xyview : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        put("board.xy", file_contents(TEST_DATA "/worked_example.xy"));
        std::string trace;
        while (trace.size() < 100000)
            trace += "  NET 'N'\nSEG 0 0\nSEG 100000 100000\n";
        put("long.xy", converted(trace));
    }

    // Runs xyview in a group of its own, so that arguments may redirect its output, and
    // under a file-size limit that only a picture of a long job reaches.
    run_result xyview_with(const std::string &arguments, std::string_view input = {})
    {
        return run("{ prlimit --fsize=200000 '" XYVIEW "' " + arguments + "; }", input);
    }
};

TEST_F(xyview, prints_the_summary_of_a_sound_file)
{
    const run_result result = xyview_with("board.xy");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, worked_summary);
    EXPECT_EQ(result.err, "");
}

TEST_F(xyview, reads_standard_input_for_a_dash)
{
    const run_result result = xyview_with("-", get("board.xy"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "coordinates file  (standard input)" + worked_summary.substr(26));
}

TEST_F(xyview, draws_a_well_formed_picture_and_leaves_nothing_else)
{
    const run_result result = xyview_with("--svg board.svg board.xy");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, worked_summary);
    EXPECT_EQ(names(), (std::set<std::string>{"board.svg", "board.xy", "long.xy"}));
    EXPECT_EQ(run("xmllint --noout board.svg").status, 0) << "is libxml2-utils installed?";
    const run_result piped = xyview_with("--svg=- board.xy");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, get("board.svg"));
    EXPECT_EQ(piped.err, worked_summary);
    const run_result quiet = xyview_with("-qs - -a 3x3-1+0 board.xy");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_TRUE(quiet.out.starts_with("<?xml"));
    EXPECT_EQ(quiet.err, "");
    // A name of 254 characters leaves no room for a suffix beside it.
    const std::string longest = std::string(250, 'p') + ".svg";
    EXPECT_EQ(xyview_with("-q --svg " + longest + " board.xy").status, 0);
    EXPECT_EQ(get(longest), get("board.svg"));
    EXPECT_EQ(xyview_with("-q --size 400x300 --svg small.svg board.xy").status, 0);
    EXPECT_NE(get("small.svg").find("width=\"400\" height=\"300\""), std::string::npos);
    EXPECT_EQ(xyview_with("-q --size 99x300 --svg small.svg board.xy").status, 2);
    put("sample.xy", converted(file_contents(TEST_DATA "/../../examples/board.trc")));
    EXPECT_EQ(xyview_with("-q -d -a 6x4 -s sample.svg sample.xy").status, 3);
    EXPECT_EQ(run("xmllint --noout sample.svg").status, 0);
}

// One number sets both tool times; the head starts at the first point, not the origin:
// 3 s of travel up to y 4, 4 s drawn, 2 s to lower and 2 s to raise the tool.
TEST_F(xyview, tells_the_plotting_time)
{
    put("timed.xy", "Go To       0.00       1.00\nTool Up \n\n   NET 'A'\n \n"
                    "Go To       0.00       4.00\nTool Down \nGo To       4.00       4.00\n" +
                        trailer);
    const run_result result = xyview_with("--speed 1 --tool-time 2 timed.xy");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("\nplotting time     0:00:11.0 (drawing 0:00:04.0, travel "
                              "0:00:03.0,\n                  tool 0:00:04.0)\n"),
              std::string::npos)
        << result.out;
    // Travel at 3 units a second, without --accel; 2 s to lower the tool, 1 s to raise it.
    const run_result apart = xyview_with("--speed 1 --travel-speed 3 --tool-time 2,1 timed.xy");
    EXPECT_NE(apart.out.find("\nplotting time     0:00:08.0 (drawing 0:00:04.0, travel "
                             "0:00:01.0,\n                  tool 0:00:03.0)\n"),
              std::string::npos)
        << apart.out;
}

// A file without moves is sound, yet the plotter would draw nothing: said even under
// --quiet, and the job fits any bed.
TEST_F(xyview, empty_job_is_sound_but_warned_of)
{
    put("empty.xy", trailer);
    const run_result on_bed = xyview_with("--area 8x6 empty.xy");
    EXPECT_EQ(on_bed.status, 0);
    EXPECT_TRUE(on_bed.out.ends_with("bed               8.00 x 6.00 at (0.00, 0.00): fits\n"));
    EXPECT_EQ(on_bed.err, "xyview: warning: the job draws nothing\n");
    EXPECT_EQ(xyview_with("-q empty.xy").err, "xyview: warning: the job draws nothing\n");
}

struct picture_case {
    const char *name; // of the coordinates file and the picture in the test data
    const char *options;
};

class picture : public xyview, public testing::WithParamInterface<picture_case> {};

// The golden pictures were looked at in a browser: size, margins, axes, frames, dash
// pattern, colours and marks all show there.
TEST_P(picture, matches_the_golden_picture)
{
    const std::string name = GetParam().name;
    put("in.xy", file_contents(TEST_DATA "/" + name + ".xy"));
    const run_result result = xyview_with("--svg out.svg "s + GetParam().options + " in.xy");
    EXPECT_NE(result.status, 2);
    EXPECT_EQ(get("out.svg"), file_contents(TEST_DATA "/" + name + ".svg"));
}

INSTANTIATE_TEST_SUITE_P(
    xyview, picture,
    testing::Values(picture_case{"worked_example", "--area 1.4x2.5-0.25-0.25 --direction"},
                    picture_case{"flat", "--no-travel --direction"}, picture_case{"empty", ""}),
    [](const auto &info) { return info.param.name; });

struct bed_case {
    const char *name;
    const char *area;
    int status;
    std::string warning;
    std::string standing; // what the summary says of the job on the bed
};

class bed : public xyview, public testing::WithParamInterface<bed_case> {};

// The job spans x 10.00 to 12.00 and y 20.00 to 23.00, away from the origin, so that a
// check of its size alone would pass where its position fails.
TEST_P(bed, warns_of_each_side_the_job_crosses_and_still_draws)
{
    put("job.xy", "Go To      10.00      20.00\nTool Up \n\n  NET 'A'\n \n"
                  "Go To      12.00      23.00\nTool Down \n" +
                      trailer);
    const run_result result = xyview_with("--area "s + GetParam().area + " --svg job.svg job.xy");
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.err, GetParam().warning);
    EXPECT_NE(result.out.find("bounding box      x 10.00 to 12.00, y 20.00 to 23.00\n"
                              "size              2.00 x 3.00\nbed  "),
              std::string::npos);
    // A line that would pass 80 columns goes on, at a blank, indented as the values are.
    std::string joined = result.out;
    for (std::size_t at; (at = joined.find("\n" + std::string(18, ' '))) != std::string::npos;)
        joined.replace(at, 19, " ");
    EXPECT_TRUE(joined.ends_with("): " + GetParam().standing + "\n")) << result.out;
    for (std::size_t at = 0, end; (end = result.out.find('\n', at)) != std::string::npos;
         at = end + 1)
        EXPECT_LE(end - at, 80U) << result.out;
    // What lies off the bed is drawn again in red, and only then.
    EXPECT_EQ(get("job.svg").find("clip-path=\"url(#off-bed)\"") != std::string::npos,
              GetParam().status == 3);
}

const std::string off_bed = "xyview: warning: the job does not fit the bed ";
const std::string try_help = "Try 'xyview --help'.\n";

std::string repeated(const std::string &text, int times)
{
    std::string all;
    while (times-- > 0)
        all += text;
    return all;
}

std::string bad_area(const std::string &value)
{
    return "xyview: --area wants WxH[+X+Y], a positive width and height and the corner's "
           "position, plain decimals with at most two places, within 92233720368547.77 of the "
           "origin: '" +
           value + "'\n" + try_help;
}

INSTANTIATE_TEST_SUITE_P(
    xyview, bed,
    testing::Values(
        bed_case{"exactly_on_the_bed", "2x3+10+20", 0, "", "fits"},
        bed_case{"inside_a_bed_at_the_origin", "20x30", 0, "", "fits"},
        bed_case{"left", "5x5+10.5+20", 3, off_bed + "5 x 5 at (10.5, 20): 0.50 left of the bed\n",
                 "the job crosses its left side; move it by 0.50, 0.00 to fit: xyplace --shift "
                 "0.50,0.00"},
        bed_case{"right", "1.75x5+10+20", 3,
                 off_bed + "1.75 x 5 at (10, 20): 0.25 right of the bed\n",
                 "the job crosses its right side; it cannot fit: the job, 2.00 x 3.00, is 0.25 "
                 "wider than the bed 1.75 x 5 allows, turned either way"},
        bed_case{"below_only", "5x5+10+20.5", 3,
                 off_bed + "5 x 5 at (10, 20.5): 0.50 below the bed\n",
                 "the job crosses its bottom side; move it by 0.00, 0.50 to fit: xyplace --shift "
                 "0.00,0.50"},
        bed_case{"a_hundredth_below", "5x5+10+20.01", 3,
                 off_bed + "5 x 5 at (10, 20.01): 0.01 below the bed\n",
                 "the job crosses its bottom side; move it by 0.00, 0.01 to fit: xyplace --shift "
                 "0.00,0.01"},
        bed_case{"fits_only_turned_a_quarter", "3.5x2.5+9+19", 3,
                 off_bed + "3.5 x 2.5 at (9, 19): 1.50 above the bed\n",
                 "the job crosses its top side; turned a quarter it fits: xyplace --fit "
                 "3.5x2.5+9+19 --rotate auto"},
        bed_case{"below_and_above", "5x1+10+21", 3,
                 off_bed + "5 x 1 at (10, 21): 1.00 below the bed, 1.00 above it\n",
                 "the job crosses its bottom and top sides; it cannot fit: the job, 2.00 x 3.00, "
                 "is 2.00 higher than the bed 5 x 1 allows, turned either way"},
        bed_case{"corner_with_negative_offsets", "2x40-1-10", 3,
                 off_bed + "2 x 40 at (-1, -10): 11.00 right of the bed\n",
                 "the job crosses its right side; move it by -11.00, 0.00 to fit: xyplace --shift "
                 "-11.00,0.00"},
        bed_case{"corner_at_the_origin_when_not_given", "11.5x22.5", 3,
                 off_bed + "11.5 x 22.5 at (0, 0): 0.50 right of the bed, 0.50 above it\n",
                 "the job crosses its right and top sides; move it by -0.50, -0.50 to fit: xyplace "
                 "--shift -0.50,-0.50"},
        bed_case{"the_whole_range",
                 "184467440737095.54x184467440737095.54-92233720368547.77-"
                 "92233720368547.77",
                 0, "", "fits"}),
    [](const auto &info) { return info.param.name; });

class fault : public xyview, public testing::WithParamInterface<fault_case> {};

// No fault leaves a picture behind, whole or in part, or a temporary file in the folder
// TMPDIR names, or touches the file read.
TEST_P(fault, is_reported_with_its_status)
{
    expect_fault("TMPDIR=. prlimit --fsize=200000 '" XYVIEW "'", GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    xyview, fault,
    testing::Values(
        fault_case{"unknown_line", "--svg out.svg in.xy", "Go Home\n" + trailer, 1,
                   "xyview: in.xy:1: not a coordinates line: 'Go Home'\n"},
        fault_case{"unprintable_bytes_are_escaped", "--svg out.svg in.xy",
                   "Go To\t\x01\xff'\\ 1.00\n" + trailer, 1,
                   "xyview: in.xy:1: not a coordinates line: 'Go To\\t\\x01\\xff\\'\\\\ 1.00'\n"},
        fault_case{
            "last_line_without_line_feed", "in.xy", "Tool Up \n\n\nTool Up", 1,
            "xyview: in.xy:4: text after the end of the job, which ends at line 3: 'Tool Up' (the "
            "file ends inside it); xymerge joins jobs into one\n"},
        fault_case{"two_jobs_joined", "in.xy", sound + "\n   NET 'A'\n \n" + sound, 1,
                   "xyview: in.xy:6: text after the end of the job, which ends at line 4: '   NET "
                   "\\'A\\''; xymerge joins jobs into one\n"},
        fault_case{"number_beyond_the_range", "in.xy",
                   "Go To 1234567890123456.00       0.00\n" + trailer, 1,
                   "xyview: in.xy:1: a position beyond what a coordinates file holds "
                   "(92233720368547.77 either way): 'Go To 1234567890123456.00       0.00'\n"},
        fault_case{"line_longer_than_any_unit", "in.xy", std::string(200, 'a') + "\n" + trailer, 1,
                   "xyview: in.xy:1: not a coordinates line: '" + std::string(59, 'a') + "...'\n"},
        fault_case{"done_past_the_only_net", "--done 2 in.xy", "\n   NET 'A'\n \n" + sound, 2,
                   "xyview: --done 2: the job has 1 net\n"},
        fault_case{"done_past_any_job", "--done 99999999999999999999 in.xy", sound, 2,
                   "xyview: --done 99999999999999999999: the job has 0 nets\n"},
        fault_case{"bed_beyond_the_range", "-a 1x1+92233720368547.77+0 in.xy", sound, 2,
                   bad_area("1x1+92233720368547.77+0")},
        fault_case{"bed_with_three_places", "-a 0.1x0.1+0.004+0 in.xy", sound, 2,
                   bad_area("0.1x0.1+0.004+0")},
        fault_case{"missing_trailer", "--svg out.svg in.xy", "Go To       1.00       2.00\n", 1,
                   "xyview: in.xy: the file ends after line 1, without its trailer\n"},
        fault_case{"missing_file", "none.xy", "", 2,
                   "xyview: none.xy: No such file or directory\n"},
        fault_case{"directory", "--svg out.svg .", "", 2, "xyview: .: Is a directory\n"},
        fault_case{"picture_in_a_missing_directory", "--svg no/such.svg board.xy", "", 2,
                   "xyview: no/such.svg: No such file or directory\n"},
        fault_case{"picture_on_a_full_disk", "--svg /dev/full board.xy", "", 2,
                   "xyview: /dev/full: No space left on device\n"},
        fault_case{"picture_over_the_file_being_read", "--svg ./in.xy in.xy", sound, 2,
                   "xyview: ./in.xy: is the coordinates file being read; the picture would "
                   "replace it\n"},
        fault_case{"picture_over_standard_input", "--svg in.xy - < in.xy", sound, 2,
                   "xyview: in.xy: is the coordinates file being read; the picture would "
                   "replace it\n"},
        fault_case{"summary_on_a_full_disk", "in.xy > /dev/full", sound, 2,
                   "xyview: standard output: No space left on device\n"},
        fault_case{"help_on_a_full_disk", "--help > /dev/full", sound, 2,
                   "xyview: standard output: No space left on device\n"},
        fault_case{"summary_onto_the_profile", "--plotter in.xy board.xy >> in.xy", "#\n", 2,
                   "xyview: standard output: is the plotter's profile being read\n"},
        fault_case{"temporary_files_past_a_file_size_limit", "--svg out.svg long.xy", "", 2,
                   "xyview: temporary file of the picture in .: File too large\n"},
        fault_case{"bad_area", "--area 10 board.xy", "", 2, bad_area("10")},
        fault_case{"area_with_one_offset", "--area 10x10+5 board.xy", "", 2, bad_area("10x10+5")},
        fault_case{"area_in_hexadecimal", "--area=0x10x1 board.xy", "", 2, bad_area("0x10x1")},
        fault_case{"area_with_blanks", "-a ' 1x 1' board.xy", "", 2, bad_area(" 1x 1")},
        fault_case{"zero_height_bed", "-a 1x0 board.xy", "", 2, bad_area("1x0")},
        fault_case{"bed_side_past_the_largest_double", "-a 1e308x1+1e308+0 board.xy", "", 2,
                   bad_area("1e308x1+1e308+0")},
        fault_case{"trace_data_given", "in.xy", "  NET 'A'\nSEG 1 2\n", 1,
                   "xyview: in.xy:1: not a coordinates line: '  NET \\'A\\''\n"
                   "xyview: in.xy looks like trace data, not a coordinates file: trace2xy "
                   "converts it into one\n"},
        fault_case{"trace_data_after_a_title_line", "in.xy", "BOARD 1\n  NET 'A'\nSEG 1 2\n", 1,
                   "xyview: in.xy:1: not a coordinates line: 'BOARD 1'\n"
                   "xyview: in.xy looks like trace data, not a coordinates file: trace2xy "
                   "converts it into one\n"},
        fault_case{"trace_data_of_net_records_only", "in.xy", "  NET 'A'\n  NET 'B'\n", 1,
                   "xyview: in.xy:1: not a coordinates line: '  NET \\'A\\''\n"
                   "xyview: in.xy looks like trace data, not a coordinates file: trace2xy "
                   "converts it into one\n"},
        fault_case{"summary_into_the_file_being_read", "in.xy >> in.xy", sound, 2,
                   "xyview: standard output: is the coordinates file being read; the summary "
                   "would be written into it\n"},
        fault_case{"summary_to_a_closed_standard_output", "in.xy >&-", sound, 2,
                   "xyview: standard output: Bad file descriptor\n"},
        fault_case{"unknown_option", "--bogus in.xy", sound, 2,
                   "xyview: unknown option: --bogus\n" + try_help},
        fault_case{"speed_not_a_number", "--speed fast in.xy", sound, 2,
                   "xyview: --speed wants a number from 0.000001 to 1000000: 'fast'\n" + try_help},
        fault_case{"negative_tool_time", "--speed 1 --tool-time 1,-1 in.xy", sound, 2,
                   "xyview: --tool-time wants DOWN[,UP], seconds from 0 to 1000000: '1,-1'\n" +
                       try_help},
        fault_case{"corner_without_speed", "--corner 0.1 in.xy", sound, 2,
                   "xyview: --corner 0.1 needs --speed\n" + try_help},
        fault_case{"corner_without_acceleration", "--speed 1 --corner 0.1 in.xy", sound, 2,
                   "xyview: --corner 0.1 needs --accel\n" + try_help},
        fault_case{"speed_with_more_after_it", "--speed 1,5 in.xy", sound, 2,
                   "xyview: --speed wants a number from 0.000001 to 1000000: '1,5'\n" + try_help},
        fault_case{"speed_too_small_to_time", "--speed 1e-300 in.xy", sound, 2,
                   "xyview: --speed wants a number from 0.000001 to 1000000: '1e-300'\n" +
                       try_help},
        fault_case{"tool_time_too_long_to_time", "--speed 1 --tool-time 1e300 in.xy", sound, 2,
                   "xyview: --tool-time wants DOWN[,UP], seconds from 0 to 1000000: '1e300'\n" +
                       try_help},
        fault_case{"value_for_a_flag", "--quiet=1 in.xy", sound, 2,
                   "xyview: --quiet takes no value: '--quiet=1'\n" + try_help},
        fault_case{"ambiguous_prefix", "--t 1 in.xy", sound, 2,
                   "xyview: ambiguous option: --t could be --travel-speed or --tool-time\n" +
                       try_help},
        fault_case{"empty_picture_name", "--svg= in.xy", sound, 2,
                   "xyview: --svg wants a file name, or - for standard output: ''\n" + try_help},
        fault_case{"line_ending_in_a_carriage_return", "in.xy", "Tool Up \r\n\n\n", 1,
                   "xyview: in.xy:1: not a coordinates line: 'Tool Up \\r'\n"
                   "xyview: in.xy: the lines end in a carriage return: DOS line ends\n"},
        fault_case{"compressed_file", "in.xy", "\x1f\x8b\x08\x00\n"s, 1,
                   "xyview: in.xy:1: not a coordinates line: '\\x1f\\x8b\\x08\\x00'\n"
                   "xyview: in.xy: compressed with gzip: zcat it first\n"},
        fault_case{"picture_option_without_a_picture", "--size 200x200 in.xy", sound, 2,
                   "xyview: --size needs --svg\n" + try_help},
        fault_case{"picture_named_as_another_kind", "-s pic.PNG in.xy", sound, 2,
                   "xyview: --svg pic.PNG: the picture is SVG: name it .svg, not .png\n" +
                       try_help},
        fault_case{"bed_named_as_a_bed", "--bed 8x6 in.xy", sound, 2,
                   "xyview: unknown option: --bed; the plotter's bed is --area\n" + try_help},
        fault_case{"binary_file", "in.xy", std::string(100, '\x01') + "\n", 1,
                   "xyview: in.xy:1: not a coordinates line: '" + repeated("\\x01", 14) +
                       "...'\n"}),
    [](const auto &info) { return info.param.name; });

// Renaming a finished picture onto a device or a link would replace it, not write to it.
TEST_F(xyview, picture_through_a_link_or_to_a_device_leaves_them_in_place)
{
    std::filesystem::create_symlink("target.svg", dir + "/link.svg");
    EXPECT_EQ(xyview_with("--svg link.svg board.xy").status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.svg"));
    EXPECT_TRUE(get("target.svg").starts_with("<?xml"));

    EXPECT_EQ(xyview_with("--svg /dev/full board.xy").status, 2);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    const run_result to_stdout = xyview_with("--svg /dev/stdout board.xy");
    EXPECT_EQ(to_stdout.status, 0);
    EXPECT_NE(to_stdout.out.find("</svg>"), std::string::npos);
}

struct existing_case {
    const char *name;
    std::string path;  // the picture's
    std::string bytes; // that it holds before, when it is a file of the test's
    int status;
};

class existing_file : public xyview, public testing::WithParamInterface<existing_case> {};

// A picture replaces an earlier picture or an empty file, never a job or its trace data:
// the name of a forgotten picture would otherwise be taken from the next file named.
TEST_P(existing_file, is_replaced_by_a_picture_only_when_nothing_is_lost)
{
    const existing_case &c = GetParam();
    if (c.path.starts_with("/dev/"))
        ASSERT_TRUE(std::filesystem::exists(c.path));
    else
        put(c.path, c.bytes);
    const run_result result = xyview_with("-q -s " + c.path + " board.xy");
    EXPECT_EQ(result.status, c.status) << result.err;
    if (c.status == 2) {
        EXPECT_EQ(result.err, "xyview: " + c.path +
                                  ": holds something other than a picture, "
                                  "which the picture would replace; remove it "
                                  "first to draw there\n");
        EXPECT_EQ(get(c.path), c.bytes);
    } else if (!c.path.starts_with("/dev/")) {
        EXPECT_TRUE(get(c.path).starts_with("<?xml"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    xyview, existing_file,
    testing::Values(existing_case{"coordinates_file", "job.xy", sound, 2},
                    existing_case{"trace_data", "board.trc", "  NET 'A'\nSEG 1 2\n", 2},
                    existing_case{"earlier_picture", "old.svg", "<?xml version=\"1.0\"?>\n<svg/>",
                                  0},
                    existing_case{"other_svg_after_a_byte_order_mark", "icon.svg",
                                  "\xef\xbb\xbf\n  <svg xmlns=\"http://www.w3.org/2000/svg\"/>", 0},
                    existing_case{"empty_file", "tmp.XXXXXX", "", 0},
                    existing_case{"device", "/dev/null", "", 0}),
    [](const auto &info) { return info.param.name; });

// The user's right to write the picture decides, not the folder's; and a picture put in
// place of another keeps its permission bits.
TEST_F(xyview, picture_replaces_only_what_the_user_may_write_keeping_its_mode)
{
    namespace fs = std::filesystem;
    put("theirs.svg", "<svg>old");
    fs::permissions(dir + "/theirs.svg", fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(dir, fs::perms::all);
    fs::copy_file(XYVIEW, dir + "/xyview");
    // The other user may not look into this user's configuration folder; no profile is read.
    const std::string as_another_user =
        "XY_PLOTTER=none "s +
        (geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "");
    const run_result refused = run(as_another_user + "./xyview --svg theirs.svg board.xy");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "xyview: theirs.svg: Permission denied\n");
    EXPECT_EQ(get("theirs.svg"), "<svg>old");

    put("mine.svg", "<svg>old");
    fs::permissions(dir + "/mine.svg", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(xyview_with("--svg mine.svg board.xy").status, 0);
    EXPECT_EQ(fs::status(dir + "/mine.svg").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(xyview, help_and_version_go_to_standard_output)
{
    const run_result help = xyview_with("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with(
        "usage: xyview [-q] [--json] [-s OUT.svg [-n] [-d] [--size WxH]] [-a WxH[+X+Y]]\n"));
    const run_result version = xyview_with("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "xyview " XYVIEW_VERSION "\n");
}

TEST_F(xyview, every_companions_help_fits_an_80_column_terminal)
{
    for (const char *program : {XYVIEW, XYORDER, XYPLACE, XYMERGE, XYSPLIT}) {
        const run_result help = run("'"s + program + "' --help");
        EXPECT_EQ(help.status, 0) << program;
        EXPECT_GT(help.out.size(), 1000u) << program;
        std::size_t widest = 0;
        for (std::size_t at = 0, end; (end = help.out.find('\n', at)) != std::string::npos;
             at = end + 1)
            widest = std::max(widest, end - at);
        EXPECT_LE(widest, 79u) << program;
    }
}

TEST_F(xyview, wrong_arguments_get_the_usage)
{
    for (const char *arguments : {"", "--bogus board.xy", "board.xy other.xy", "--svg"}) {
        const run_result result = xyview_with(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_TRUE(result.err.starts_with("xyview: ")) << arguments;
    }
}

} // namespace
