// Host messages per second along the whole road inside the program: the control's OnReceive,
// the device taking the message through the control, the host link judging it, the send
// thread writing it to the device (memory) and the acknowledgement leaving through the
// control's SendString on the user-interface thread. The baseline is the host link's message
// rules alone (judge, build the acknowledgement, send it to a control that only counts) and
// a round trip of the same bytes over a loopback TCP connection, measured in the same run
// for messages of 10 to 10,000 bytes; the ratios are printed at the end. Both host link
// benchmarks keep the temporary-hold record in the store, as the program does.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "bench/ControlledDevice.h"
#include "bench/NullHostControl.h"
#include "bench/Ratio.h"
#include "core/Device.h"
#include "core/HostCtrl.h"
#include "core/HostTrevo.h"
#include "platform/EventLoop.h"
#include "support/Loopback.h"
#include "support/TestDevice.h"
#include "support/TestPrinterControl.h"

namespace {

const std::uint8_t kTsn[16] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8,
                               0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};

// A protected message of the given length: C1 "A", the TSN, text, EOM "C".
std::string Message(std::size_t length, std::uint8_t tsn) {
    static const std::uint8_t kText[] = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x40, 0xC1, 0xF1,
                                         0xF2, 0x4B, 0x40, 0xC3, 0xE6, 0xC9, 0xD5, 0xC7};
    std::string msg{static_cast<char>(0xC1), static_cast<char>(tsn)};
    while (msg.size() < length - 1) msg.push_back(static_cast<char>(kText[msg.size() % 16]));
    msg.push_back(0x4E);
    return msg;
}

std::vector<std::string> Messages(std::size_t length) {
    std::vector<std::string> messages;
    for (std::uint8_t tsn : kTsn) messages.push_back(Message(length, tsn));
    return messages;
}

void BM_DeviceChain(benchmark::State& state) {
    platform::EventLoop loop;
    core::CHostCtrl slot;
    support::CTestDevice device(
        "Device 01", "PRN1",
        std::make_unique<core::CHostTrevo>("Device 01", "HOST", false, false, "", false, false));
    device.KeepWritten(false);  // a device writes and forgets
    bench::ControlledDevice controlled(slot, device);
    support::TestPrinterHost* host = controlled.Attach(state);
    if (!host) return;
    if (!device.Start()) {
        state.SkipWithError("no send thread");
        return;
    }
    if (!controlled.Connect(state)) return;
    if (!host->Deliver("\xC3\xD9\x4E")) {
        state.SkipWithError("no connection");
        return;
    }
    const std::vector<std::string> messages = Messages(static_cast<std::size_t>(state.range(0)));
    std::size_t next = 0;
    std::uint32_t expected = device.GetStatistics().m_dwHostMsgsSent;
    for (auto _ : state) {
        ++expected;
        if (!host->Deliver(messages[next]) ||
            !loop.PumpUntil([&] { return device.GetStatistics().m_dwHostMsgsSent >= expected; },
                            10000)) {
            state.SkipWithError("acknowledgement not sent");
            break;
        }
        next = (next + 1) % 16;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DeviceChain)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->UseRealTime();

void BM_MessageRules(benchmark::State& state) {
    core::CHostTrevo host("Device 01", "HOST", false, false, "", false, false);
    bench::NullHostControl control;
    host.SetHostControl(&control);
    host.SetConnectionState(core::CONNECTION_CONNECTED);
    std::string reset = "\xC3\xD9\x4E";
    static_cast<void>(host.MsgFromHost(reset));
    static_cast<void>(host.MsgSendToHost(host.MsgAckToHostCreate(), true));
    const std::vector<std::string> messages = Messages(static_cast<std::size_t>(state.range(0)));
    std::size_t next = 0;
    for (auto _ : state) {
        std::string msg = messages[next];
        next = (next + 1) % 16;
        host.SetDeviceStatus('0');
        if (host.MsgFromHost(msg) != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST ||
            !host.MsgSendToHost(host.MsgAckToHostCreate(), true)) {
            state.SkipWithError("message not answered");
            break;
        }
        benchmark::DoNotOptimize(msg.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_MessageRules)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->UseRealTime();

// The machine's own road for the same bytes: a round trip over a loopback TCP connection to
// a thread that sends every message back.
void BM_LoopbackRoundTrip(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    support::SocketPair pair = support::ConnectedPair();
    if (!pair.client.SetNoDelay(true) || !pair.server.SetNoDelay(true)) {
        state.SkipWithError("no connection");
        return;
    }
    std::thread echo([&pair, length] {
        std::vector<std::uint8_t> buffer(length);
        while (pair.server.ReceiveAll(buffer) == static_cast<int>(length) &&
               pair.server.SendAll(buffer)) {
        }
    });
    const std::string message = Message(length, kTsn[0]);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(message.data()), length);
    std::vector<std::uint8_t> answer(length);
    for (auto _ : state) {
        if (!pair.client.SendAll(bytes) ||
            pair.client.ReceiveAll(answer, 10000) != static_cast<int>(length)) {
            state.SkipWithError("no answer");
            break;
        }
    }
    (void)pair.client.Shutdown(platform::ShutdownHow::Both);
    echo.join();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_LoopbackRoundTrip)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // The store, the test control's registration and the trace log live in a machine root of
    // this run's own.
    const bench::OwnMachineRoot root("trevo-bench-");
    if (!bench::RegisterTestControl()) return 1;

    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            for (const int length : {10, 100, 1000, 10000}) {
                const std::string arg = "/" + std::to_string(length) + "/real_time";
                const double chain = reporter.Time("BM_DeviceChain" + arg);
                const double rules = reporter.Time("BM_MessageRules" + arg);
                const double tcp = reporter.Time("BM_LoopbackRoundTrip" + arg);
                if (chain > 0.0 && rules > 0.0 && tcp > 0.0) {
                    std::printf(
                        "%d-byte message: device chain %.0f messages/s (%.2f ns a byte), "
                        "message rules alone %.0f/s (ratio %.1f), loopback TCP round trip "
                        "%.0f/s: chain / TCP speed %.2f\n",
                        length, 1e9 / chain, chain / length, 1e9 / rules, chain / rules, 1e9 / tcp,
                        tcp / chain);
                }
            }
        },
        bench::RatioReporter::Keep::CleanRuns);
    return 0;
}
