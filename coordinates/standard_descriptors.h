// Keeps a file opened later from taking the number of standard input, output or error
// when the program was started with one of them closed.
#pragma once

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
