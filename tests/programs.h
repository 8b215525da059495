// Runs the built programs in a scratch directory, with given standard input, and keeps
// what they show and the files they leave.
#pragma once

#include "streams.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

// A failure that a companion must report, with its status and text, leaving no file
// behind and the file it reads intact.
struct fault_case {
    const char *name;
    std::string arguments;
    std::string file; // written to in.xy when not empty
    int status;
    std::string err;
};

// Whether child, started by this process, has not ended yet; it is left to be waited for.
inline bool running(pid_t child)
{
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

// Ends child, with SIGKILL if a SIGTERM has not ended it in ten seconds; gives how.
inline int end_child(pid_t child)
{
    kill(child, SIGTERM);
    for (int waited = 0; waited < 10000 && running(child); ++waited)
        usleep(1000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

struct run_result {
    int status;
    std::string out; // standard output
    std::string err; // standard error
};

// Writes bytes to path; a file that cannot be written fails the test rather than the run.
inline void write_file(const std::string &path, std::string_view bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        ADD_FAILURE() << path << ": cannot be written";
        return;
    }
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written)
        ADD_FAILURE() << path << ": not written whole";
}

class scratch_directory : public testing::Test {
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/trace2xy-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir = pattern;
    }

    void TearDown() override
    {
        std::filesystem::remove_all(dir);
        for (const char *suffix : {".in", ".out", ".err"})
            std::filesystem::remove(dir + suffix);
    }

    void put(const std::string &name, std::string_view bytes)
    {
        write_file(dir + "/" + name, bytes);
    }

    std::string get(const std::string &name)
    {
        return file_contents(dir + "/" + name);
    }

    std::set<std::string> names()
    {
        std::set<std::string> all;
        for (const auto &entry : std::filesystem::directory_iterator(dir))
            all.insert(entry.path().filename());
        return all;
    }

    // Runs command (a shell command line) in the directory with input as all of its
    // standard input.
    run_result run(const std::string &command, std::string_view input = {})
    {
        write_file(dir + ".in", input);
        const std::string line = "cd '" + dir + "' && " + command + " < '" + dir + ".in' > '" +
                                 dir + ".out' 2> '" + dir + ".err'";
        const int status = std::system(line.c_str());
        EXPECT_TRUE(WIFEXITED(status));
        return {WEXITSTATUS(status), file_contents(dir + ".out"), file_contents(dir + ".err")};
    }

    // Runs command with the arguments of fault, in.xy written first, and checks what it
    // reports and that the directory and in.xy are as they were.
    void expect_fault(const std::string &command, const fault_case &fault)
    {
        if (!fault.file.empty())
            put("in.xy", fault.file);
        const std::set<std::string> before = names();
        const run_result result = run("{ " + command + " " + fault.arguments + "; }");
        EXPECT_EQ(result.status, fault.status);
        EXPECT_EQ(result.err, fault.err);
        EXPECT_EQ(names(), before);
        if (!fault.file.empty()) {
            EXPECT_EQ(get("in.xy"), fault.file);
        }
    }

    std::string dir;
};
