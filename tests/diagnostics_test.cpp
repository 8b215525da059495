// How the companions tell of trouble that no file's layout causes: a name that holds a
// terminal's controls, and memory that runs out.
#include "programs.h"
#include "routed_board.h"
#include "streams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class diagnostics : public scratch_directory {};

TEST_F(diagnostics, names_are_shown_with_their_control_bytes_escaped)
{
    put("\x1b]0;x\x07\xc3\xa9.xy", file_contents(TEST_DATA "/worked_example.xy"));
    const run_result result = run("'" XYVIEW "' \"$(printf '\\033]0;x\\007\\303\\251.xy')\"");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.starts_with("coordinates file  \\x1b]0;x\\x07\xc3\xa9.xy\nnets "))
        << result.out;
}

// A job larger than the memory a run may have ends in one line and status 2, with nothing
// written, rather than in an abort; the same job's summary shows that the run had room to
// start. A sanitizer reserves more address space than the limit allows.
TEST_F(diagnostics, companions_that_keep_the_job_say_when_memory_runs_out)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's shadow memory passes the limit";
#endif
    put("in.xy", converted(routed_board(100000)));
    put("out.xy", "old");
    const std::string limit = "prlimit --as=12582912 ";
    EXPECT_EQ(run(limit + "'" XYVIEW "' -q in.xy").status, 0);
    expect_fault(limit + "'" XYORDER "'",
                 {"ordering", "in.xy out.xy", "", 2, "xyorder: out of memory\n"});
    expect_fault(limit + "'" XYVIEW "'",
                 {"picture", "-q -s out.svg in.xy", "", 2, "xyview: out of memory\n"});
    EXPECT_EQ(get("out.xy"), "old");
}

} // namespace
