// printersim: a ticket printer, an async-mini terminal or a forms printer on a
// pseudo-terminal. It prints the line's name for the program's port map, then one line per
// frame or request it receives, and answers with its default answers until its input
// closes.
//
//   printersim [--stay] atb2|asyncmini
//   printersim [--stay] forms [--tickets] [--stock CODE] [--barcodes CODE,CODE,...]
//
// With --stay it runs until SIGTERM or SIGINT instead of until its input closes.
//
// A forms printer holds tickets of the stock code given (05 when none is) whose bar codes
// are those given, one per eject; with --tickets the ticket printer frames written to it
// are answered as that printer answers them.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <optional>
#include <string>

#include "printersim/FormPrinter.h"
#include "printersim/LinePrinter.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: printersim [--stay] atb2|asyncmini\n"
                 "       printersim [--stay] forms [--tickets] [--stock CODE] "
                 "[--barcodes CODE,...]\n");
    return 2;
}

// Printable text of a payload: bytes outside 0x20-0x7E as \xNN.
std::string Show(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::deque<std::string> SplitCodes(const std::string& list) {
    std::deque<std::string> codes;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        const std::size_t end = comma == std::string::npos ? list.size() : comma;
        if (end > start) codes.push_back(list.substr(start, end - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

bool g_stay = false;
sigset_t g_endSignals;

// Until the input closes, or with --stay until SIGTERM or SIGINT.
void WaitForTheEnd() {
    if (g_stay) {
        int signal = 0;
        (void)sigwait(&g_endSignals, &signal);
        return;
    }
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
}

// Starts the printer, names its line and serves until the end.
template <typename Printer>
int Serve(Printer& printer) {
    if (!printer.Start()) {
        std::fprintf(stderr, "printersim: no pseudo-terminal\n");
        return 1;
    }
    std::printf("line %s\n", printer.LinePath().c_str());
    std::fflush(stdout);
    WaitForTheEnd();
    return 0;
}

int RunLine(printersim::LineKind kind) {
    printersim::LinePrinter printer(kind);
    printer.SetAnswerer([kind](const printersim::LineFrame& frame) {
        std::string text(frame.data.begin(), frame.data.end());
        std::printf("frame %s%s\n", text.c_str(), frame.checkOk ? "" : " (bad check)");
        std::fflush(stdout);
        return printersim::LinePrinter::DefaultAnswer(kind, frame);
    });
    return Serve(printer);
}

int RunForms(int argc, char** argv) {
    bool tickets = false;
    std::optional<std::string> stock;
    std::deque<std::string> barCodes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--tickets") {
            tickets = true;
        } else if (arg == "--stock" && i + 1 < argc) {
            stock = argv[++i];
        } else if (arg == "--barcodes" && i + 1 < argc) {
            barCodes = SplitCodes(argv[++i]);
        } else {
            return Usage();
        }
    }
    printersim::FormPrinter printer(tickets);
    if (stock) printer.SetStockCode(*stock);
    printer.SetBarCodes(std::move(barCodes));
    // Shows each request as it comes and leaves the answer to the printer.
    printer.SetScript([](const printersim::FormRequest& r) {
        std::printf("request %c %s\n", r.letter, Show(r.payload).c_str());
        std::fflush(stdout);
        return std::optional<printersim::FormAnswer>();
    });
    return Serve(printer);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--stay") == 0) {
        g_stay = true;
        --argc;
        ++argv;
    }
    // Blocked before any thread starts, so that only the wait takes them.
    sigemptyset(&g_endSignals);
    sigaddset(&g_endSignals, SIGTERM);
    sigaddset(&g_endSignals, SIGINT);
    if (g_stay) (void)pthread_sigmask(SIG_BLOCK, &g_endSignals, nullptr);
    if (argc < 2) return Usage();
    if (std::strcmp(argv[1], "forms") == 0) return RunForms(argc - 1, argv + 1);
    if (argc != 2) return Usage();
    if (std::strcmp(argv[1], "atb2") == 0) return RunLine(printersim::LineKind::Atb2);
    if (std::strcmp(argv[1], "asyncmini") == 0) return RunLine(printersim::LineKind::AsyncMini);
    return Usage();
}
