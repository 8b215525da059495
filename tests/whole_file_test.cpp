// Files written whole: each way of putting the file in place, as the kernel allows it or
// not, and signals at the worst moments. Each case runs in a child process, under a
// seccomp filter that takes away what the case's system lacks.
#include "programs.h"
#include "whole_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <string>

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the system of a case lacks.
enum lacking : unsigned {
    nothing = 0,
    unnamed_files = 1, // a file system without O_TMPFILE
    links = 2,         // no /proc, and a kernel that refuses to link a descriptor
    rename_traps = 4,  // rename raises SIGSYS instead of renaming
};

// Installs a seccomp filter that makes openat with O_TMPFILE fail with EOPNOTSUPP,
// linkat fail with ENOENT, or rename raise SIGSYS, as lacks says.
bool lack(unsigned lacks)
{
#if defined(__x86_64__)
    const auto errno_of = [](int e) { return SECCOMP_RET_ERRNO | static_cast<unsigned>(e); };
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_linkat, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, lacks & links ? errno_of(ENOENT) : SECCOMP_RET_ALLOW),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_rename, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, lacks & rename_traps ? SECCOMP_RET_TRAP : SECCOMP_RET_ALLOW),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, lacks & unnamed_files ? errno_of(EOPNOTSUPP) : SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return lacks == nothing;
#endif
}

// Runs job in a child that lacks what lacks says; gives how the child ended, as waitpid
// tells it.
template <typename Job> int in_child(unsigned lacks, Job job)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(lack(lacks) ? job() : 125);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

struct placing_case {
    const char *name;
    unsigned lacks;
};

class placing : public scratch_directory, public testing::WithParamInterface<placing_case> {
  protected:
    // Writes bytes whole to name in the directory, in a child lacking what the case
    // lacks; gives whether it was put in place.
    bool written_whole(const std::string &name, const std::string &bytes)
    {
        const std::string path = dir + "/" + name;
        const int status = in_child(GetParam().lacks, [&] {
            whole_file f;
            if (!open_whole_file(f, path.c_str()))
                return 1;
            std::fwrite(bytes.data(), 1, bytes.size(), f.out);
            return close_whole_file(f, true) ? 0 : 2;
        });
        if (WIFEXITED(status) && WEXITSTATUS(status) == 125)
            ADD_FAILURE() << "the seccomp filter could not be installed";
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    mode_t mode_of(const std::string &name)
    {
        struct stat s {};
        stat((dir + "/" + name).c_str(), &s);
        return s.st_mode & 07777;
    }
};

TEST_P(placing, puts_the_file_in_place_with_its_mode_and_nothing_beside_it)
{
    const mode_t mask = umask(022);
    const std::string bytes(200000, 'x');
    EXPECT_TRUE(written_whole("new.xy", bytes));
    EXPECT_EQ(get("new.xy"), bytes);
    EXPECT_EQ(mode_of("new.xy"), 0644U);

    put("old.xy", "old");
    chmod((dir + "/old.xy").c_str(), 0640);
    EXPECT_TRUE(written_whole("old.xy", "new"));
    EXPECT_EQ(get("old.xy"), "new");
    EXPECT_EQ(mode_of("old.xy"), 0640U);
    EXPECT_EQ(names(), (std::set<std::string>{"new.xy", "old.xy"}));
    umask(mask);
}

INSTANTIATE_TEST_SUITE_P(whole_file, placing,
                         testing::Values(placing_case{"by_linking_the_unnamed_file", nothing},
                                         placing_case{"without_unnamed_files", unnamed_files},
                                         placing_case{"without_links_to_a_descriptor", links},
                                         placing_case{"without_either", unnamed_files | links}),
                         [](const auto &info) { return info.param.name; });

class interrupted : public scratch_directory, public testing::WithParamInterface<placing_case> {};

// A signal in the middle of the write, and one while the file is being put in place (a
// SIGSYS from the rename, whose handler sends SIGTERM), leave the old file and nothing
// else.
TEST_P(interrupted, run_leaves_the_old_file_and_nothing_else)
{
    put("out.xy", "old");
    const std::string path = dir + "/out.xy";
    for (const bool while_placing : {false, true}) {
        const int status =
            in_child(GetParam().lacks | (while_placing ? rename_traps : nothing), [&] {
                struct sigaction on_sys {};
                on_sys.sa_handler = [](int) { kill(getpid(), SIGTERM); };
                sigaction(SIGSYS, &on_sys, nullptr);
                whole_file f;
                if (!open_whole_file(f, path.c_str()))
                    return 1;
                std::fputs("half of it", f.out);
                std::fflush(f.out);
                if (!while_placing)
                    kill(getpid(), SIGTERM);
                close_whole_file(f, true);
                return 2;
            });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << while_placing;
        EXPECT_EQ(get("out.xy"), "old");
        EXPECT_EQ(names(), std::set<std::string>{"out.xy"});
    }
}

INSTANTIATE_TEST_SUITE_P(whole_file, interrupted,
                         testing::Values(placing_case{"with_unnamed_files", nothing},
                                         placing_case{"without_unnamed_files", unnamed_files},
                                         placing_case{"without_links_to_a_descriptor", links}),
                         [](const auto &info) { return info.param.name; });

TEST(whole_file, incomplete_file_leaves_the_old_one_and_keeps_the_reason)
{
    char pattern[] = "/tmp/trace2xy-whole-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const std::string path = std::string(pattern) + "/out.xy";
    write_file(path, "old");
    whole_file f;
    ASSERT_TRUE(open_whole_file(f, path.c_str()));
    std::fputs("new", f.out);
    errno = ENOSPC;
    EXPECT_FALSE(close_whole_file(f, false));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(file_contents(path), "old");
    std::filesystem::remove_all(pattern);
}

} // namespace
