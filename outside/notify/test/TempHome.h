// A temporary machine root for one test: TREVO_HOME points at a fresh directory that is
// removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "trevo-XXXXXX").string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
        ::setenv("TREVO_HOME", m_path.c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
