// libFuzzer target: a job that reads as sound, written once as xymerge writes it alone, must
// then come back byte for byte both from xymerge alone and from its parts, cut at the nets
// that the first byte's bits choose and written as xysplit writes them.
#include "job_survey.h"
#include "job_writer.h"
#include "part_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

std::FILE *scratch()
{
    std::FILE *f = std::tmpfile();
    if (!f)
        std::abort();
    return f;
}

std::string contents(std::FILE *f)
{
    std::string bytes;
    std::rewind(f);
    for (int c; (c = std::getc(f)) != EOF;)
        bytes.push_back(static_cast<char>(c));
    return bytes;
}

// Appends the job in f to w as xymerge appends an input it does not move.
void append(job_writer &w, std::FILE *f)
{
    coordinates_reader r;
    xy_unit unit;
    job_extents boxes{no_extent, no_extent, 0};
    std::rewind(f);
    if (append_job(w, f, placement{false, false, 0, {0, 0}}, true, r, unit, boxes).result !=
        read_result::finished)
        std::abort();
}

// Joins the files as xymerge does and gives the bytes written.
std::string joined(const std::vector<std::FILE *> &files)
{
    std::FILE *out = scratch();
    job_writer w;
    start_jobs(w, out);
    for (std::FILE *f : files)
        append(w, f);
    if (!finish_jobs(w))
        std::abort();
    std::string bytes = contents(out);
    std::fclose(out);
    return bytes;
}

// Cuts the job in in into parts that begin at the nets starts, written as xysplit writes
// them; false when the job does not read as sound.
bool cut(std::FILE *in, const std::vector<std::int64_t> &starts, std::vector<std::FILE *> &files)
{
    coordinates_reader r;
    xy_unit unit;
    std::vector<part_span> parts;
    job_facts facts{};
    std::rewind(in);
    const pass_end end = survey_parts(in, starts, std::numeric_limits<std::int64_t>::max(),
                                      motion_model{}, parts, facts, r, unit);
    if (end.result != read_result::finished || end.misplaced)
        return false;
    for (const part_span &p : parts) {
        files.push_back(scratch());
        if (!write_part(in, 0, p.from, p.to, files.back()))
            std::abort();
    }
    return true;
}

std::FILE *holding(const std::string &bytes)
{
    std::FILE *f = scratch();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

} // namespace

// A job read may write a number otherwise than trace2xy would ("01.50"), which xymerge
// writes anew: the job as xymerge writes it is the one that must come back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::vector<std::int64_t> starts{1};
    for (int k = 0; k < 8; ++k)
        if (data[0] >> k & 1)
            starts.push_back(k + 2);
    std::FILE *in = holding(std::string(reinterpret_cast<const char *>(data + 1), size - 1));
    std::vector<std::FILE *> parts;
    if (cut(in, {1}, parts)) {
        const std::string job = joined({in});
        std::FILE *again = holding(job);
        for (std::FILE *f : parts)
            std::fclose(f);
        parts.clear();
        if (joined({again}) != job || !cut(again, starts, parts) || joined(parts) != job)
            std::abort();
        std::fclose(again);
    }
    for (std::FILE *f : parts)
        std::fclose(f);
    std::fclose(in);
    return 0;
}
