// What every program does before it opens anything: keeps a file opened later from taking
// the number of standard input, output or error when the program was started with one of
// them closed, and has writes past a file-size limit fail rather than end the run.
#pragma once

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

// Opens /dev/null on each of descriptors 0 to 2 that is closed, for reading only, so
// that writing to it fails (and is reported) rather than landing in another file.
inline void open_standard_descriptors()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) == -1 && open("/dev/null", O_RDONLY) != fd)
            _exit(2);
}

// Readies a program before it opens anything: the standard descriptors as above, and a
// write past a file-size limit failing, to be reported, rather than killing the run.
inline void prepare_program()
{
    open_standard_descriptors();
    std::signal(SIGXFSZ, SIG_IGN);
}
