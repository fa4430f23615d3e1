// quilhost: a QUIL host on a loopback port. Runs a script (a file, or standard input line by
// line) and prints its trace. The first line printed names the port.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "quilhost/HostScript.h"
#include "quilhost/QuilHost.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: quilhost [--check] [script]\n"
                 "  runs the script (standard input when none is named) against a host on\n"
                 "  127.0.0.1 and a free port; --check only parses the script\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool check = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--check")
            check = true;
        else if (arg == "--help" || arg == "-h" || path != nullptr)
            return Usage();
        else
            path = argv[i];
    }

    quilhost::HostScript script;
    std::string error;
    if (path != nullptr) {
        std::ifstream in(path);
        if (!in) {
            std::fprintf(stderr, "quilhost: cannot read %s\n", path);
            return 2;
        }
        std::stringstream text;
        text << in.rdbuf();
        if (!script.Parse(text.str(), error)) {
            std::fprintf(stderr, "quilhost: %s: %s\n", path, error.c_str());
            return 2;
        }
        if (check) return 0;
    } else if (check) {
        return Usage();
    }

    quilhost::QuilHost host;
    host.SetTraceSink([](const std::string& line) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    });
    if (!host.Start()) {
        std::fprintf(stderr, "quilhost: cannot listen on a loopback port\n");
        return 1;
    }
    int rc = 0;
    if (path != nullptr) {
        if (!script.Run(host, error)) {
            std::fprintf(stderr, "quilhost: %s\n", error.c_str());
            rc = 1;
        }
    } else {
        std::string line;
        for (int number = 1; std::getline(std::cin, line); ++number) {
            auto command = quilhost::HostScript::ParseLine(line, number, error);
            if (!error.empty()) {
                std::fprintf(stderr, "quilhost: line %d: %s\n", number, error.c_str());
                continue;
            }
            if (command && !quilhost::HostScript::Run(*command, host, error))
                std::fprintf(stderr, "quilhost: %s\n", error.c_str());
        }
    }
    host.Stop();
    return rc;
}
