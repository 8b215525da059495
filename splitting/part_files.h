// The files of a job's parts. A part is whole nets of the job as they stand in its file,
// so its file is that range of bytes, which trace2xy would write from the nets' records,
// and the trailer. Several parts are put in place all together, or none.
#pragma once

#include "job_survey.h"
#include "output_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The job, as a stream that can be read again from base: the file itself, or for standard
// input or a pipe, a copy in a temporary file; stamped before its first pass.
struct job_input {
    std::FILE *in;
    const char *name;
    std::int64_t base;
    file_stamp stamp;
};

// Writes the bytes [from, to) of in, counted from base, and the trailer to out; returns
// false, with errno, when a read or a write failed.
bool write_part(std::FILE *in, std::int64_t base, std::int64_t from, std::int64_t to,
                std::FILE *out);

// The name of part number of count parts of prefix: PREFIX-N.xy, N zero-padded to as many
// digits as count has, so that a shell's glob takes the parts in order.
std::string part_name(const std::string &prefix, std::size_t number, std::size_t count);

// The files beside prefix named as its parts are (PREFIX-digits.xy) that count parts
// would not replace, which a later glob of the parts would take in.
std::vector<std::string> stale_parts(const std::string &prefix, std::size_t count);

// Writes every part of j into its file and puts them in place together, the terminating
// signals held off from the first name made: all of them, or none, the old files then as
// they were, but for those already replaced. A signal that arrives before the last part is
// written stops the writing, with none in place, as does a change to j's file since its
// stamp. Returns false, with failed naming the file and errno (EINTR for a signal) or
// refusal why.
bool place_parts(const job_input &j, const std::vector<part_span> &parts, const std::string &prefix,
                 std::string &failed, const char *&refusal);
