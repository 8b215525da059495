// The README's examples, replayed as a new user follows them from a fresh clone: its sh blocks
// run in order, and each "$ " line of its text blocks must print the lines shown under it.
// The first sh block, the build itself, is what brought the user here, so it is not run.
#include "programs.h"

#include <filesystem>
#include <sstream>
#include <string>

namespace {

// A quoted here-document of text, which the shell passes on as it is.
std::string here_document(const std::string &text)
{
    return "<<'README_SHOWS'\n" + text + "README_SHOWS\n";
}

// The shell script that replays readme in the folder copy, its outputs kept beside it in
// scratch: each shown command runs with $? being the status of the one before.
std::string replay_script(const std::string &readme, const std::string &copy,
                          const std::string &scratch)
{
    std::istringstream in(readme);
    std::string script = "set -e\ncd '" + copy + "'\nexport PATH='" +
                         std::filesystem::path(TRACE2XY).parent_path().string() +
                         "':\"$PATH\"\nlast=0\n";
    std::string line, command, shown;
    int shown_commands = 0, sh_blocks = 0;
    const auto compare = [&] {
        if (command.empty())
            return;
        const std::string number = std::to_string(++shown_commands);
        script += "set +e\n{ (exit $last); " + command + "\n} > '" + scratch + "/out" + number +
                  "' 2>&1\nlast=$?\nset -e\ncat > '" + scratch + "/want" + number + "' " +
                  here_document(shown) + "diff -u '" + scratch + "/want" + number + "' '" +
                  scratch + "/out" + number + "' || { cat " +
                  here_document("the README shows otherwise for: $ " + command + "\n") +
                  "exit 1; }\n";
        command.clear();
        shown.clear();
    };
    enum { prose, sh, text } block = prose;
    while (std::getline(in, line)) {
        if (block == prose) {
            block = line == "```sh" ? sh : line == "```text" ? text : prose;
            sh_blocks += block == sh;
        } else if (line == "```") {
            compare();
            block = prose;
        } else if (block == sh) {
            script += sh_blocks > 1 ? line + "\n" : "";
        } else if (line.starts_with("$ ")) {
            compare();
            command = line.substr(2);
        } else if (!command.empty()) {
            shown += line + "\n";
        }
    }
    return script;
}

} // namespace

using readme = scratch_directory;

TEST_F(readme, every_example_runs_as_shown)
{
    const std::filesystem::path source(SOURCE_DIR);
    const std::string copy = dir + "/clone";
    std::filesystem::create_directory(copy);
    for (const auto &entry : std::filesystem::directory_iterator(source)) {
        const std::string name = entry.path().filename();
        if (!name.starts_with("build") && name != ".git")
            std::filesystem::copy(entry.path(), copy + "/" + name,
                                  std::filesystem::copy_options::recursive);
    }
    put("replay.sh", replay_script(file_contents(SOURCE_DIR "/README.md"), copy, dir));
    const run_result result = run("timeout -s KILL 100 bash replay.sh");
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    // The clean-up at the end leaves the copy as it came.
    EXPECT_EQ(
        std::system(("diff -r -x 'build*' -x .git '" SOURCE_DIR "' '" + copy + "' >&2").c_str()),
        0);
}
