// pipereader: a client of a named pipe device. Opens "\\.\PIPE\<name>" (under the machine
// root) and prints each message it reads as one line "<name>: <text>", opening the pipe again
// whenever the device drops it, until a termination or interrupt signal. With --hang it opens
// the pipe and never reads, as a client program that stopped answering.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/NamedPipe.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) {
    g_stop = 1;
}

constexpr int kLookMs = 200;  // how often a wait looks at the stop flag

int Usage() {
    std::fprintf(stderr, "usage: pipereader [--hang] <pipe name>\n");
    return 2;
}

// Bytes outside printable text are shown as <XX>.
std::string Show(const std::vector<std::uint8_t>& message) {
    std::string text;
    for (const std::uint8_t b : message) {
        if (b >= 0x20 && b < 0x7F) {
            text.push_back(static_cast<char>(b));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", b);
            text += hex;
        }
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    bool hang = false;
    std::string name;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hang")
            hang = true;
        else if (arg.starts_with("-") || !name.empty())
            return Usage();
        else
            name = arg;
    }
    if (name.empty()) return Usage();
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    const std::string pipe = "\\\\.\\PIPE\\" + name;

    platform::NamedPipeClient client;
    bool told = false;
    while (g_stop == 0) {
        if (!client.IsOpen()) {
            if (!client.Open(pipe, kLookMs)) continue;
            if (!told) std::printf("%s: open%s\n", name.c_str(), hang ? ", not reading" : "");
            told = true;
            std::fflush(stdout);
        }
        if (hang) {
            // Keeps the pipe open without reading; only the stop flag ends the wait.
            std::this_thread::sleep_for(std::chrono::milliseconds(kLookMs));
            continue;
        }
        std::vector<std::uint8_t> message;
        if (client.ReadMessage(message, kLookMs)) {
            std::printf("%s: %s\n", name.c_str(), Show(message).c_str());
            std::fflush(stdout);
        } else if (platform::GetLastError() != platform::ERROR_TIMEOUT) {
            client.Close();  // the device dropped the pipe: open it again
        }
    }
    client.Close();
    return 0;
}
