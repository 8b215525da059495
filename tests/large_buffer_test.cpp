// The picture's large buffers: huge pages only from half their size on, aligned to them, and a
// size near the top of the address space refused rather than rounded round to a small one.
#include "large_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>

TEST(large_buffer, buffers_from_one_mebibyte_start_on_a_huge_page)
{
    constexpr std::size_t mib = std::size_t{1} << 20;
    const struct {
        std::size_t bytes;
        bool aligned;
    } cases[] = {{1, false}, {mib - 1, false}, {mib, true}, {2 * mib + 1, true}, {9 * mib, true}};
    for (const auto &c : cases) {
        void *const memory = allocate_large(c.bytes);
        ASSERT_NE(memory, nullptr) << c.bytes;
        if (c.aligned) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % (2 * mib), 0u) << c.bytes;
        }
        std::memset(memory, 0xa5, c.bytes);
        free_large(memory, c.bytes);
    }
    const large_vector<std::uint64_t> drawn(mib, ~std::uint64_t{0});
    EXPECT_EQ(drawn.back(), ~std::uint64_t{0});
}

TEST(large_buffer, size_that_would_round_past_the_address_space_is_refused)
{
    for (const std::size_t bytes : {SIZE_MAX, SIZE_MAX - (std::size_t{1} << 20)})
        EXPECT_THROW(allocate_large(bytes), std::bad_alloc) << bytes;
}
