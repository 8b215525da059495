// Huge pages asked for with madvise, which the kernel gives to aligned ranges of 2 MiB
// when transparent huge pages are set to "madvise" or "always".
#include "large_buffer.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t huge_page = std::size_t{2} << 20;

// From half a huge page on, the faults saved are worth the memory a page's rest takes.
constexpr std::size_t smallest_huge = huge_page / 2;

} // namespace

void *allocate_large(std::size_t bytes)
{
    if (bytes < smallest_huge)
        return ::operator new(bytes);
    if (bytes > SIZE_MAX - huge_page + 1)
        throw std::bad_alloc();
    const std::size_t whole = (bytes + huge_page - 1) & ~(huge_page - 1);
    void *const memory = ::operator new (whole, std::align_val_t{huge_page});
    // Only a hint: without huge pages the memory serves as well, a little more slowly.
    madvise(memory, whole, MADV_HUGEPAGE);
    return memory;
}

void free_large(void *memory, std::size_t bytes)
{
    if (bytes < smallest_huge)
        ::operator delete(memory);
    else
        ::operator delete (memory, std::align_val_t{huge_page});
}
