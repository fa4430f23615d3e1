// Host messages per second, for protected messages of 10 to 10,000 bytes:
// - through the host link's whole answer: judging the message (sequence numbers, translation
//   to ASCII, reformatting) under the link's lock, carrying out its effects (the trace log),
//   building the acknowledgement and translating it for the host;
// - through the judge alone, the message core: the same judging and acknowledgement, its
//   effects collected and dropped, without a lock, a log or a host control; and the same
//   with the level-0 entries off (not made at all, as when the log does not keep them).
// The baseline is a plain copy of the same bytes, measured in the same run; the ratio of each
// time to the copy's and the cost per byte are printed at the end. The trace log writes every
// entry, as it does in service; run with TREVO_LOG_LEVEL=2 to measure the host link with the
// information entries off.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/NullHostControl.h"
#include "bench/Ratio.h"
#include "core/HostMessageJudge.h"
#include "core/HostTrevo.h"

namespace {

// A protected message of the given length: C1 "A", the TSN, mixed text, EOM "C".
std::string Message(std::size_t length, std::uint8_t tsn) {
    static const std::uint8_t kText[] = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x40, 0x5D, 0xC1,
                                         0xF1, 0xF2, 0x4B, 0x5D, 0x40, 0xC3, 0x15, 0xE6};
    std::string msg;
    msg.push_back(static_cast<char>(0xC1));
    msg.push_back(static_cast<char>(tsn));
    while (msg.size() < length - 1) msg.push_back(static_cast<char>(kText[msg.size() % 16]));
    msg.push_back(0x4E);
    return msg;
}

const std::uint8_t kTsn[16] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8,
                               0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};

void BM_HostLink(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> messages;
    for (std::uint8_t tsn : kTsn) messages.push_back(Message(length, tsn));
    core::CHostTrevo host("Device 01", "HOST", false, false, "", false, false);
    bench::NullHostControl control;
    host.SetHostControl(&control);
    host.SetRegistry(nullptr);  // the rules alone, without the store
    host.SetConnectionState(core::CONNECTION_CONNECTED);
    std::string reset = "\xC3\xD9\x4E";
    (void)host.MsgFromHost(reset);
    (void)host.MsgSendToHost(host.MsgAckToHostCreate(), true);
    std::size_t next = 0;
    for (auto _ : state) {
        std::string msg = messages[next];
        next = (next + 1) % 16;
        host.SetDeviceStatus('0');
        if (host.MsgFromHost(msg) != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
            state.SkipWithError("message not delivered");
            break;
        }
        benchmark::DoNotOptimize(msg.data());
        if (!host.MsgSendToHost(host.MsgAckToHostCreate(), true)) {
            state.SkipWithError("acknowledgement not sent");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_HostLink)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);

// The judge alone; with `lowestLevel` 1 it makes no entry of level 0, as when the log
// keeps only level 1 and up.
void RunJudge(benchmark::State& state, int lowestLevel) {
    const auto length = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> messages;
    for (std::uint8_t tsn : kTsn) messages.push_back(Message(length, tsn));
    core::HostLinkSettings settings;
    settings.m_strDeviceName = "Device 01";
    settings.m_nLowestTraceLevel = lowestLevel;
    core::HostMessageJudge judge(settings);
    core::HostLinkEffects effects;
    std::time_t now = 0;
    std::string reset = "\xC3\xD9\x4E";
    (void)judge.MsgFromHost(reset, now, effects);
    (void)judge.MsgAckToHostCreate('2', effects);
    std::size_t next = 0;
    for (auto _ : state) {
        std::string msg = messages[next];
        next = (next + 1) % 16;
        effects.clear();
        judge.SetDeviceStatus('0', effects);
        if (judge.MsgFromHost(msg, ++now, effects) != core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
            state.SkipWithError("message not delivered");
            break;
        }
        benchmark::DoNotOptimize(msg.data());
        const std::string ack = judge.MsgAckToHostCreate('2', effects);
        if (ack.empty()) {
            state.SkipWithError("no acknowledgement");
            break;
        }
        benchmark::DoNotOptimize(ack.data());
        benchmark::DoNotOptimize(effects.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_Judge(benchmark::State& state) {
    RunJudge(state, INT_MIN);
}
BENCHMARK(BM_Judge)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);

void BM_JudgeLevel0Off(benchmark::State& state) {
    RunJudge(state, 1);
}
BENCHMARK(BM_JudgeLevel0Off)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);

void BM_Copy(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    const std::string in = Message(length, 0xC1);
    std::vector<char> out(length);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), length);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_Copy)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace

int main(int argc, char** argv) {
    // The trace log goes to a machine root of this run's own.
    const bench::OwnMachineRoot root("trevo-bench-");

    bench::RunWithRatios(
        argc, argv,
        [](const bench::RatioReporter& reporter) {
            for (const int length : {10, 100, 1000, 10000}) {
                const std::string arg = "/" + std::to_string(length);
                const double link = reporter.Time("BM_HostLink" + arg);
                const double judge = reporter.Time("BM_Judge" + arg);
                const double quiet = reporter.Time("BM_JudgeLevel0Off" + arg);
                const double copy = reporter.Time("BM_Copy" + arg);
                if (copy <= 0.0) continue;
                if (link > 0.0) {
                    std::printf(
                        "%d-byte message: host link %.0f messages/s (%.2f ns a byte), copy "
                        "%.0f/s, ratio %.1f\n",
                        length, 1e9 / link, link / length, 1e9 / copy, link / copy);
                }
                if (judge > 0.0) {
                    std::printf(
                        "%d-byte message: judge alone %.0f messages/s (%.2f ns a byte), copy "
                        "%.0f/s, ratio %.1f\n",
                        length, 1e9 / judge, judge / length, 1e9 / copy, judge / copy);
                }
                if (quiet > 0.0) {
                    std::printf(
                        "%d-byte message: judge, level-0 entries off, %.0f messages/s (%.2f ns "
                        "a byte), copy %.0f/s, ratio %.1f\n",
                        length, 1e9 / quiet, quiet / length, 1e9 / copy, quiet / copy);
                }
            }
        },
        bench::RatioReporter::Keep::CleanRuns);
    return 0;
}
