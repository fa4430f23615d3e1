#include "support/TempRoot.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace support {

TempRoot::TempRoot() {
    if (const char* previous = std::getenv("TREVO_HOME")) m_previous = previous;
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "trevo-test-%016llx",
                      static_cast<unsigned long long>(random()));
        const std::filesystem::path candidate = (ec ? "/tmp" : base) / name;
        if (std::filesystem::create_directory(candidate, ec) && !ec) m_path = candidate;
    }
    if (m_path.empty()) {
        ADD_FAILURE() << "cannot make a temporary machine root";
        m_path = std::filesystem::path("/nonexistent-trevo-test-root");
    }
    ::setenv("TREVO_HOME", m_path.c_str(), 1);
}

TempRoot::~TempRoot() {
    if (m_previous)
        ::setenv("TREVO_HOME", m_previous->c_str(), 1);
    else
        ::unsetenv("TREVO_HOME");
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void TempRoot::WriteFile(std::string_view relative, std::string_view contents) const {
    const std::filesystem::path file = m_path / relative;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    ASSERT_TRUE(out) << "cannot write " << file;
}

std::optional<std::string> TempRoot::ReadFile(std::string_view relative) const {
    std::ifstream in(m_path / relative, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace support
