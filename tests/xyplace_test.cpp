// The built xyplace: files placed exactly and given back by the opposite placement byte
// for byte, what xyview sums up kept, jobs fitted on a bed, and every way it can fail.
#include "programs.h"
#include "routed_board.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string trailer = "Tool Up \n\n\n";

class xyplace : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        put("board.xy", converted(routed_board(300)));
    }

    // Runs xyplace in a group of its own, so that arguments may redirect its output.
    run_result xyplace_with(const std::string &arguments, std::string_view input = {})
    {
        return run("{ '" XYPLACE "' " + arguments + "; }", input);
    }

    // xyview's summary of name, the lines from nets to idle travel and the box apart.
    std::string summed(const std::string &name, const std::string &options = "")
    {
        return run("{ '" XYVIEW "' " + options + " " + name + " | tail -n +2; }").out;
    }
};

// Each pair of placements undoes itself; the board holds no "-0.00", which a placement
// writes as the zero it is.
TEST_F(xyplace, opposite_placements_give_back_the_file_byte_for_byte)
{
    for (const std::string there_and_back :
         {"-r 90 board.xy a.xy && xyplace -r 90 a.xy b.xy && xyplace -r 90 b.xy c.xy && "
          "xyplace -r 90 c.xy back.xy",
          "-r 180 board.xy a.xy && xyplace -r 180 a.xy back.xy",
          "-r 90 board.xy a.xy && xyplace -r 270 a.xy back.xy",
          "-m x board.xy a.xy && xyplace --mirror=x a.xy back.xy",
          "-m y board.xy a.xy && xyplace -m y a.xy back.xy",
          "--shift 12.34,-0.05 board.xy a.xy && xyplace -s -12.34,.05 a.xy back.xy"}) {
        std::string line = "PATH='" + std::filesystem::path(XYPLACE).parent_path().string() +
                           "':$PATH; xyplace " + there_and_back;
        EXPECT_EQ(run(line).status, 0) << there_and_back;
        EXPECT_TRUE(get("back.xy") == get("board.xy")) << there_and_back;
        EXPECT_FALSE(get("a.xy") == get("board.xy")) << there_and_back;
    }
}

// Lengths are kept to the hundredth and the box moves exactly: shifted by 1.25, -3.50;
// turned a quarter, x -0.35 to 6.38 becomes y, and y -0.70 to 4.30 becomes -x.
TEST_F(xyplace, keeps_what_xyview_sums_up_and_moves_the_box_exactly)
{
    const std::string before = summed("board.xy");
    ASSERT_NE(before.find("bounding box      x -0.35 to 6.38, y -0.70 to 4.30\n"),
              std::string::npos)
        << before;
    EXPECT_EQ(xyplace_with("--shift 1.25,-3.5 board.xy shifted.xy").status, 0);
    EXPECT_EQ(xyplace_with("--rotate 90 board.xy turned.xy").status, 0);
    const std::string shifted = summed("shifted.xy"), turned = summed("turned.xy");
    const std::size_t box = before.find("bounding box");
    EXPECT_EQ(shifted.substr(0, box), before.substr(0, box));
    EXPECT_EQ(turned.substr(0, box), before.substr(0, box));
    EXPECT_EQ(shifted.substr(box), "bounding box      x 0.90 to 7.63, y -4.20 to 0.80\n"
                                   "size              6.73 x 5.00\n");
    EXPECT_EQ(turned.substr(box), "bounding box      x -4.30 to 0.70, y -0.35 to 6.38\n"
                                  "size              5.00 x 6.73\n");
}

struct fit_case {
    const char *name;
    std::string arguments; // writing fitted.xy
    std::string area;      // xyview's check of the result
    std::string box;       // the result's bounding box
};

class fitted_job : public xyplace, public testing::WithParamInterface<fit_case> {};

TEST_P(fitted_job, puts_the_job_on_the_bed)
{
    EXPECT_EQ(xyplace_with(GetParam().arguments).status, 0);
    const run_result check = run("'" XYVIEW "' --area " + GetParam().area + " fitted.xy");
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("bounding box      " + GetParam().box + "\n"), std::string::npos)
        << check.out;
}

INSTANTIATE_TEST_SUITE_P(
    xyplace, fitted_job,
    testing::Values(fit_case{"on_the_corner", "--fit 8x6 --margin 0 board.xy fitted.xy", "8x6",
                             "x 0.00 to 6.73, y 0.00 to 5.00"},
                    fit_case{"inside_a_margin", "-f 8x6+1-2 --margin 0.25 board.xy fitted.xy",
                             "8x6+1-2", "x 1.25 to 7.98, y -1.75 to 3.25"},
                    // 1.27 and 1.00 to spare, halves of a hundredth given to the right.
                    fit_case{"centred", "--fit 8x6 --centre board.xy fitted.xy", "8x6",
                             "x 0.63 to 7.36, y 0.50 to 5.50"},
                    fit_case{"turned_when_it_fits_only_so", "--fit 5x7 -r auto board.xy fitted.xy",
                             "5x7", "x 0.00 to 5.00, y 0.00 to 6.73"},
                    fit_case{"not_turned_when_it_fits_unturned",
                             "--fit 8x8 -r auto board.xy fitted.xy", "8x8",
                             "x 0.00 to 6.73, y 0.00 to 5.00"},
                    fit_case{"read_twice_from_standard_input", "--fit 8x6 - fitted.xy < board.xy",
                             "8x6", "x 0.00 to 6.73, y 0.00 to 5.00"}),
    [](const auto &info) { return info.param.name; });

// The positions that trace2xy writes at the ends of its range and around zero, from raw
// 2^63 - 1 and -2^63 (92233720368547.77 either way), -499 ("-0.00"), 500 and 501.
const std::string extremes = "SEG 9223372036854775807 -9223372036854775808\nSEG -499 499\n"
                             "SEG 500 -500\nSEG -501 501\n";
const std::string largest = "92233720368547.77";

struct extreme_case {
    const char *name;
    std::string arguments;
    std::vector<std::pair<std::string, std::string>> moves; // as worked out by hand
};

class extreme_positions : public xyplace, public testing::WithParamInterface<extreme_case> {};

// "-0.00" is read as zero and written "0.00"; nothing else of the file changes.
TEST_P(extreme_positions, are_placed_exactly)
{
    put("in.xy", converted(extremes));
    ASSERT_EQ(get("in.xy").substr(0, 43), "Go To 92233720368547.77 -92233720368547.77\n");
    const run_result placed = xyplace_with(GetParam().arguments + " in.xy out.xy");
    EXPECT_EQ(placed.status, 0) << placed.err;
    std::string expected;
    for (const auto &[x, y] : GetParam().moves) {
        char line[64];
        std::snprintf(line, sizeof line, "Go To %10s %10s\n", x.c_str(), y.c_str());
        expected += line;
    }
    EXPECT_EQ(get("out.xy"), expected + trailer);
}

INSTANTIATE_TEST_SUITE_P(
    xyplace, extreme_positions,
    testing::Values(
        extreme_case{
            "identity",
            "",
            {{largest, "-" + largest}, {"0.00", "0.00"}, {"0.01", "-0.01"}, {"-0.01", "0.01"}}},
        extreme_case{"mirror_x",
                     "-m x",
                     {{"-" + largest, "-" + largest},
                      {"0.00", "0.00"},
                      {"-0.01", "-0.01"},
                      {"0.01", "0.01"}}},
        extreme_case{"mirror_y",
                     "-m y",
                     {{largest, largest}, {"0.00", "0.00"}, {"0.01", "0.01"}, {"-0.01", "-0.01"}}},
        extreme_case{
            "both_mirrors",
            "-m x --mirror y",
            {{"-" + largest, largest}, {"0.00", "0.00"}, {"-0.01", "0.01"}, {"0.01", "-0.01"}}},
        extreme_case{"quarter_turn",
                     "-r 90",
                     {{largest, largest}, {"0.00", "0.00"}, {"0.01", "0.01"}, {"-0.01", "-0.01"}}},
        extreme_case{
            "half_turn",
            "-r 180",
            {{"-" + largest, largest}, {"0.00", "0.00"}, {"-0.01", "0.01"}, {"0.01", "-0.01"}}},
        extreme_case{"three_quarters",
                     "-r 270",
                     {{"-" + largest, "-" + largest},
                      {"0.00", "0.00"},
                      {"-0.01", "-0.01"},
                      {"0.01", "0.01"}}},
        extreme_case{"shift_inwards",
                     "-s -0.01,0.01",
                     {{"92233720368547.76", "-92233720368547.76"},
                      {"-0.01", "0.01"},
                      {"0.00", "0.00"},
                      {"-0.02", "0.02"}}},
        extreme_case{"mirror_then_a_shift_across_the_range",
                     "-m x -s 92233720368547.76,0",
                     {{"-0.01", "-" + largest},
                      {"92233720368547.76", "0.00"},
                      {"92233720368547.75", "-0.01"},
                      {largest, "0.01"}}},
        // The bed holds the job exactly, a hundredth above where it lies.
        extreme_case{"fit_on_a_bed_as_large_as_the_range",
                     "--fit 92233720368547.78x92233720368547.78-0.01-92233720368547.76",
                     {{largest, "-92233720368547.76"},
                      {"0.00", "0.01"},
                      {"0.01", "0.00"},
                      {"-0.01", "0.02"}}}),
    [](const auto &info) { return info.param.name; });

// A job on a pipe that --fit reads twice is kept in a temporary file, which may not fit.
// The temporary files go where TMPDIR says, as a user sends them from a small /tmp.
TEST_F(xyplace, standard_input_that_cannot_be_kept_to_read_twice_is_told)
{
    const struct {
        std::string command, err;
    } cases[] = {
        {"{ cat board.xy | TMPDIR=. prlimit --fsize=20000 '" XYPLACE "' --fit 100x100 - out.xy; }",
         "xyplace: (standard input): File too large (its copy, kept in . to read it twice)\n"},
        {"{ cat board.xy | TMPDIR=gone '" XYPLACE "' --fit 100x100 - out.xy; }",
         "xyplace: (standard input): No such file or directory (its copy, kept in gone to read "
         "it twice)\n"},
        {"TMPDIR=gone '" XYVIEW "' -q -s out.xy board.xy",
         "xyview: no room for a temporary file in gone: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        const run_result result = run(c.command);
        EXPECT_EQ(result.status, 2) << c.command;
        EXPECT_EQ(result.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.xy"));
    }
}

class place_fault : public xyplace, public testing::WithParamInterface<fault_case> {};

// Under a file-size limit that only a job as large as the board reaches, and a time limit
// that a run which went on after a failed write would reach.
TEST_P(place_fault, is_reported_and_writes_nothing)
{
    expect_fault("timeout -s KILL 60 prlimit --fsize=20000 '" XYPLACE "'", GetParam());
}

const std::string sound = "Go To       1.00       2.00\n" + trailer;
const std::string try_help = "Try 'xyplace --help'.\n";

INSTANTIATE_TEST_SUITE_P(
    xyplace, place_fault,
    testing::Values(
        fault_case{"unknown_line", "-r 90 in.xy out.xy", "Go Home\n" + trailer, 1,
                   "xyplace: in.xy:1: not a coordinates line: 'Go Home'\n"},
        fault_case{"unit_out_of_place", "-r 90 in.xy out.xy",
                   "Go To       0.00       0.00\nTool Down \n" + trailer, 1,
                   "xyplace: in.xy:2: 'Tool Down ' is out of place: xyplace places only files "
                   "laid out as trace2xy writes them\n"},
        fault_case{"job_larger_than_the_bed", "--fit 6x4 board.xy out.xy", "", 3,
                   "xyplace: the job, 6.73 x 5.00, is 0.73 wider and 1.00 higher than the bed 6 "
                   "x 4 allows; nothing written\n"},
        fault_case{"larger_than_the_bed_turned_either_way",
                   "-f 5x6 --margin 1 -r auto board.xy o.xy", "", 3,
                   "xyplace: the job, 6.73 x 5.00, is 3.73 wider and 1.00 higher than the bed 5 "
                   "x 6 less its margins, 3.00 x 4.00, allows, turned either way; nothing "
                   "written\n"},
        fault_case{"margins_that_leave_no_room", "--fit 8x6 --margin 5 board.xy out.xy", "", 3,
                   "xyplace: margins of 5 leave no room on the bed 8 x 6; nothing written\n"},
        fault_case{"fits_only_turned_without_rotate_auto", "--fit 5x7 board.xy out.xy", "", 3,
                   "xyplace: the job, 6.73 x 5.00, is 1.73 wider than the bed 5 x 7 allows; "
                   "nothing written\n"},
        // A panel of a million by a million copies ends at its first refused write.
        fault_case{"panel_past_a_file_size_limit",
                   "--repeat 1000000x1000000 --pitch 0.01,0.01 board.xy out.xy", "", 2,
                   "xyplace: out.xy: File too large\n"},
        fault_case{"panel_on_a_full_device",
                   "--repeat 1000000x1000000 --pitch 0.01,0.01 board.xy - > /dev/full", "", 2,
                   "xyplace: standard output: No space left on device\n"},
        fault_case{"most_copies_of_a_job_without_moves",
                   "--repeat max --gap 0.25 --margin 0.5 --fit 30x20 in.xy out.xy", trailer, 2,
                   "xyplace: the job has no moves: nothing to repeat\n"},
        fault_case{"position_beyond_the_range", "--shift 1,0 in.xy out.xy",
                   "Go To 92233720368547.76       0.00\n" + trailer, 3,
                   "xyplace: in.xy:1: the move to 92233720368547.76       0.00 would be placed "
                   "beyond what a coordinates file holds; nothing written\n"},
        fault_case{"shift_past_the_range", "-s 0.01,0 in.xy out.xy", converted(extremes), 3,
                   "xyplace: in.xy:1: the move to 92233720368547.77 -92233720368547.77 would be "
                   "placed beyond what a coordinates file holds; nothing written\n"},
        fault_case{"number_beyond_the_range", "in.xy out.xy",
                   "Go To 1234567890123456.00       0.00\n" + trailer, 1,
                   "xyplace: in.xy:1: a position beyond what a coordinates file holds "
                   "(92233720368547.77 either way): 'Go To 1234567890123456.00       0.00'\n"},
        fault_case{"rotation_given_twice", "-r 90 -r 180 in.xy out.xy", sound, 2,
                   "xyplace: --rotate is given twice: give it once\n" + try_help},
        fault_case{"margin_given_twice", "-f 8x6 --margin 1 --margin 0 in.xy out.xy", sound, 2,
                   "xyplace: --margin is given twice: give it once\n" + try_help},
        fault_case{"shift_with_more_after_it", "--shift 1,2x in.xy out.xy", sound, 2,
                   "xyplace: --shift wants DX,DY, plain decimals with at most two places: "
                   "'1,2x'\n" +
                       try_help},
        fault_case{"no_copies", "--repeat 0x3 in.xy out.xy", sound, 2,
                   "xyplace: --repeat wants CxR, whole numbers from 1 to 1000000, or max: '0x3'\n" +
                       try_help},
        fault_case{"copies_without_rows", "--repeat 3x in.xy out.xy", sound, 2,
                   "xyplace: --repeat wants CxR, whole numbers from 1 to 1000000, or max: '3x'\n" +
                       try_help},
        fault_case{"gap_below_zero", "--repeat 2x2 --gap -1 in.xy out.xy", sound, 2,
                   "xyplace: --gap wants a plain decimal at or above zero with at most two "
                   "places: '-1'\n" +
                       try_help},
        fault_case{"pitch_of_zero", "--repeat 2x2 --pitch 0,1 in.xy out.xy", sound, 2,
                   "xyplace: --pitch wants DX,DY above zero, plain decimals with at most two "
                   "places: '0,1'\n" +
                       try_help},
        fault_case{"pitch_and_gap", "--repeat 2x2 --pitch 1,1 --gap 1 in.xy out.xy", sound, 2,
                   "xyplace: --gap and --pitch both say how far apart copies stand: give one\n" +
                       try_help},
        fault_case{"panel_beyond_the_range", "--repeat 1000000x1 --gap 92233720368 in.xy out.xy",
                   "\n   NET 'A'\n \nGo To       1.00       2.00\nTool Down \n" + trailer, 3,
                   "xyplace: the panel would reach beyond what a coordinates file holds; nothing "
                   "written\n"},
        fault_case{"three_places_in_a_shift", "--shift 0.125,0 in.xy out.xy", sound, 2,
                   "xyplace: --shift wants DX,DY, plain decimals with at most two places: "
                   "'0.125,0'\n" +
                       try_help},
        fault_case{"rotation_not_a_quarter", "--rotate 45 in.xy out.xy", sound, 2,
                   "xyplace: --rotate wants 90, 180, 270 or auto: '45'\n" + try_help},
        fault_case{"mirror_of_an_unknown_axis", "--mirror z in.xy out.xy", sound, 2,
                   "xyplace: --mirror wants x or y: 'z'\n" + try_help},
        fault_case{"margin_without_a_bed", "--margin 1 in.xy out.xy", sound, 2,
                   "xyplace: --margin needs --fit\n" + try_help},
        fault_case{"shift_and_fit", "--shift 1,1 --fit 8x6 in.xy out.xy", sound, 2,
                   "xyplace: --shift and --fit both say where the job goes: give one\n" + try_help},
        fault_case{"bad_bed", "--fit 8 in.xy out.xy", sound, 2,
                   "xyplace: --fit wants WxH[+X+Y], a positive width and height and the "
                   "corner's position, plain decimals with at most two places, within "
                   "92233720368547.77 of the origin: '8'\n" +
                       try_help},
        fault_case{"output_over_the_file_being_read", "in.xy ./in.xy", sound, 2,
                   "xyplace: ./in.xy: is the coordinates file being read\n"},
        fault_case{"report_into_the_file_being_read", "--json in.xy out.xy >> in.xy", sound, 2,
                   "xyplace: standard output: is the input in.xy; the object would be written "
                   "into it\n"},
        fault_case{"bed_named_as_a_bed", "--bed 8x6 in.xy out.xy", sound, 2,
                   "xyplace: unknown option: --bed; the plotter's bed is --fit\n" + try_help},
        fault_case{"missing_file", "none.xy out.xy", "", 2,
                   "xyplace: none.xy: No such file or directory\n"}),
    [](const auto &info) { return info.param.name; });

// Copies of a job without nets would write nothing: it is written once, however many are
// asked for, and the run says so.
TEST_F(xyplace, panel_of_a_job_without_nets_is_written_once)
{
    put("empty.xy", trailer);
    const run_result empty = xyplace_with("--repeat 10000x10000 empty.xy out.xy");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, "xyplace: warning: the job has no nets, so its copies would draw "
                         "nothing: written once\nxyplace: warning: the job draws nothing\n");
    EXPECT_EQ(get("out.xy"), trailer);
    put("moves.xy", "Go To       1.00       2.00\n" + trailer);
    EXPECT_EQ(xyplace_with("-q --repeat max --gap 1 --fit 30x20 moves.xy out.xy").status, 0);
    EXPECT_EQ(get("out.xy"), "Go To       0.00       0.00\n" + trailer);
}

// Each copy of a job of 330,000 moves writes 9.24 MB: a million by a million of them would
// pass 2^63 - 1 bytes, so the panel is refused before anything is written.
TEST_F(xyplace, panel_larger_than_a_file_holds_is_refused_up_front)
{
    std::string job = "\n   NET 'A'\n \nGo To       1.00       2.00\nTool Down \n";
    for (int k = 1; k < 330000; ++k)
        job += "Go To       1.00       2.00\n";
    expect_fault("timeout -s KILL 60 '" XYPLACE "'",
                 {"", "--repeat 1000000x1000000 --pitch 0.01,0.01 in.xy out.xy", job + trailer, 3,
                  "xyplace: the panel would make a coordinates file of more than "
                  "9223372036854775807 bytes; nothing written\n"});
}

// A full file system refuses the panel's file part way: the run ends at once and the old
// file stays. The file system lives in a mount namespace of the run's own, which goes with
// it; mounting needs root.
TEST_F(xyplace, panel_on_a_full_file_system_ends_at_once_leaving_the_old_file)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    std::filesystem::create_directory(dir + "/full");
    const run_result full = run("unshare -m sh -c 'mount -t tmpfs -o size=64k none full && "
                                "echo old > full/out.xy && timeout -s KILL 60 \"" XYPLACE
                                "\" --repeat 1000000x1000000 --pitch 0.01,0.01 board.xy "
                                "full/out.xy; echo $?; ls full; cat full/out.xy'");
    EXPECT_EQ(full.out, "2\nout.xy\nold\n");
    EXPECT_EQ(full.err, "xyplace: full/out.xy: No space left on device\n");
}

// Writes bytes into the named pipe that child is to read, while the child runs and for at
// most ten seconds, whatever it does; leaves the pipe open in to and gives how many bytes
// went in.
std::size_t feed_pipe(const std::string &pipe, pid_t child, std::string_view bytes, int &to)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const auto in_time = [&] {
        return running(child) && std::chrono::steady_clock::now() < deadline;
    };
    for (to = -1; to < 0 && in_time(); usleep(1000))
        to = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    std::size_t put = 0;
    while (to >= 0 && put < bytes.size() && in_time()) {
        pollfd ready{to, POLLOUT, 0};
        const ssize_t n =
            poll(&ready, 1, 100) > 0 ? write(to, bytes.data() + put, bytes.size() - put) : 0;
        if (n < 0 && errno != EAGAIN)
            break;
        put += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return put;
}

// A run killed while it streams, here while it waits for the rest of its input from a
// named pipe, leaves the file it was to replace as it was and nothing beside it.
TEST_F(xyplace, killed_while_streaming_leaves_the_old_file_and_nothing_else)
{
    put("big.xy", converted(routed_board(20000)));
    put("out.xy", "<old>");
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) == 0)
            execl(XYPLACE, "xyplace", "--shift", "1,1", "pipe", "out.xy",
                  static_cast<char *>(nullptr));
        _exit(127);
    }
    // More than a pipe holds: the write ends only once most of it has been read, and
    // the run has written its placed moves.
    const std::string all = get("big.xy");
    const auto old_handler = std::signal(SIGPIPE, SIG_IGN);
    int to;
    EXPECT_EQ(feed_pipe(pipe, child, std::string_view(all).substr(0, all.size() / 2), to),
              all.size() / 2);
    const int status = end_child(child);
    close(to);
    std::signal(SIGPIPE, old_handler);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(get("out.xy"), "<old>");
    EXPECT_EQ(names(), (std::set<std::string>{"big.xy", "board.xy", "out.xy", "pipe"}));
}

TEST_F(xyplace, streams_from_standard_input_to_standard_output)
{
    const run_result piped = xyplace_with("-m y - -", get("board.xy"));
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(xyplace_with("-m y board.xy mirrored.xy").status, 0);
    EXPECT_TRUE(piped.out == get("mirrored.xy"));
    EXPECT_EQ(run("bash -c \"exec 12> fd.xy; '" XYPLACE "' -m y board.xy /dev/fd/12\"").status, 0);
    EXPECT_TRUE(get("fd.xy") == get("mirrored.xy"));
    // A pipe cannot be read twice: --fit keeps it in a temporary file.
    EXPECT_EQ(xyplace_with("--fit 8x6 board.xy fitted.xy").status, 0);
    EXPECT_TRUE(run("{ cat board.xy | '" XYPLACE "' --fit 8x6 - -; }").out == get("fitted.xy"));
    EXPECT_EQ(xyplace_with("-V").out, "xyplace " XYVIEW_VERSION "\n");
    EXPECT_TRUE(xyplace_with("--help").out.starts_with("usage: xyplace "));
}

} // namespace
