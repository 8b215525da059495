// The coordinates file's grammar: every unit in its forms, and the lines it refuses.
#include "coordinates_reader.h"
#include "streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

struct reading {
    std::vector<std::string> units; // one word per unit, with its values
    read_result end;
    long line_number;
    std::string line;
};

reading read_all(const std::string &xy)
{
    stream in = stream_holding(xy);
    coordinates_reader r;
    start_reading(r, in.get());
    reading result;
    xy_unit unit;
    while ((result.end = read_unit(r, unit)) == read_result::unit) {
        switch (unit.kind) {
        case unit_kind::move:
            result.units.push_back("move " + std::to_string(unit.x) + " " + std::to_string(unit.y));
            break;
        case unit_kind::tool_down: result.units.push_back("down"); break;
        case unit_kind::tool_up: result.units.push_back("up"); break;
        case unit_kind::net: result.units.push_back("net " + std::string(unit.net)); break;
        case unit_kind::trailer: result.units.push_back("trailer"); break;
        }
    }
    result.line_number = r.line_number;
    result.line.assign(r.line, r.line_length);
    return result;
}

const std::string trailer = "Tool Up \n\n\n";

TEST(coordinates, every_unit_of_the_worked_example_is_read)
{
    const reading r = read_all(file_contents(TEST_DATA "/worked_example.xy"));
    EXPECT_EQ(r.end, read_result::finished);
    EXPECT_EQ(r.units,
              (std::vector<std::string>{"move 0 0", "up", "net NET 'GND'", "move 100 200", "down",
                                        "move 150 200", "up", "net NET 'VCC'", "net NET 'CLK'",
                                        "move -50 12", "down", "move 0 12", "up", "trailer"}));
}

struct form_case {
    const char *name;
    std::string xy;
    std::vector<std::string> units;
};

class form : public testing::TestWithParam<form_case> {};

TEST_P(form, is_read_as_its_units)
{
    const reading r = read_all(GetParam().xy);
    EXPECT_EQ(r.end, read_result::finished) << r.line_number << ": " << r.line;
    EXPECT_EQ(r.units, GetParam().units);
}

INSTANTIATE_TEST_SUITE_P(coordinates, form,
                         testing::Values(form_case{"only_the_trailer", trailer, {"up", "trailer"}},
                                         form_case{"net_record_without_line_feed",
                                                   "\n   NET 'A' \n" + trailer,
                                                   {"net NET 'A'", "up", "trailer"}},
                                         form_case{"net_record_with_carriage_return",
                                                   "\n   NET 'A'\r\n \n" + trailer,
                                                   {"net NET 'A'", "up", "trailer"}},
                                         form_case{
                                             "wide_and_negative_fields",
                                             "Go To 123456789.01 -1234567.89\n" + trailer,
                                             {"move 12345678901 -123456789", "up", "trailer"}},
                                         form_case{"negative_zero",
                                                   "Go To      -0.00      -0.50\n" + trailer,
                                                   {"move 0 -50", "up", "trailer"}}),
                         [](const auto &info) { return info.param.name; });

struct refusal_case {
    const char *name;
    std::string xy;
    read_result end;
    long line_number;
    std::string line;
};

class refused : public testing::TestWithParam<refusal_case> {};

TEST_P(refused, names_the_line_at_fault)
{
    const reading r = read_all(GetParam().xy);
    EXPECT_EQ(r.end, GetParam().end);
    EXPECT_EQ(r.line_number, GetParam().line_number);
    EXPECT_EQ(r.line, GetParam().line);
}

const std::string move_line = "Go To       1.00       2.00\n";

INSTANTIATE_TEST_SUITE_P(
    coordinates, refused,
    testing::Values(
        refusal_case{"empty_file", "", read_result::cut_short, 0, ""},
        refusal_case{"no_trailer", move_line, read_result::cut_short, 1, ""},
        refusal_case{"trailer_cut_short", "Tool Up \n\n", read_result::cut_short, 2, ""},
        refusal_case{"unknown_line", "Go Home\n" + trailer, read_result::malformed, 1, "Go Home"},
        refusal_case{"tool_line_without_its_blank", "Tool Up\n" + trailer, read_result::malformed,
                     1, "Tool Up"},
        refusal_case{"narrow_fields", "Go To 1.00 2.00\n" + trailer, read_result::malformed, 1,
                     "Go To 1.00 2.00"},
        refusal_case{"three_decimals", "Go To      1.000       2.00\n" + trailer,
                     read_result::malformed, 1, "Go To      1.000       2.00"},
        refusal_case{"blank_before_a_wide_field", "Go To  12345678.90       2.00\n" + trailer,
                     read_result::malformed, 1, "Go To  12345678.90       2.00"},
        refusal_case{"letter_in_a_number", "Go To       1.0a       2.00\n" + trailer,
                     read_result::malformed, 1, "Go To       1.0a       2.00"},
        refusal_case{"one_field", "Go To       1.00\n" + trailer, read_result::malformed, 1,
                     "Go To       1.00"},
        refusal_case{"empty_line_before_a_move", "\n" + move_line + trailer, read_result::malformed,
                     1, ""},
        refusal_case{"net_record_never_closed", "\n   NET 'A'\n" + move_line + trailer,
                     read_result::malformed, 2, "   NET 'A'"},
        refusal_case{"trailer_without_its_tool_up", move_line + "\n\n", read_result::malformed, 2,
                     ""},
        refusal_case{"line_after_the_trailer", trailer + move_line, read_result::malformed, 4,
                     move_line.substr(0, 27)},
        refusal_case{"last_line_without_line_feed", move_line + "Tool Up ", read_result::malformed,
                     2, "Tool Up "},
        refusal_case{"zero_byte", "Tool Up \0\n"s + trailer, read_result::malformed, 1,
                     "Tool Up \0"s}),
    [](const auto &info) { return info.param.name; });

TEST(coordinates, line_longer_than_any_unit_is_refused_and_shown_cut)
{
    const std::string long_line = "Go To " + std::string(300, '1');
    stream in = stream_holding(long_line + "\n" + trailer);
    coordinates_reader r;
    start_reading(r, in.get());
    xy_unit unit;
    EXPECT_EQ(read_unit(r, unit), read_result::malformed);
    EXPECT_TRUE(r.line_cut);
    EXPECT_EQ(std::string(r.line, r.line_length), long_line.substr(0, xy_line_size - 1));
}

// Random trace data, odd lines included, always converts into a file that reads whole,
// with one move for every chunk that starts with "SEG".
TEST(coordinates, every_file_trace2xy_writes_is_read_whole)
{
    std::mt19937 random(77);
    const auto number = [&] { return std::to_string(static_cast<long>(random()) - (1L << 31)); };
    for (int file = 0; file < 200; ++file) {
        std::string trace;
        for (int line = random() % 60; line > 0; --line) {
            switch (random() % 10) {
            case 0: trace += "  NET 'N" + number() + "'\n"; break;
            case 1: trace += "SEG " + number() + "\r\n"; break;
            case 2: trace += std::string(random() % 200, 'x') + "SEG 1 2  NET\n"; break;
            case 3: trace += "LAYER 2\n\n"s + (random() % 2 ? "\0SEG 5 5\n"s : "xyNET\0\n"s); break;
            case 4: trace += "SEG 99999999999999999999 -" + number() + number() + "\n"; break;
            default: trace += "SEG " + number() + " " + number() + "\n";
            }
        }
        if (random() % 2)
            trace += "  NET 'LAST'";

        long segment_chunks = 0;
        for (std::size_t at = 0; at < trace.size();) {
            const std::size_t feed = trace.find('\n', at);
            const std::size_t size = std::min(
                feed == std::string::npos ? trace.size() - at : feed - at + 1, line_size - 1);
            segment_chunks += trace.compare(at, 3, "SEG") == 0;
            at += size;
        }
        const reading r = read_all(converted(trace));
        ASSERT_EQ(r.end, read_result::finished) << r.line_number << ": " << r.line;
        EXPECT_EQ(std::count_if(r.units.begin(), r.units.end(),
                                [](const std::string &unit) { return unit.starts_with("move"); }),
                  segment_chunks);
    }
}

TEST(coordinates, read_error_is_told_apart)
{
    stream directory(std::fopen(".", "r"));
    coordinates_reader r;
    start_reading(r, directory.get());
    xy_unit unit;
    EXPECT_EQ(read_unit(r, unit), read_result::failed);
}

} // namespace
