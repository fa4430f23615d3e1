// Throughput of QFE-to-client translation of a 2,000-byte host message, against a plain
// table lookup over the same bytes (the least any translation must do). Prints the ratio
// of the two times at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "toolkit/QorTran.h"
#include "toolkit/QorTranTables.h"

using QorTranNS::CQorTran;

namespace {

// Capitals, digits, shifted lower case, compacted blanks, and the end-of-message byte.
std::vector<std::uint8_t> Message() {
    const std::uint8_t pattern[] = {0xC1, 0xC2, 0xF1, 0x40, 0x5D, 0x81, 0x5D, 0xC3, 0x4B,
                                    0x5D, 0x40, 0xC5, 0xD4, 0xE2, 0x6B, 0xF9, 0x5D, 0x7A};
    std::vector<std::uint8_t> message;
    while (message.size() < 1999) {
        message.push_back(pattern[message.size() % sizeof pattern]);
    }
    message.push_back(0x4E);
    return message;
}

const std::vector<std::uint8_t>& TheMessage() {
    static const std::vector<std::uint8_t> message = Message();
    return message;
}

void BM_TableLookup(benchmark::State& state) {
    const auto& in = TheMessage();
    std::vector<std::uint8_t> out(in.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < in.size(); ++i) {
            out[i] = QorTranNS::kAsciiQFEToClient[in[i]];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_TableLookup);

void BM_QFEToClient(benchmark::State& state) {
    using namespace QorTranNS;
    const CQorTran tran(kAsciiClientToQFE, kAsciiClientToExtendedQFE, kAsciiQFEToClient,
                        kAsciiExtendedQFEToClient);
    const auto& in = TheMessage();
    std::uint8_t* out = nullptr;
    std::uint32_t length = 0;
    for (auto _ : state) {
        auto eom = CQorTran::EOM_NOT_FOUND;
        auto span = CQorTran::SPAN_NONE;
        const auto rc = tran.QFEToClient(in.data(), static_cast<std::uint32_t>(in.size()), &out,
                                         &length, eom, span, 0, 0, 0, 0, 0);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(out);
    }
    CQorTran::DeallocateLastMessage(&out);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
BENCHMARK(BM_QFEToClient);

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double lookup = reporter.Time("BM_TableLookup");
        const double translate = reporter.Time("BM_QFEToClient");
        if (lookup > 0.0 && translate > 0.0) {
            std::printf("QFEToClient / table lookup time ratio for a 2000-byte message: %.2f\n",
                        translate / lookup);
        }
    });
    return 0;
}
