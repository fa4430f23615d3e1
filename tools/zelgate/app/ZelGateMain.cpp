// zelgate: a ZEL gateway on loopback. Prints where it listens and serves until its standard
// input ends; text is echoed back, and so is each binary message received whole.
#include <cstdio>
#include <iostream>
#include <string>

#include "zelgate/ZelGate.h"

int main() {
    zelgate::ZelGate gate;
    if (!gate.Start()) {
        std::fprintf(stderr, "zelgate: cannot listen on loopback\n");
        return 1;
    }
    zelgate::GatewaySettings settings;
    settings.echo = true;
    gate.SetSettings(settings);
    std::printf("gateway on 127.0.0.1:%u\n", static_cast<unsigned>(gate.Port()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    gate.Stop();
    return 0;
}
