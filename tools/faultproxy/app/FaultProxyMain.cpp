// faultproxy: a TCP proxy on a loopback port in front of a target on loopback, breaking its
// connections on command. The first line printed names the port; then each line of standard
// input is a command:
//   pass | blackhole | slices | latency <ms>   how traffic goes from now on
//   reset                                      reset every open connection
//   cut                                        cut the next bytes from the target halfway
//   refuse on|off                              reset new connections at once
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "faultproxy/FaultProxy.h"

int main(int argc, char** argv) {
    std::string address = "127.0.0.1";
    long port = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--address") {
            address = argv[i + 1];
        } else if (arg == "--target") {
            port = std::strtol(argv[i + 1], nullptr, 10);
        } else {
            port = 0;
            break;
        }
    }
    if (argc % 2 == 0 || port <= 0 || port > 65535) {
        std::fprintf(stderr, "usage: faultproxy --target <port> [--address 127.x.y.z]\n");
        return 2;
    }
    faultproxy::FaultProxy proxy(address, static_cast<std::uint16_t>(port));
    if (!proxy.Start()) {
        std::fprintf(stderr, "faultproxy: cannot listen on a loopback port\n");
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", unsigned(proxy.Port()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, value;
        words >> command >> value;
        if (command == "pass") {
            proxy.SetMode(faultproxy::Mode::Pass);
        } else if (command == "blackhole") {
            proxy.SetMode(faultproxy::Mode::BlackHole);
        } else if (command == "slices") {
            proxy.SetMode(faultproxy::Mode::Slices);
        } else if (command == "latency" && !value.empty()) {
            proxy.SetMode(faultproxy::Mode::Latency, std::atoi(value.c_str()));
        } else if (command == "reset") {
            proxy.ResetAll();
        } else if (command == "cut") {
            proxy.CutNextFromTarget();
        } else if (command == "refuse" && (value == "on" || value == "off")) {
            proxy.SetRefuse(value == "on");
        } else if (!command.empty()) {
            std::fprintf(stderr, "faultproxy: unknown command: %s\n", line.c_str());
            continue;
        }
        if (!command.empty()) std::printf("ok %s\n", line.c_str());
        std::fflush(stdout);
    }
    proxy.Stop();
    return 0;
}
