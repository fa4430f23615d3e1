// arlohost: a load balancer and an ARLO front end on loopback. Prints where they listen and
// serves until its standard input ends; each binary message received is echoed back.
#include <cstdio>
#include <iostream>
#include <string>

#include "arlohost/ArloHost.h"

int main() {
    arlohost::ArloHost host;
    if (!host.Start()) {
        std::fprintf(stderr, "arlohost: cannot listen on loopback\n");
        return 1;
    }
    std::printf("load balancer on 127.0.0.1:%u, front end on 127.0.0.1:%u\n",
                static_cast<unsigned>(host.LoadBalancerPort()),
                static_cast<unsigned>(host.FrontEndPort()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    host.Stop();
    return 0;
}
