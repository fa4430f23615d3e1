#include "logger/Logger.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        m_root = std::filesystem::temp_directory_path() /
                 ("logger-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        // The machine root does not exist yet: the first line creates it.
        ::setenv("TREVO_HOME", m_root.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    std::string contents(const char* name) const {
        std::ifstream in(m_root / name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::filesystem::path m_root;
};

TEST_F(LoggerTest, LinesOfSeveralLoggersShareOneFileWithTheirPrefixes) {
    Logger a("Shared.Log", "First: ");
    Logger b("Shared.Log", "Second: ");
    a.logPrint("%s opened %lu\n", "COM1", 7ul);
    b.logPrint("plain\n");
    const std::string longText(2000, 'x');
    a.logPrint("%s\n", longText.c_str());
    EXPECT_EQ(contents("Shared.Log"),
              "First: COM1 opened 7\nSecond: plain\nFirst: " + longText + "\n");
}

TEST_F(LoggerTest, LinesFromManyThreadsAreNeverTorn) {
    Logger log("Threads.Log", "T: ");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i) log.logPrint("thread %d line %03d end\n", t, i);
        });
    for (auto& th : threads) th.join();
    std::istringstream in(contents("Threads.Log"));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_EQ(line.rfind("T: thread ", 0), 0u) << line;
        ASSERT_EQ(line.substr(line.size() - 4), " end") << line;
    }
    EXPECT_EQ(lines, 800);
}

}  // namespace
