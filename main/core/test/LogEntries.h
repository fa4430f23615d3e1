// The entries of the machine's trace log file, split into their fields.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "notify/Notify.h"

struct LogEntry {
    int level = -1;
    std::string file;
    int line = 0;
    std::string text;
};

inline std::vector<LogEntry> ReadLogEntries() {
    std::istringstream in(Notify::ReadLog());
    std::vector<LogEntry> entries;
    const std::regex withSource(R"(\S+ (\d+) (\S+)\((\d+)\) (.*))");
    const std::regex plain(R"(\S+ (\d+) (.*))");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        LogEntry entry;
        if (std::regex_match(line, m, withSource)) {
            entry = {std::stoi(m[1]), m[2], std::stoi(m[3]), m[4]};
        } else if (std::regex_match(line, m, plain)) {
            entry.level = std::stoi(m[1]);
            entry.text = m[2];
        } else {
            ADD_FAILURE() << "unexpected log line: " << line;
        }
        entries.push_back(entry);
    }
    return entries;
}

// "label  Time = <ticks> text" with the ticks replaced by T.
inline std::string WithoutTicks(const std::string& line) {
    return std::regex_replace(line, std::regex(R"(  Time = \d+ )"), "  Time = T ");
}

// The texts (ticks replaced) of the entries written since `from`.
inline std::vector<std::string> LogTextsSince(std::size_t from) {
    std::vector<std::string> texts;
    const auto entries = ReadLogEntries();
    for (std::size_t i = from; i < entries.size(); ++i)
        texts.push_back(WithoutTicks(entries[i].text));
    return texts;
}
