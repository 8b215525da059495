// Chunk boundaries, zero bytes and the end of input, as the converter sees them.
#include "streams.h"
#include "trace_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace std::string_literals;

namespace {

// Every chunk the reader delivers, each as the whole line buffer it left behind.
std::vector<std::string> chunks_of(std::string_view bytes)
{
    stream in = stream_holding(bytes);
    auto reader = std::make_unique<trace_reader>();
    start_reading(*reader, in.get());
    std::vector<std::string> chunks;
    char line[line_size];
    while (read_chunk(*reader, line))
        chunks.emplace_back(line, line_size);
    EXPECT_EQ(std::string(line, line_size), std::string(line_size, '\0'));
    EXPECT_FALSE(reader->read_failed);
    return chunks;
}

std::string buffer_holding(const std::string &chunk)
{
    return chunk + std::string(line_size - chunk.size(), '\0');
}

struct chunking_case {
    const char *name;
    std::string file;
    std::vector<std::string> chunks;
};

class chunking : public testing::TestWithParam<chunking_case> {};

TEST_P(chunking, delivers_each_chunk_in_a_cleared_buffer)
{
    std::vector<std::string> expected;
    for (const std::string &chunk : GetParam().chunks)
        expected.push_back(buffer_holding(chunk));
    EXPECT_EQ(chunks_of(GetParam().file), expected);
}

const std::string x78(78, 'x'), x79(79, 'x');

INSTANTIATE_TEST_SUITE_P(
    reader, chunking,
    testing::Values(
        chunking_case{"empty_file_yields_no_chunk", "", {}},
        chunking_case{"last_line_without_line_feed", "SEG 1 2\n  NET", {"SEG 1 2\n", "  NET"}},
        chunking_case{"empty_lines_are_chunks", "\n\n", {"\n", "\n"}},
        chunking_case{"line_of_79_bytes_is_one_chunk", x78 + "\n", {x78 + "\n"}},
        chunking_case{"line_of_80_bytes_leaves_its_line_feed_alone", x79 + "\n", {x79, "\n"}},
        chunking_case{"line_of_200_bytes_comes_as_79_79_42",
                      std::string(199, 'a') + "\n",
                      {std::string(79, 'a'), std::string(79, 'a'), std::string(41, 'a') + "\n"}},
        chunking_case{"carriage_return_stays_in_the_chunk", "SEG 1 2\r\n", {"SEG 1 2\r\n"}},
        chunking_case{
            "shorter_chunk_shows_nothing_of_a_longer_one", x78 + "\nab\n", {x78 + "\n", "ab\n"}},
        chunking_case{"zero_byte_at_the_start_is_still_a_chunk",
                      "\0SEG 1 2\n  NET\n"s,
                      {"\0SEG 1 2\n"s, "  NET\n"}},
        chunking_case{"zero_byte_at_the_start_of_a_continuation_chunk",
                      x79 + "\0tail\nSEG\n"s,
                      {x79, "\0tail\n"s, "SEG\n"}},
        chunking_case{"zero_byte_inside_a_chunk_keeps_the_chunk_whole",
                      "  NET\0junk\nSEG\n"s,
                      {"  NET\0junk\n"s, "SEG\n"}}),
    [](const auto &info) { return info.param.name; });

TEST(reader, clearbuf_zeroes_the_whole_line_buffer)
{
    char line[line_size + 1];
    std::memset(line, 'x', sizeof line);
    clearbuf(line);
    EXPECT_EQ(std::string(line, line_size), std::string(line_size, '\0'));
    EXPECT_EQ(line[line_size], 'x');
}

// The chunks a bounded line read from the C library cuts the file into, each as the
// line buffer it leaves.
std::vector<std::string> bounded_line_reads(const std::string &file)
{
    stream reference = stream_holding(file);
    std::vector<std::string> chunks;
    char line[line_size];
    for (long at = 0; clearbuf(line), std::fgets(line, line_size, reference.get());) {
        const long next = std::ftell(reference.get());
        chunks.push_back(buffer_holding(std::string(line, static_cast<std::size_t>(next - at))));
        at = next;
    }
    return chunks;
}

// A bounded line read from the C library cuts the same file, so it says where every
// chunk must end, across the reader's block boundaries too.
TEST(reader, chunks_match_a_bounded_line_read_across_block_boundaries)
{
    std::mt19937 random(7);
    std::string file;
    while (file.size() < 3 * block_size + 1000) {
        const std::size_t size = random() % 220;
        for (std::size_t i = 0; i < size; ++i)
            file += random() % 50 == 0 ? '\0' : static_cast<char>('a' + random() % 26);
        file += '\n';
    }
    file += "last line";
    EXPECT_EQ(chunks_of(file), bounded_line_reads(file));
}

// A first line that ends near the end of the reader's block puts the chunks of the long
// line after it across the block's end at each of their offsets in turn.
TEST(reader, chunk_meets_the_end_of_the_block_at_every_offset)
{
    for (std::size_t shift = 0; shift <= line_size; ++shift) {
        const std::string file = std::string(block_size - line_size + shift, 'a') + "\n" +
                                 std::string(199, 'b') + "\nSEG 1 2\n" + std::string(90, 'c');
        EXPECT_TRUE(chunks_of(file) == bounded_line_reads(file)) << "shift " << shift;
    }
}

TEST(reader, read_error_ends_the_input_and_is_told_apart_from_the_end)
{
    stream directory(std::fopen(".", "r"));
    ASSERT_TRUE(directory);
    auto reader = std::make_unique<trace_reader>();
    start_reading(*reader, directory.get());
    char line[line_size];
    EXPECT_FALSE(read_chunk(*reader, line));
    EXPECT_TRUE(reader->read_failed);
    EXPECT_EQ(std::string(line, line_size), std::string(line_size, '\0'));
}

} // namespace
