// quilhost: a QUIL host on a loopback port. Runs a script (a file, or standard input line by
// line) and prints its trace. The first line printed names the port.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "quilhost/HostScript.h"
#include "quilhost/QuilHost.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: quilhost [--check] [--address 127.x.y.z] [--port n] [--keep] [script]\n"
                 "  runs the script (standard input when none is named) against a host on\n"
                 "  127.0.0.1 (or the loopback address given) and a free port (or the one\n"
                 "  given); --check only parses the script; --keep goes on after the script\n"
                 "  with the commands of standard input\n");
    return 2;
}

// Runs the commands of standard input, line by line, until it closes.
void RunInput(quilhost::QuilHost& host) {
    std::string line;
    std::string error;
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

}  // namespace

int main(int argc, char** argv) {
    bool check = false;
    bool keep = false;
    std::string address = "127.0.0.1";
    long port = 0;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--check") {
            check = true;
        } else if (arg == "--keep") {
            keep = true;
        } else if (arg == "--address" && hasValue) {
            address = argv[++i];
        } else if (arg == "--port" && hasValue) {
            char* end = nullptr;
            port = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || port < 0 || port > 65535) return Usage();
        } else if (arg == "--help" || arg == "-h" || arg.starts_with("--") || path != nullptr) {
            return Usage();
        } else {
            path = argv[i];
        }
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
    if (!host.Start(address, static_cast<std::uint16_t>(port))) {
        std::fprintf(stderr, "quilhost: cannot listen on %s port %ld\n", address.c_str(), port);
        return 1;
    }
    int rc = 0;
    if (path != nullptr) {
        if (!script.Run(host, error)) {
            std::fprintf(stderr, "quilhost: %s\n", error.c_str());
            rc = 1;
        }
    }
    if (path == nullptr || keep) {
        if (keep) {
            std::fprintf(stdout, "script ended (%s); taking commands from standard input\n",
                         rc == 0 ? "ok" : "failed");
            std::fflush(stdout);
        }
        RunInput(host);
    }
    host.Stop();
    return rc;
}
