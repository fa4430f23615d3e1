#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/File.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

using namespace platform;
namespace fs = std::filesystem;

using FileTest = support::TempRootTest;

TEST_F(FileTest, DispositionsActAsCreateFileDoes) {
    using D = File::Disposition;
    const struct {
        D disposition;
        bool present;
        bool opens;
        DWORD error;
        const char* contentAfter;  // nullptr: no file
    } cases[] = {
        {D::CreateAlways, true, true, ERROR_ALREADY_EXISTS, ""},
        {D::CreateAlways, false, true, ERROR_SUCCESS, ""},
        {D::OpenAlways, true, true, ERROR_ALREADY_EXISTS, "old"},
        {D::OpenAlways, false, true, ERROR_SUCCESS, ""},
        {D::OpenExisting, true, true, ERROR_SUCCESS, "old"},
        {D::OpenExisting, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {D::CreateNew, true, false, ERROR_FILE_EXISTS, "old"},
        {D::CreateNew, false, true, ERROR_SUCCESS, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string name = "f";
        name += std::to_string(n++);
        SCOPED_TRACE(name);
        if (c.present) root.WriteFile(name, "old");
        File file;
        EXPECT_EQ(file.Open(root / name, c.disposition), c.opens);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(file.IsOpen(), c.opens);
        if (c.opens) {
            EXPECT_EQ(file.existed(), c.present);
        }
        file.Close();
        const auto content = root.ReadFile(name);
        if (c.contentAfter == nullptr) {
            EXPECT_FALSE(content.has_value());
        } else {
            EXPECT_EQ(content, c.contentAfter);
        }
        if (c.opens && !c.present) {
            EXPECT_EQ(fs::status(root / name).permissions(),
                      static_cast<fs::perms>(kSharedFileMode));
        }
    }
    File file;
    EXPECT_FALSE(file.Open(root / "missing/folder/x", D::OpenAlways));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(file.Open(root / "missing/folder/x", D::OpenExisting));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileTest, WritesReadsAndResizes) {
    File file;
    ASSERT_TRUE(file.Open(root / "log", File::Disposition::OpenAlways));
    const std::string text = "line one\r\n";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    ASSERT_TRUE(file.Write(bytes));
    ASSERT_TRUE(file.Write({}));
    ASSERT_TRUE(file.Flush());
    EXPECT_EQ(file.Size(), 10);

    File again;
    ASSERT_TRUE(again.Open(root / "log", File::Disposition::OpenAlways));
    ASSERT_TRUE(again.SeekToEnd());
    ASSERT_TRUE(again.Write(bytes));
    EXPECT_EQ(root.ReadFile("log"), text + text);

    ASSERT_TRUE(again.Seek(5));
    std::uint8_t buffer[32];
    EXPECT_EQ(again.Read(buffer), 15);
    EXPECT_EQ(again.Read(buffer), 0);
    ASSERT_TRUE(again.Resize(4));
    EXPECT_EQ(root.ReadFile("log"), "line");

    again.Close();
    EXPECT_FALSE(again.Write(bytes));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(again.Read(buffer), -1);
}

TEST_F(FileTest, LockIsSharedByEveryOpenOfTheFile) {
    File first;
    File second;
    ASSERT_TRUE(first.Open(root / "q", File::Disposition::OpenAlways));
    ASSERT_TRUE(second.Open(root / "q", File::Disposition::OpenExisting));
    ASSERT_TRUE(first.Lock(0));
    EXPECT_FALSE(second.Lock(20));
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    first.Unlock();
    EXPECT_TRUE(second.Lock(0));
    second.Close();  // closing lets go of the lock too
    EXPECT_TRUE(first.Lock(0));
    File closed;
    EXPECT_FALSE(closed.Lock(0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}
