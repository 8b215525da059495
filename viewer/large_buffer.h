// The buffers of a picture that grow with the image or the job, kept in the kernel's huge
// pages where it gives them: a buffer of megabytes would otherwise take a page fault every
// 4 KiB as it is first written, which on a virtual machine costs a good part of a picture.
#pragma once

#include <cstddef>
#include <vector>

// Memory for bytes bytes: from 1 MiB on, whole huge pages of 2 MiB aligned to theirs, asked
// for as huge pages (a hint the kernel may not take); below, as operator new gives it.
// Throws std::bad_alloc as operator new does.
void *allocate_large(std::size_t bytes);

// Gives back what allocate_large gave for the same bytes.
void free_large(void *memory, std::size_t bytes);

// The standard allocator's part, over allocate_large and free_large.
template <typename T> struct huge_page_allocator {
    using value_type = T;
    huge_page_allocator() = default;
    template <typename U> huge_page_allocator(const huge_page_allocator<U> &) {}
    T *allocate(std::size_t n)
    {
        return static_cast<T *>(allocate_large(n * sizeof(T)));
    }
    void deallocate(T *p, std::size_t n)
    {
        free_large(p, n * sizeof(T));
    }
    bool operator==(const huge_page_allocator &) const = default;
};

// A vector whose storage is allocated as allocate_large says.
template <typename T> using large_vector = std::vector<T, huge_page_allocator<T>>;
