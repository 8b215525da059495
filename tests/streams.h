// Streams for the tests: temporary files made from strings, and files read back whole.
#pragma once

#include "record_converter.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

struct file_closer {
    void operator()(std::FILE *f) const
    {
        std::fclose(f);
    }
};
using stream = std::unique_ptr<std::FILE, file_closer>;

// A temporary file holding bytes, positioned at its start.
inline stream stream_holding(std::string_view bytes)
{
    stream s(std::tmpfile());
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), s.get());
    std::rewind(s.get());
    return s;
}

// Everything the stream holds, from its start.
inline std::string contents(std::FILE *f)
{
    std::fflush(f);
    std::rewind(f);
    std::string all;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, f)) > 0;)
        all.append(block, got);
    return all;
}

inline void write_file(const std::string &path, std::string_view bytes)
{
    stream f(std::fopen(path.c_str(), "wb"));
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f.get());
}

inline std::string file_contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct run_failures {
    bool read_failed;
    bool write_failed;
};

// Converts all of in into out with a fresh state, as one run of trace2xy does.
inline run_failures convert_stream(std::FILE *in, std::FILE *out)
{
    auto reader = std::make_unique<trace_reader>();
    auto writer = std::make_unique<xy_writer>();
    conversion_state state;
    reset(state);
    start_reading(*reader, in);
    start_writing(*writer, out);
    convert_trace(*reader, state, *writer);
    return {reader->read_failed, writer->write_failed};
}

// The coordinates file that a run over a trace data file holding trace writes.
inline std::string converted(std::string_view trace)
{
    stream in = stream_holding(trace);
    stream out(std::tmpfile());
    convert_stream(in.get(), out.get());
    return contents(out.get());
}
