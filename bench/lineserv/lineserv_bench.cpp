// Write and read of a serial port of the port library against the bare pseudo-terminal.
// Each round the port writes a block to the far end and the far end sends a block back that
// the port takes (readPortT: what has come, else what comes within the time-out); the paced
// rounds write with writePortT, which also waits until the output has drained, the others
// with writePort. The baseline moves the same blocks over a pair of its own with plain
// reads and writes of the line. A baseline round and a port round alternate within one
// benchmark, so that both see the same load of the machine; the ratio of their median round
// times is printed per block size at the end.
//
//     bench_lineserv [block size in bytes ...] [benchmark options]   (default: 64 1024)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/PortMap.h"
#include "platform/Pty.h"
#include "ports/PDM.h"

namespace {

using platform::Pty;
using Clock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 5000;

// Reads exactly out.size() bytes from one side; false when they do not come.
bool readAll(Pty& pty, Pty::Side side, std::vector<std::uint8_t>& out) {
    std::size_t have = 0;
    while (have < out.size()) {
        const long got = pty.Read(side, std::span(out).subspan(have), kTimeoutMs);
        if (got <= 0) return false;
        have += static_cast<std::size_t>(got);
    }
    return true;
}

bool rawRound(Pty& pty, const std::vector<std::uint8_t>& block, std::vector<std::uint8_t>& in) {
    return pty.Write(Pty::Side::Slave, block, kTimeoutMs) && readAll(pty, Pty::Side::Master, in) &&
           pty.Write(Pty::Side::Master, block, kTimeoutMs) && readAll(pty, Pty::Side::Slave, in);
}

bool portRound(PDM& port, Pty& pty, bool paced, std::vector<std::uint8_t>& block,
               std::vector<std::uint8_t>& in) {
    const auto size = static_cast<std::uint32_t>(block.size());
    std::uint32_t written = 0;
    bool ok = (paced ? port.writePortT(block.data(), size, &written, kTimeoutMs)
                     : port.writePort(block.data(), size, &written)) == 1 &&
              written == size && readAll(pty, Pty::Side::Master, in) &&
              pty.Write(Pty::Side::Master, block, kTimeoutMs);
    std::uint32_t have = 0;
    // Two empty time-outs in a row: the bytes are not coming.
    for (int empty = 0; ok && have < size && empty < 2;) {
        std::uint32_t read = 0;
        if (port.readPortT(in.data() + have, size - have, &read, kTimeoutMs) == 1)
            empty = 0;
        else
            ++empty;
        have += read;
    }
    return ok && have == size;
}

double median(std::vector<double>& times) {
    if (times.empty()) return 0.0;
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    return *middle;
}

// Median round times in microseconds, by benchmark name.
struct Medians {
    double raw = 0.0;
    double port = 0.0;
};
std::map<std::string, Medians>& results() {
    static std::map<std::string, Medians> all;
    return all;
}

void writeAndRead(benchmark::State& state, const std::string& name, std::size_t size, bool paced) {
    Pty raw;
    Pty line;
    if (!raw.Open() || !line.Open()) {
        state.SkipWithError("no pseudo-terminal pair");
        return;
    }
    platform::SetPortPath("COM1", line.slaveName());
    PDM port("COM1", 115200, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE);
    port.setReadIntervalTimeout(0xFFFFFFFFu);
    port.setWriteTotalTimeoutConstant(1000);
    if (port.openPort() != 1) {
        state.SkipWithError("cannot open the port");
        platform::ClearPortPaths();
        return;
    }
    std::vector<std::uint8_t> block(size, 0xA5);
    std::vector<std::uint8_t> in(size);
    std::vector<double> rawTimes;
    std::vector<double> portTimes;
    bool portFirst = false;
    for (auto _ : state) {
        bool ok = true;
        for (int turn = 0; turn < 2 && ok; ++turn) {
            const bool portTurn = (turn == 0) == portFirst;
            const Clock::time_point start = Clock::now();
            ok = portTurn ? portRound(port, line, paced, block, in) : rawRound(raw, block, in);
            const std::chrono::duration<double, std::micro> took = Clock::now() - start;
            (portTurn ? portTimes : rawTimes).push_back(took.count());
        }
        if (!ok) {
            state.SkipWithError("a round stalled");
            break;
        }
        portFirst = !portFirst;
    }
    static_cast<void>(port.closePort());
    platform::ClearPortPaths();
    Medians& m = results()[name];
    m.raw = median(rawTimes);
    m.port = median(portTimes);
    state.counters["raw_us"] = m.raw;
    state.counters["port_us"] = m.port;
    if (m.port > 0.0) state.counters["ratio"] = m.raw / m.port;
}

// Takes the leading arguments that are block sizes off the command line.
std::vector<std::size_t> blockSizes(int& argc, char** argv) {
    std::vector<std::size_t> sizes;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(argv[i], &end, 10);
        if (argv[i][0] != '-' && end != argv[i] && *end == '\0' && value > 0 && value <= 65536)
            sizes.push_back(value);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (sizes.empty()) sizes = {64, 1024};
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::size_t> sizes = blockSizes(argc, argv);
    std::vector<std::string> names;
    for (const std::size_t size : sizes) {
        for (const bool paced : {true, false}) {
            const std::string name =
                std::string(paced ? "BM_PacedWriteAndRead/" : "BM_WriteAndRead/") +
                std::to_string(size);
            names.push_back(name);
            benchmark::RegisterBenchmark(name.c_str(),
                                         [name, size, paced](benchmark::State& state) {
                                             writeAndRead(state, name, size, paced);
                                         });
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const std::string& name : names) {
        const auto it = results().find(name);
        if (it == results().end() || it->second.port <= 0.0) continue;
        std::printf(
            "%s: port %.2f of the bare line's write and read (median round %.1f us, bare %.1f "
            "us)\n",
            name.c_str() + 3, it->second.raw / it->second.port, it->second.port, it->second.raw);
    }
    benchmark::Shutdown();
    return 0;
}
