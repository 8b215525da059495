// Streams for the tests: temporary files made from strings, files read back whole, and
// streams that fail on cue.
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

inline std::string file_contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A stream over a string that fails on cue: reads give the bytes of input and then an
// error in place of the end of the file; writes land in written, except the write call
// numbered refused_write (from 1), which is refused as a full disk refuses it.
struct faulty_device {
    std::string input{};
    std::size_t read_at = 0;
    std::string written{};
    int writes = 0;
    int refused_write = 0;
};

inline stream faulty_stream(faulty_device &device, const char *mode)
{
    cookie_io_functions_t io{};
    io.read = [](void *cookie, char *to, std::size_t size) -> ssize_t {
        auto &d = *static_cast<faulty_device *>(cookie);
        const std::size_t got = d.input.copy(to, size, d.read_at);
        d.read_at += got;
        return got ? static_cast<ssize_t>(got) : -1;
    };
    io.write = [](void *cookie, const char *from, std::size_t size) -> ssize_t {
        auto &d = *static_cast<faulty_device *>(cookie);
        if (++d.writes == d.refused_write)
            return 0; // a write function's error, unlike a read function's
        d.written.append(from, size);
        return static_cast<ssize_t>(size);
    };
    return stream(fopencookie(&device, mode, io));
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

// Streams in memory, for conversions run many times over (as fuzz targets do): trace
// read where it lies, and what is written kept in sink, which refuses nothing.
struct memory_streams {
    faulty_device sink;
    stream in, out;
    char none; // read in place of an empty trace, which has no bytes to point at
};

inline void open_in_memory(memory_streams &m, std::string_view trace)
{
    m.in.reset(
        fmemopen(trace.empty() ? &m.none : const_cast<char *>(trace.data()), trace.size(), "r"));
    m.out = faulty_stream(m.sink, "w");
}

// Closes the streams and gives all that was written.
inline std::string close_in_memory(memory_streams &m)
{
    m.in.reset();
    m.out.reset();
    return std::move(m.sink.written);
}

// The coordinates file that the chunk-by-chunk conversion, the exact path that every
// line could take, writes for trace.
inline std::string converted_chunk_by_chunk(std::string_view trace)
{
    memory_streams m;
    open_in_memory(m, trace);
    std::FILE *const in = m.in.get(), *const out = m.out.get();
    auto reader = std::make_unique<trace_reader>();
    auto writer = std::make_unique<xy_writer>();
    conversion_state state;
    reset(state);
    start_reading(*reader, in);
    start_writing(*writer, out);
    char line[line_size];
    while (read_chunk(*reader, line))
        convert_chunk(state, line, *writer);
    finish(*writer);
    return close_in_memory(m);
}

// The coordinates file that a run over a trace data file holding trace writes, and
// what failed in it.
inline std::string converted(std::string_view trace, run_failures *failures = nullptr)
{
    memory_streams m;
    open_in_memory(m, trace);
    const run_failures found = convert_stream(m.in.get(), m.out.get());
    if (failures)
        *failures = found;
    return close_in_memory(m);
}
