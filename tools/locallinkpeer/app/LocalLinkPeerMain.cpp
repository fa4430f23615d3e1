// locallinkpeer: the local link program's stand-in. It listens on the loopback port given
// (0: a free one), prints "port N", then one line per question, and answers each with the
// next button of its script (1 OK, 2 Cancel; the last one repeats) until its input closes.
//
//   locallinkpeer PORT BUTTON...
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "locallinkpeer/LocalLinkPeer.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: locallinkpeer PORT BUTTON...\n");
        return 2;
    }
    const long port = std::strtol(argv[1], nullptr, 10);
    if (port < 0 || port > 65535) {
        std::fprintf(stderr, "locallinkpeer: bad port %s\n", argv[1]);
        return 2;
    }
    std::vector<std::uint32_t> buttons;
    for (int i = 2; i < argc; ++i)
        buttons.push_back(static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10)));
    locallinkpeer::LocalLinkPeer peer(buttons);
    if (!peer.Start(static_cast<std::uint16_t>(port))) {
        std::fprintf(stderr, "locallinkpeer: cannot listen on port %ld\n", port);
        return 1;
    }
    std::printf("port %u\n", static_cast<unsigned>(peer.Address().port));
    std::fflush(stdout);
    std::size_t shown = 0;
    std::string ignored;
    // One line of input shows the questions that came meanwhile; the end of input stops.
    while (std::getline(std::cin, ignored)) {
        const auto questions = peer.Questions();
        for (; shown < questions.size(); ++shown)
            std::printf("question 0x%04x %s\n", questions[shown].code,
                        questions[shown].text.c_str());
        std::fflush(stdout);
    }
    return 0;
}
