#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileOps.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

using namespace platform;
namespace fs = std::filesystem;

using FileOps = support::TempRootTest;

TEST_F(FileOps, CreateDirectoryGivesWin32Results) {
    EXPECT_TRUE(CreateDirectory(root / "a"));
    EXPECT_FALSE(CreateDirectory(root / "a"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectory(root / "missing/b"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_TRUE(CreateDirectories(root / "x/y/z"));
    EXPECT_TRUE(CreateDirectories(root / "x/y/z"));
    root.WriteFile("file", "f");
    EXPECT_FALSE(CreateDirectories(root / "file"));
    EXPECT_FALSE(CreateDirectories(root / "file/sub"));
}

TEST_F(FileOps, MoveFileReplacesOnlyWhenAsked) {
    root.WriteFile("from", "new");
    root.WriteFile("to", "old");
    EXPECT_FALSE(MoveFile(root / "from", root / "to", false));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(root.ReadFile("to"), "old");
    EXPECT_EQ(root.ReadFile("from"), "new");

    EXPECT_TRUE(MoveFile(root / "from", root / "to", true));
    EXPECT_EQ(root.ReadFile("to"), "new");
    EXPECT_FALSE(fs::exists(root / "from"));

    EXPECT_TRUE(MoveFile(root / "to", root / "fresh", false));
    EXPECT_EQ(root.ReadFile("fresh"), "new");
    EXPECT_FALSE(fs::exists(root / "to"));

    EXPECT_FALSE(MoveFile(root / "gone", root / "other", true));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(MoveFile(root / "fresh", root / "no/such/folder", true));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(root.ReadFile("fresh"), "new");
}

TEST_F(FileOps, ReadWholeFileRefusesFilesAboveTheBound) {
    root.WriteFile("f", std::string(100, 'x'));
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(root / "f", bytes, 100));
    EXPECT_EQ(bytes.size(), 100u);
    EXPECT_FALSE(ReadWholeFile(root / "f", bytes, 99));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_FALSE(ReadWholeFile(root / "none", bytes, 99));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    root.WriteFile("empty", "");
    EXPECT_TRUE(ReadWholeFile(root / "empty", bytes, 0));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(FileOps, ReplaceFileContentsKeepsTheModeAndLeavesNoTemporaryFile) {
    const std::string text = "[s]\nk=v\n";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    ASSERT_TRUE(ReplaceFileContents(root / "new.ini", bytes));
    EXPECT_EQ(root.ReadFile("new.ini"), text);
    EXPECT_EQ(fs::status(root / "new.ini").permissions(), static_cast<fs::perms>(kSharedFileMode));

    fs::permissions(root / "new.ini", static_cast<fs::perms>(0640));
    ASSERT_TRUE(ReplaceFileContents(root / "new.ini", std::span(bytes).first(3)));
    EXPECT_EQ(root.ReadFile("new.ini"), "[s]");
    EXPECT_EQ(fs::status(root / "new.ini").permissions(), static_cast<fs::perms>(0640));

    EXPECT_FALSE(ReplaceFileContents(root / "no/folder.ini", bytes));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root.path())) ++entries;
    EXPECT_EQ(entries, 1u);
}
