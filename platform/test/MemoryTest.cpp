// Telling readable memory from memory that would fault.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>

#include "platform/Memory.h"

namespace {

TEST(MemoryTest, TellsReadableFromUnreadable) {
    const std::uint32_t word = 7;
    EXPECT_FALSE(platform::IsBadReadPtr(&word, sizeof word));
    EXPECT_TRUE(platform::IsBadReadPtr(nullptr, 4));
    // A page that is reserved but may not be read, and one byte beyond a readable page.
    const long page = 4096;
    void* mapped = ::mmap(nullptr, 2 * page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* bytes = static_cast<unsigned char*>(mapped);
    ASSERT_EQ(::mprotect(bytes + page, page, PROT_NONE), 0);
    EXPECT_FALSE(platform::IsBadReadPtr(bytes + page - 4, 4));
    EXPECT_TRUE(platform::IsBadReadPtr(bytes + page - 2, 4));
    EXPECT_TRUE(platform::IsBadReadPtr(bytes + page, 1));
    ::munmap(mapped, 2 * page);
}

}  // namespace
