// Coordinates files taken apart into net blocks and written again: in the file's order
// they come back byte for byte, and the tool lines follow the new order.
#include "ordering_helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

struct round_trip_case {
    const char *name;
    std::string trace;
};

class round_trip : public testing::TestWithParam<round_trip_case> {};

TEST_P(round_trip, file_order_is_written_back_byte_for_byte)
{
    const std::string xy = converted(GetParam().trace);
    const job_blocks job = job_of(xy);
    EXPECT_EQ(written(job, file_order(job)), xy);
}

INSTANTIATE_TEST_SUITE_P(
    blocks, round_trip,
    testing::Values(
        round_trip_case{"worked_example", file_contents(TEST_DATA "/worked_example.trc")},
        round_trip_case{"net_without_line_feed", "  NET " + std::string(73, 'n') + "\nSEG 1 2\n"},
        round_trip_case{"net_at_the_end_without_line_feed", "SEG 1 2\n  NET 'A'"},
        round_trip_case{"carriage_return_in_a_net", "  NET 'A'\r\nSEG 1 2\n"},
        round_trip_case{"minus_zero_and_wide_numbers",
                        "  NET 'A'\nSEG -1 -499\nSEG 12345678901234 -9223372036854775807\n"},
        round_trip_case{"only_moves", "SEG 100000 0\nSEG 0 100000\n"},
        round_trip_case{"moveless_nets_first_and_between",
                        "  NET 'A'\n  NET 'B'\nSEG 1 1\n  NET 'C'\n  NET 'D'\nSEG 2 2\n"},
        round_trip_case{"generated_board", routed_board(200)}),
    [](const auto &info) { return info.param.name; });

// Moves before the first net stay first, a moveless net stays behind the net it
// followed, and a reversed net's moves come last to first.
TEST(blocks, groups_move_whole_and_tool_lines_follow_the_order)
{
    const job_blocks job = job_of(converted(
        "SEG 0 0\n  NET 'A'\nSEG 100000 0\nSEG 200000 0\n  NET 'E'\n  NET 'B'\nSEG 300000 0\n"));
    ASSERT_EQ(job.groups.size(), 2U);
    EXPECT_EQ(
        written(job, {{1, false}, {0, true}}),
        "Go To       0.00       0.00\nTool Up \n"
        "\n   NET 'B'\n \nGo To       3.00       0.00\nTool Down \nTool Up \n"
        "\n   NET 'A'\n \nGo To       2.00       0.00\nTool Down \nGo To       1.00       0.00\n"
        "Tool Up \n\n   NET 'E'\n \nTool Up \n\n\n");
}

} // namespace

namespace {

// Fifty million nets or so hold 4 GiB of records; the nets after them are still written
// from their own records. The room for the records is kept to what they need, so that
// the test holds 4 GiB only once.
TEST(blocks, records_past_four_gibibytes_are_written_from_their_place)
{
    const std::string xy = converted("  NET 'A'\nSEG 1 2\n  NET 'B'\n");
    const std::size_t past = (std::size_t{1} << 32) + 7;
    job_blocks job;
    start_job(job);
    job.records.reserve(past + 20);
    job.records.assign(past, '-');
    for_each_unit(xy, [&](const xy_unit &unit) { add_unit(job, unit); });
    finish_job(job);
    EXPECT_EQ(job.nets[0].record_at, past);
    EXPECT_EQ(written(job, file_order(job)), xy);
}

} // namespace
