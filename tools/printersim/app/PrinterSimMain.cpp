// printersim: a ticket printer or an async-mini terminal on a pseudo-terminal. It prints the
// line's name for the program's port map, then one line per frame it receives, and answers
// with its default answers until its input closes.
//
//   printersim atb2|asyncmini
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "printersim/LinePrinter.h"

int main(int argc, char** argv) {
    if (argc != 2 ||
        (std::strcmp(argv[1], "atb2") != 0 && std::strcmp(argv[1], "asyncmini") != 0)) {
        std::fprintf(stderr, "usage: printersim atb2|asyncmini\n");
        return 2;
    }
    const auto kind = std::strcmp(argv[1], "atb2") == 0 ? printersim::LineKind::Atb2
                                                        : printersim::LineKind::AsyncMini;
    printersim::LinePrinter printer(kind);
    printer.SetAnswerer([kind](const printersim::LineFrame& frame) {
        std::string text(frame.data.begin(), frame.data.end());
        std::printf("frame %s%s\n", text.c_str(), frame.checkOk ? "" : " (bad check)");
        std::fflush(stdout);
        return printersim::LinePrinter::DefaultAnswer(kind, frame);
    });
    if (!printer.Start()) {
        std::fprintf(stderr, "printersim: no pseudo-terminal\n");
        return 1;
    }
    std::printf("line %s\n", printer.LinePath().c_str());
    std::fflush(stdout);
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;
}
