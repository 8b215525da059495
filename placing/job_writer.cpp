// The tool lines are not copied but follow from the units written, as trace2xy places
// them, so that jobs joined read as one: a net after the last move of the job before it
// gets its "Tool Up" there.
#include "job_writer.h"

#include "diagnostics.h"
#include "whole_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>

int report_pass(const pass_end &end, coordinates_reader &r, const xy_unit &unit, const char *name,
                const char *what)
{
    if (end.result != read_result::unit)
        return report_unread(end.result, r, name);
    if (end.misplaced)
        return report_misplaced(what, r, unit, name);
    complain("%s:%ld: the move to %s would be placed beyond what a coordinates file "
             "holds; nothing written",
             name, r.unit_line, std::string(r.line + move_start.size()).c_str());
    return status_off_bed;
}

void start_jobs(job_writer &w, std::FILE *out)
{
    start_block(w.block, out);
    w.tool = {0, 0};
    w.jobs = 0;
}

pass_end append_job(job_writer &w, std::FILE *in, const placement &how, bool signs_as_read,
                    coordinates_reader &r, xy_unit &unit, job_extents &boxes)
{
    constexpr std::size_t unit_room = xy_line_size + net_room;
    const bool first = w.jobs++ == 0;
    pass_end end = walk(in, r, unit, [&](const xy_unit &u, bool before_nets) {
        if (w.block.failed)
            return false;
        boxes.tool_downs += u.kind == unit_kind::tool_down;
        if (u.kind == unit_kind::net) {
            char *const to = block_room(w.block, unit_room);
            block_used(w.block, put_net(to, w.tool, u.record, u.record_length));
        }
        if (u.kind != unit_kind::move || (before_nets && !first))
            return true;
        point at{u.x, u.y};
        if (!place(how, at))
            return false;
        take_in(boxes.as_read, {u.x, u.y});
        take_in(boxes.placed, at);
        char *const to = block_room(w.block, unit_room);
        block_used(w.block, signs_as_read
                                ? put_move(to, w.tool, at.x, u.x_negative, at.y, u.y_negative)
                                : put_move(to, w.tool, at.x, at.x < 0, at.y, at.y < 0));
        return true;
    });
    end.write_failed = w.block.failed;
    return end;
}

bool finish_jobs(job_writer &w)
{
    block_used(w.block, put_trailer(block_room(w.block, xy_trailer.size())));
    return finish_block(w.block);
}

std::FILE *rereadable(std::FILE *in, const char *name)
{
    struct stat s;
    if (fstat(fileno(in), &s) == 0 && S_ISREG(s.st_mode))
        return in;
    std::FILE *copy = scratch_file();
    bool copied = copy != nullptr;
    char block[1 << 16];
    for (std::size_t got; copied && (got = std::fread(block, 1, sizeof block, in)) > 0;)
        copied = std::fwrite(block, 1, got, copy) == got;
    copied = copied && std::fflush(copy) == 0 && std::fseek(copy, 0, SEEK_SET) == 0;
    if (copied && !std::ferror(in))
        return copy;
    const char *const reason = std::strerror(errno);
    if (!copied)
        complain("%s: %s (its copy, kept in %s to read it twice)", name, reason,
                 scratch_folder().c_str());
    else
        complain("%s: %s", name, reason);
    if (copy)
        std::fclose(copy);
    return nullptr;
}
