// A fresh machine root for one test: a new temporary folder that TREVO_HOME points to while
// the object lives. The previous TREVO_HOME comes back and the folder is removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace support {

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& path() const noexcept { return m_path; }
    // A path below the root ("windows/X.INI").
    std::filesystem::path operator/(std::string_view relative) const { return m_path / relative; }

    // Writes a file below the root, making its folders; fails the test when it cannot.
    void WriteFile(std::string_view relative, std::string_view contents) const;
    // The file's contents, or nothing when it cannot be read.
    std::optional<std::string> ReadFile(std::string_view relative) const;

private:
    std::filesystem::path m_path;
    std::optional<std::string> m_previous;
};

// A test fixture with its own machine root.
class TempRootTest : public ::testing::Test {
protected:
    TempRoot root;
};

}  // namespace support
