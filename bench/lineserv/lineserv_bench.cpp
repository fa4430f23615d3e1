// Throughput of a serial port of the port library over a pseudo-terminal pair: each
// iteration the port writes a block to the far end (writePort) and the far end sends a
// block back that the port takes (readPortT: what has come, else after the notification
// thread signals it); the paced variant writes with writePortT, which also waits until the output
// has drained. The baseline moves the same blocks over the same pair with plain reads and
// writes of the line. Prints the ratio of the two times per block size at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "platform/PortMap.h"
#include "platform/Pty.h"
#include "ports/PDM.h"

namespace {

using platform::Pty;

constexpr int kTimeoutMs = 5000;

Pty& pair() {
    static Pty pty;
    static const bool opened = pty.Open();
    if (!opened) std::fprintf(stderr, "no pseudo-terminal pair\n");
    return pty;
}

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

void BM_RawLine(benchmark::State& state) {
    Pty& pty = pair();
    const std::vector<std::uint8_t> block(static_cast<std::size_t>(state.range(0)), 0x5A);
    std::vector<std::uint8_t> in(block.size());
    for (auto _ : state) {
        if (!pty.Write(Pty::Side::Slave, block, kTimeoutMs) ||
            !readAll(pty, Pty::Side::Master, in) ||
            !pty.Write(Pty::Side::Master, block, kTimeoutMs) ||
            !readAll(pty, Pty::Side::Slave, in)) {
            state.SkipWithError("raw line stalled");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                            static_cast<std::int64_t>(block.size()));
}
BENCHMARK(BM_RawLine)->Arg(64)->Arg(1024)->UseRealTime();

// paced: writePortT, which returns once the output has drained; else writePort.
void portRoundTrips(benchmark::State& state, bool paced) {
    Pty& pty = pair();
    platform::SetPortPath("COM1", pty.slaveName());
    PDM port("COM1", 115200, DATABITS_8, STOPBITS_ONE, FLOWCONTROL_NONE, PARITY_NONE);
    port.setReadIntervalTimeout(0xFFFFFFFFu);
    port.setWriteTotalTimeoutConstant(1000);
    if (port.openPort() != 1) {
        state.SkipWithError("cannot open the port");
        return;
    }
    std::vector<std::uint8_t> block(static_cast<std::size_t>(state.range(0)), 0xA5);
    std::vector<std::uint8_t> in(block.size());
    for (auto _ : state) {
        std::uint32_t written = 0;
        bool ok = (paced ? port.writePortT(block.data(), static_cast<std::uint32_t>(block.size()),
                                           &written, kTimeoutMs)
                         : port.writePort(block.data(), static_cast<std::uint32_t>(block.size()),
                                          &written)) == 1 &&
                  written == block.size() && readAll(pty, Pty::Side::Master, in) &&
                  pty.Write(Pty::Side::Master, block, kTimeoutMs);
        std::size_t have = 0;
        while (ok && have < in.size()) {
            std::uint32_t read = 0;
            ok = port.readPortT(in.data() + have, static_cast<std::uint32_t>(in.size() - have),
                                &read, kTimeoutMs) == 1 ||
                 port.readPortT(in.data() + have, static_cast<std::uint32_t>(in.size() - have),
                                &read, kTimeoutMs) == 1;
            have += read;
        }
        if (!ok) {
            state.SkipWithError("port stalled");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                            static_cast<std::int64_t>(block.size()));
    static_cast<void>(port.closePort());
    platform::ClearPortPaths();
}

void BM_PortWriteAndReadT(benchmark::State& state) {
    portRoundTrips(state, false);
}
BENCHMARK(BM_PortWriteAndReadT)->Arg(64)->Arg(1024)->UseRealTime();

void BM_PortPacedWriteAndReadT(benchmark::State& state) {
    portRoundTrips(state, true);
}
BENCHMARK(BM_PortPacedWriteAndReadT)->Arg(64)->Arg(1024)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        for (const char* size : {"64", "1024"}) {
            const double raw = reporter.Time(std::string("BM_RawLine/") + size + "/real_time");
            for (const char* kind : {"BM_PortWriteAndReadT", "BM_PortPacedWriteAndReadT"}) {
                const double port = reporter.Time(std::string(kind) + "/" + size + "/real_time");
                if (raw > 0.0 && port > 0.0)
                    std::printf("%s-byte blocks, %s: port throughput is %.2f of the raw line's\n",
                                size, kind + 3, raw / port);
            }
        }
    });
    return 0;
}
