// Path data as short as the grammar allows, and exactly the path given: what each way of
// moving writes.
#include "path_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A subpath: its first point, then the points it goes to.
using subpath = std::vector<std::pair<std::int64_t, std::int64_t>>;

struct path_case {
    const char *name;
    std::vector<subpath> subpaths;
    std::string data;
};

class written_path : public testing::TestWithParam<path_case> {};

TEST_P(written_path, is_as_short_as_the_grammar_allows)
{
    std::string out;
    path_writer w;
    start_path(w, out);
    for (const subpath &s : GetParam().subpaths) {
        path_move(w, s[0].first, s[0].second);
        for (std::size_t k = 1; k < s.size(); ++k)
            path_line(w, s[k].first, s[k].second);
    }
    end_subpath(w);
    EXPECT_EQ(out, GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(
    path, written_path,
    testing::Values(
        path_case{"moves_along_one_line_are_one", {{{0, 0}, {10, 0}, {25, 0}}}, "M0 0h25"},
        path_case{"a_turn_back_is_kept", {{{0, 0}, {10, 0}, {5, 0}}}, "M0 0h10-5"},
        path_case{
            "a_move_to_where_the_path_stands_is_left_out", {{{0, 0}, {0, 0}, {0, 7}}}, "M0 0v7"},
        path_case{"slanted_moves_give_both_numbers", {{{0, 0}, {3, 4}, {6, 1}}}, "M0 0l3 4 3-3"},
        path_case{
            "a_subpath_that_goes_nowhere_is_a_dot", {{{5, 5}}, {{8, 5}, {8, 9}}}, "M5 5h0m3 0v4"},
        path_case{"a_later_subpath_starts_relative",
                  {{{100, 100}, {110, 100}}, {{90, 120}, {90, 125}}},
                  "M100 100h10m-20 20v5"}),
    [](const auto &info) { return info.param.name; });

} // namespace
