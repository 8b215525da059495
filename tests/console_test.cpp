// The dialogue of the built trace2xy: names piped on standard input, what it shows,
// its exit status and the files it leaves.
#include "programs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const std::string ask_trace = "Enter the Mentor trace data input filename: ";
const std::string ask_xy = "Enter the Tarvik xy coordinates output filename: ";
const std::string trailer = "Tool Up \n\n\n";
const std::string name79(79, 'a'), name80(80, 'a');
const std::string trace_error = ask_trace + "\nERROR: Can't open input file ";
const std::string xy_error = ask_trace + ask_xy + "\nERROR: Can't open output file ";

class console : public scratch_directory {
  protected:
    void SetUp() override
    {
        scratch_directory::SetUp();
        example = file_contents(TEST_DATA "/worked_example.trc");
        example_xy = file_contents(TEST_DATA "/worked_example.xy");
        put("board.trc", example);
    }

    // Runs trace2xy with typed as all of its standard input, after the shell words in
    // before.
    run_result trace2xy(std::string_view typed, const std::string &arguments = "",
                        const std::string &before = "")
    {
        const run_result result = run(before + "'" TRACE2XY "' " + arguments, typed);
        EXPECT_EQ(result.err, "");
        return result;
    }

    std::string example, example_xy;
};

TEST_F(console, converts_the_named_files_showing_only_the_prompts)
{
    const run_result result = trace2xy("board.trc\nboard.xy\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, ask_trace + ask_xy);
    EXPECT_EQ(get("board.xy"), example_xy);
    // Prompts that standard output cannot take are lost; the status tells of the files.
    const run_result unshown = trace2xy("board.trc\nunshown.xy\n", "> /dev/full; }", "{ ");
    EXPECT_EQ(unshown.status, 0);
    EXPECT_EQ(get("unshown.xy"), example_xy);
}

TEST_F(console, arguments_are_ignored)
{
    const run_result result = trace2xy("board.trc\nboard.xy\n", "other.trc other.xy");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, ask_trace + ask_xy);
    EXPECT_EQ(get("board.xy"), example_xy);
}

TEST_F(console, existing_coordinates_file_is_emptied_first)
{
    put("board.xy", converted("  NET 'OLD'\nSEG 1 2\n") + std::string(5000, 'x'));
    EXPECT_EQ(trace2xy("board.trc\nboard.xy\n").status, 0);
    EXPECT_EQ(get("board.xy"), example_xy);
}

TEST_F(console, empty_trace_data_file_gives_only_the_trailer)
{
    put("empty.trc", "");
    EXPECT_EQ(trace2xy("empty.trc\nempty.xy\n").status, 0);
    EXPECT_EQ(get("empty.xy"), trailer);
}

TEST_F(console, names_of_79_characters_are_used_whole)
{
    put(name79, example);
    const std::string xy79(79, 'c');
    EXPECT_EQ(trace2xy(name79 + "\n" + xy79 + "\n").status, 0);
    EXPECT_EQ(get(xy79), example_xy);
}

TEST_F(console, names_keep_their_blanks)
{
    put(" board copy.trc ", example);
    EXPECT_EQ(trace2xy(" board copy.trc \n out put.xy \n").status, 0);
    EXPECT_EQ(get(" out put.xy "), example_xy);
}

TEST_F(console, name_ended_by_the_end_of_input_is_used)
{
    EXPECT_EQ(trace2xy("board.trc\nboard.xy").status, 0);
    EXPECT_EQ(get("board.xy"), example_xy);
}

TEST_F(console, refused_write_is_reported_after_the_run)
{
    const run_result result = trace2xy("board.trc\n/dev/full\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, ask_trace + ask_xy + "\nERROR: Can't write output file /dev/full\n");
}

// Reading a process's own memory at offset 0 fails with an I/O error, like a bad disk.
TEST_F(console, read_error_still_writes_the_trailer_and_is_reported)
{
    const run_result result = trace2xy("/proc/self/mem\nboard.xy\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, ask_trace + ask_xy + "\nERROR: Can't read input file /proc/self/mem\n");
    EXPECT_EQ(get("board.xy"), trailer);
}

// Enough trace data for a coordinates file of many blocks.
std::string long_trace(const std::string &example)
{
    std::string trace;
    while (trace.size() < 300000)
        trace += example;
    return trace;
}

TEST_F(console, trace_data_may_follow_the_names_on_the_same_pipe)
{
    const std::string trace = long_trace(example);
    const run_result result = run("{ cat | '" TRACE2XY "'; }", "/dev/stdin\nboard.xy\n" + trace);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(get("board.xy") == converted(trace)); // a diff this long would not help
}

// Past a file-size limit the file holds what was written before, with no trailer that
// would make it look whole.
TEST_F(console, file_size_limit_stops_the_run_with_a_write_error)
{
    put("long.trc", long_trace(example));
    const run_result result = trace2xy("long.trc\nlong.xy\n", "", "prlimit --fsize=65536 ");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, ask_trace + ask_xy + "\nERROR: Can't write output file long.xy\n");
    const std::string xy = get("long.xy");
    EXPECT_EQ(xy.size(), 64U * 1024);
    EXPECT_TRUE(xy == converted(get("long.trc")).substr(0, xy.size()));
}

// Writing into the named pipe that the run reads from would block it for ever. Opening
// the pipe once more at the end frees the writer, should the run not have read it.
TEST_F(console, named_pipe_of_the_trace_data_is_refused_as_coordinates_file)
{
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const run_result result =
        trace2xy("pipe\npipe\n", "", "(timeout 60 sh -c 'cat board.trc > pipe' &) && timeout 10 ");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, xy_error + "pipe\n");
    close(open(pipe.c_str(), O_RDONLY | O_NONBLOCK));
}

TEST_F(console, read_error_is_reported_before_a_write_error)
{
    const run_result result = trace2xy("/proc/self/mem\n/dev/full\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, ask_trace + ask_xy + "\nERROR: Can't read input file /proc/self/mem\n");
}

struct refusal_case {
    const char *name;
    std::string typed;
    std::string shown;
    int status;
};

class refusal : public console, public testing::WithParamInterface<refusal_case> {};

// A refused run opens nothing for writing: no file appears and the trace data file and
// its links stay as they were.
TEST_P(refusal, shows_the_error_and_leaves_the_files_alone)
{
    put(name79, example);
    fs::create_directory(dir + "/sub");
    fs::create_symlink("board.trc", dir + "/link.trc");
    fs::create_hard_link(dir + "/board.trc", dir + "/hard.trc");
    put("board.xy", example_xy);
    const std::set<std::string> before = names();

    const run_result result = trace2xy(GetParam().typed);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.out, GetParam().shown);
    EXPECT_EQ(names(), before);
    EXPECT_EQ(get("board.trc"), example);
    EXPECT_EQ(get(name79), example);
}

INSTANTIATE_TEST_SUITE_P(
    dialogue, refusal,
    testing::Values(
        refusal_case{"missing_trace_data_file", "none.trc\nboard.xy\n", trace_error + "none.trc\n",
                     1},
        refusal_case{"empty_trace_data_name", "\nboard.xy\n", trace_error + "\n", 1},
        refusal_case{"no_input_at_all", "", trace_error + "\n", 1},
        refusal_case{"blanks_are_part_of_the_name", " board.trc\n", trace_error + " board.trc\n",
                     1},
        refusal_case{"trace_data_name_of_80_characters", name80 + "\nboard.xy\n",
                     trace_error + name80 + "\n", 1},
        refusal_case{"trace_data_name_of_a_directory", "sub\nboard.xy\n", trace_error + "sub\n", 1},
        refusal_case{"coordinates_file_in_a_missing_directory", "board.trc\nno/such.xy\n",
                     xy_error + "no/such.xy\n", 2},
        refusal_case{"empty_coordinates_name", "board.trc\n\n", xy_error + "\n", 2},
        refusal_case{"input_ends_before_the_coordinates_name", "board.trc\n", xy_error + "\n", 2},
        refusal_case{"trace_data_name_with_a_zero_byte", "board.trc\0junk\nboard.xy\n"s,
                     trace_error + "board.trc\n", 1},
        refusal_case{"coordinates_name_with_a_zero_byte", "board.trc\nout.xy\0junk\n"s,
                     xy_error + "out.xy\n", 2},
        refusal_case{"coordinates_name_of_80_characters", "board.trc\n" + name80 + "\n",
                     xy_error + name80 + "\n", 2},
        refusal_case{"coordinates_name_of_the_trace_data_file", "board.trc\nboard.trc\n",
                     xy_error + "board.trc\n", 2},
        refusal_case{"trace_data_file_by_another_path", "board.trc\n./sub/../board.trc\n",
                     xy_error + "./sub/../board.trc\n", 2},
        refusal_case{"trace_data_file_by_a_symbolic_link", "board.trc\nlink.trc\n",
                     xy_error + "link.trc\n", 2},
        refusal_case{"trace_data_file_by_a_hard_link", "link.trc\nhard.trc\n",
                     xy_error + "hard.trc\n", 2},
        // The names typed the wrong way round: the trace data is not emptied.
        refusal_case{"trace_data_typed_as_the_coordinates_file", "board.xy\nboard.trc\n",
                     xy_error + "board.trc\n", 2}),
    [](const auto &info) { return info.param.name; });

// The converter uses the standard and C libraries only: of the programs, only xyview, which
// deflates its pictures' images, links zlib.
TEST_F(console, only_the_picture_links_a_compression_library)
{
    for (const auto &[program, links] : {std::pair{TRACE2XY, false}, {XYVIEW, true},
                                         {XYORDER, false}, {XYPLACE, false}, {XYMERGE, false}}) {
        const run_result shown = run("readelf -d '" + std::string(program) + "'");
        EXPECT_EQ(shown.status, 0);
        EXPECT_EQ(shown.out.find("[libz.so") != std::string::npos, links) << program;
    }
}

// Reads what the child shows until want.size() bytes have come or nothing comes for
// five seconds, as an operator waiting at the prompt would.
std::string shown_within_seconds(int fd, std::size_t size)
{
    std::string shown;
    char block[256];
    pollfd ready{fd, POLLIN, 0};
    while (shown.size() < size && poll(&ready, 1, 5000) == 1) {
        const ssize_t got = read(fd, block, sizeof block);
        if (got <= 0)
            break;
        shown.append(block, static_cast<std::size_t>(got));
    }
    return shown;
}

TEST_F(console, each_prompt_is_shown_before_the_name_is_awaited_on_a_pipe)
{
    int to_child[2], from_child[2];
    ASSERT_EQ(pipe(to_child), 0);
    ASSERT_EQ(pipe(from_child), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(to_child[0], STDIN_FILENO);
        dup2(from_child[1], STDOUT_FILENO);
        close(to_child[1]);
        close(from_child[0]);
        if (chdir(dir.c_str()) == 0)
            execl(TRACE2XY, "trace2xy", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);

    EXPECT_EQ(shown_within_seconds(from_child[0], ask_trace.size()), ask_trace);
    EXPECT_EQ(write(to_child[1], "board.trc\n", 10), 10);
    EXPECT_EQ(shown_within_seconds(from_child[0], ask_xy.size()), ask_xy);
    EXPECT_EQ(write(to_child[1], "board.xy\n", 9), 9);
    close(to_child[1]);
    EXPECT_EQ(shown_within_seconds(from_child[0], 1), "");
    close(from_child[0]);

    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(get("board.xy"), example_xy);
}

} // namespace
