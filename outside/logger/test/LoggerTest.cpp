#include "logger/Logger.h"

#include <gtest/gtest.h>

#include "support/TempRoot.h"

#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class LoggerTest : public support::TempRootTest {
protected:
    std::string contents(const char* name) const { return root.ReadFile(name).value_or(""); }
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
