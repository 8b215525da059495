// Whole conversions: the worked example, the tool-state table, record recognition and
// the failures the front end must hear of.
#include "record_converter.h"
#include "streams.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace std::string_literals;

namespace {

const std::string trailer = "Tool Up \n\n\n";

std::string move(const char *x, const char *y)
{
    return "Go To "s + x + " " + y + "\n";
}

std::string header(const std::string &chunk)
{
    return "\n " + chunk + " \n";
}

TEST(converter, worked_example_converts_byte_for_byte)
{
    EXPECT_EQ(converted(file_contents(TEST_DATA "/worked_example.trc")),
              file_contents(TEST_DATA "/worked_example.xy"));
}

struct conversion_case {
    const char *name;
    std::string trace;
    std::string xy;
};

class conversion : public testing::TestWithParam<conversion_case> {};

TEST_P(conversion, writes_exactly_the_coordinates_file)
{
    EXPECT_EQ(converted(GetParam().trace), GetParam().xy);
}

const auto case_name = [](const auto &info) { return info.param.name; };
const std::string one = move("      1.00", "      2.00");
const std::string net_a = "  NET 'A'\n", net_b = "  NET 'B'\n";

INSTANTIATE_TEST_SUITE_P(
    tool_states, conversion,
    testing::Values(conversion_case{"empty_file_gives_only_the_trailer", "", trailer},
                    conversion_case{"segments_before_any_net_raise_the_tool_for_it",
                                    "SEG 100000 200000\nSEG 100000 200000\n" + net_a,
                                    one + one + "Tool Up \n" + header(net_a) + trailer},
                    conversion_case{"segment_after_a_net_lowers_the_tool_once",
                                    net_a + "SEG 100000 200000\nSEG 100000 200000\n",
                                    header(net_a) + one + "Tool Down \n" + one + trailer},
                    conversion_case{"two_nets_in_a_row_have_no_tool_up_between",
                                    net_a + net_b + "SEG 100000 200000\n",
                                    header(net_a) + header(net_b) + one + "Tool Down \n" + trailer},
                    conversion_case{"net_as_the_last_record_meets_the_trailer",
                                    "SEG 100000 200000\n" + net_a,
                                    one + "Tool Up \n" + header(net_a) + trailer},
                    conversion_case{"other_lines_change_nothing",
                                    net_a + "LAYER 1\n\nSEG 100000 200000\n",
                                    header(net_a) + one + "Tool Down \n" + trailer}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    records, conversion,
    testing::Values(
        conversion_case{"lower_case_words_are_no_records", "seg 1 2\n  net 'A'\n", trailer},
        conversion_case{"blank_before_seg_is_no_record", " SEG 1 2\n", trailer},
        conversion_case{"net_at_the_start_is_no_record", "NET 'A'\n", trailer},
        conversion_case{"net_needs_only_its_third_to_fifth_characters", "xyNETWORK\n",
                        header("xyNETWORK\n") + trailer},
        conversion_case{"first_segment_without_numbers_is_at_zero", "SEG\n",
                        move("      0.00", "      0.00") + trailer},
        conversion_case{"missing_y_keeps_the_one_before", "SEG 100000 200000\nSEG 7\n",
                        one + move("      0.00", "      2.00") + trailer},
        conversion_case{"missing_y_keeps_a_long_one_read_where_it_lies",
                        "SEG 123456789 987654321\nSEG 7\nSEG 1 9876543210\nSEG 8\n"
                        "SEG 2 98765432109\nSEG 9\n",
                        move("   1234.57", "   9876.54") + move("      0.00", "   9876.54") +
                            move("      0.00", "  98765.43") + move("      0.00", "  98765.43") +
                            move("      0.00", " 987654.32") + move("      0.00", " 987654.32") +
                            trailer},
        conversion_case{"carriage_return_is_white_space_in_a_segment", "SEG 100000 200000\r\n",
                        one + trailer},
        conversion_case{"carriage_return_is_echoed_in_a_net", "  NET 'A'\r\n",
                        header("  NET 'A'\r\n") + trailer},
        conversion_case{"net_without_line_feed_ends_on_its_own_line", "  NET 'A'",
                        "\n   NET 'A' \n" + trailer},
        conversion_case{"continuation_chunk_is_judged_alone",
                        std::string(79, 'x') + "SEG 100000 200000\n", one + trailer},
        conversion_case{"continuation_of_a_segment_is_no_segment",
                        "SEG 100000 200000" + std::string(63, ' ') + "SEG 5 5\n", one + trailer},
        conversion_case{"long_net_is_echoed_in_79_byte_pieces",
                        "  NET " + std::string(73, 'n') + "  NET 'B'\n",
                        header("  NET " + std::string(73, 'n')) + header(net_b) + trailer},
        conversion_case{"zero_byte_first_in_a_chunk_does_not_end_the_input",
                        "\0SEG 100000 200000\nSEG 100000 200000\n"s, one + trailer},
        conversion_case{"zero_byte_ends_the_text_of_a_net", "  NET 'A'\0junk\n"s,
                        header("  NET 'A'") + trailer},
        conversion_case{"zero_byte_ends_the_text_of_a_segment", "SEG 100000\0 200000\n"s,
                        move("      1.00", "      0.00") + trailer}),
    case_name);

// Trace data is told from a coordinates file by its records, chunk by chunk as the reader
// cuts lines: a coordinates file echoes each record a blank further in.
TEST(converter, records_tell_trace_data_from_coordinates)
{
    const std::string coordinates = converted(file_contents(TEST_DATA "/worked_example.trc"));
    for (const auto &[bytes, records] : {std::pair{coordinates, false},
                                         {file_contents(TEST_DATA "/worked_example.trc"), true},
                                         {"LAYER 1\n NET 'A'\nSEGMENT", true},
                                         {std::string(79, 'x') + "SEG 1 2\n", true},
                                         {std::string(78, 'x') + "SEG 1 2\n", false},
                                         {std::string("\0SEG\nxxNE", 10), false},
                                         {std::string(), false}})
        EXPECT_EQ(holds_records(bytes.data(), bytes.size()), records) << bytes;
}

TEST(converter, output_larger_than_a_block_keeps_its_order)
{
    std::string trace, xy;
    for (int i = 0; xy.size() < 3 * block_size; ++i) {
        trace += "  NET 'N" + std::to_string(i) + "'\nSEG " + std::to_string(i) + "00000 0\n";
        xy += (i ? "Tool Up \n" : "") + header("  NET 'N" + std::to_string(i) + "'\n") + "Go To " +
              std::string(7 - std::to_string(i).size(), ' ') + std::to_string(i) +
              ".00       0.00\nTool Down \n";
    }
    EXPECT_TRUE(converted(trace) == xy + trailer);
}

// The widest record, a "Tool Up" line with the header block of a 79-byte chunk, placed to
// begin at each offset before the end of the writer's block; a net of the right length
// before it sets the offset to the byte.
TEST(converter, widest_record_meets_the_end_of_the_writer_block_at_every_offset)
{
    const std::size_t block = sizeof(xy_writer::block);
    const std::string segment = "SEG 100000 200000\n",
                      widest = "  NET " + std::string(72, 'w') + "\n";
    for (std::size_t offset = 1; offset <= 92; ++offset) {
        const std::size_t segments = (block - offset - 58) / one.size();
        const std::size_t header_size = block - offset - 48 - segments * one.size();
        const std::string adjusting = "  NET" + std::string(header_size - 10, 'a') + "\n";
        std::string trace, xy;
        for (std::size_t i = 0; i < segments; ++i) {
            trace += segment;
            xy += one;
        }
        trace += adjusting + segment + widest + segment;
        xy += "Tool Up \n" + header(adjusting) + one + "Tool Down \nTool Up \n" + header(widest) +
              one + "Tool Down \n" + trailer;
        ASSERT_EQ(xy.find(header(widest)) - 9, block - offset);
        EXPECT_TRUE(converted(trace) == xy) << "offset " << offset;
    }
}

// Records in the common shape are converted where they lie, from their digits; every
// one must come out as the exact path writes it: at ties, at runs of nines that round
// up, with zeros before the digits, at the widths where the exact path takes over.
TEST(converter, common_records_convert_as_the_exact_path_does)
{
    std::mt19937_64 random(5);
    const char *const tails[] = {"000", "499", "500", "501", "999", "001"};
    std::string trace;
    for (int i = 0; i < 200000; ++i) {
        std::string number = std::to_string(random() % 1000000000000ULL);
        number = number.substr(0, random() % number.size() + 1);
        if (random() % 3 == 0)
            number = std::string(random() % 6, '9') + tails[random() % 6];
        if (random() % 20 == 0)
            number = "0" + number;
        trace += (random() % 2 ? "-" : random() % 9 == 0 ? "+" : "") + number;
        trace += i % 2 ? "\n" : " ";
        if (i % 2 == 0)
            trace.insert(trace.rfind('\n') == std::string::npos ? 0 : trace.rfind('\n') + 1,
                         random() % 50 ? "SEG " : "  NET 'X'\nSEG ");
    }
    EXPECT_TRUE(converted(trace) == converted_chunk_by_chunk(trace));
}

TEST(converter, read_error_still_writes_the_trailer)
{
    stream directory(std::fopen(".", "r"));
    stream out(std::tmpfile());
    const run_failures failures = convert_stream(directory.get(), out.get());
    EXPECT_TRUE(failures.read_failed);
    EXPECT_FALSE(failures.write_failed);
    EXPECT_EQ(contents(out.get()), trailer);
}

TEST(converter, read_error_part_way_converts_no_unfinished_line)
{
    faulty_device device{.input = "SEG 100000 200000\nSEG -3378845"};
    stream in = faulty_stream(device, "r");
    stream out(std::tmpfile());
    EXPECT_TRUE(convert_stream(in.get(), out.get()).read_failed);
    EXPECT_EQ(contents(out.get()), one + trailer);
}

// A disk full for a moment must not leave a file with a gap that still ends whole.
TEST(converter, nothing_is_written_or_read_after_a_refused_write)
{
    std::string trace;
    while (trace.size() < 4 * block_size)
        trace += "SEG 100000 200000\n";
    faulty_device device{.refused_write = 2};
    stream in = stream_holding(trace), out = faulty_stream(device, "w");
    const run_failures failures = convert_stream(in.get(), out.get());
    EXPECT_TRUE(failures.write_failed);
    EXPECT_EQ(device.writes, 2);
    EXPECT_GT(device.written.size(), 0U);
    EXPECT_TRUE(device.written == converted(trace).substr(0, device.written.size()));
    EXPECT_LT(std::ftell(in.get()), static_cast<long>(trace.size()));
}

TEST(converter, refused_block_is_a_write_failure)
{
    stream full(std::fopen("/dev/full", "w"));
    ASSERT_TRUE(full);
    std::string trace;
    while (trace.size() < 2 * block_size)
        trace += "SEG 1 2\n";
    stream in = stream_holding(trace);
    const run_failures failures = convert_stream(in.get(), full.get());
    EXPECT_FALSE(failures.read_failed);
    EXPECT_TRUE(failures.write_failed);
}

} // namespace
