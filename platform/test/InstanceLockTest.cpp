#include "platform/InstanceLock.h"

#include <gtest/gtest.h>

#include "support/TempRoot.h"

using namespace platform;

TEST(InstanceLock, OneHolderPerNameUntilItLetsGo) {
    support::TempRoot root;
    InstanceLock first;
    ASSERT_TRUE(first.Acquire("VEKA001"));
    EXPECT_TRUE(std::filesystem::exists(root / "run/VEKA001.lock"));

    InstanceLock second;
    EXPECT_FALSE(second.Acquire("VEKA001"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(second.Held());

    InstanceLock other;  // another instance id is another name
    EXPECT_TRUE(other.Acquire("VEKA002"));

    first.Release();
    EXPECT_FALSE(std::filesystem::exists(root / "run/VEKA001.lock"));
    EXPECT_TRUE(second.Acquire("VEKA001"));
    EXPECT_TRUE(std::filesystem::exists(root / "run/VEKA001.lock"));
    second.Release();
    EXPECT_FALSE(std::filesystem::exists(root / "run/VEKA001.lock"));

    InstanceLock bad;
    EXPECT_FALSE(bad.Acquire("../VEKA"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}
