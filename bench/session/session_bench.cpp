// Messages per second through a session with translation: Send -> the driver (a fake that
// echoes every message back) -> OnReceive -> Receive, against translating the same bytes
// to the host and back alone (ClientToQFE + QFEToClient), the least the session must do.
// Prints the ratio of the two times at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/Ratio.h"
#include "platform/DynamicLibrary.h"
#include "session/QUILSessionConfig.h"
#include "session/SessionBase.h"
#include "support/FakeDriver.h"
#include "toolkit/QorTran.h"
#include "toolkit/QorTranTables.h"

namespace {

using namespace SessionNS;

const std::string& ClientText() {
    static const std::string text = [] {
        std::string line;
        while (line.size() < 200) {
            line += "1ABC123 LHRJFK 12MAR Y ";
        }
        return line.substr(0, 200);
    }();
    return text;
}

class BenchSession final : public CSessionBase {
public:
    using CSessionBase::OnGetCfgInfo;
    using CSessionBase::OnGetSessionData;
    using CSessionBase::OnStoreCfgInfo;
    using CSessionBase::OnStoreSessionChanges;
    ~BenchSession() override { Terminate(); }
    void OnStoreSessionChanges(const char*, const char*, unsigned int) override {}
    void OnGetSessionData(const char*, char*, unsigned int* length) override { *length = 0; }
    bool OnGetCfgInfo(const char*, const char*, char*, unsigned int*) override { return false; }
    bool OnStoreCfgInfo(const char*, const char*, const char*, unsigned int) override {
        return false;
    }
};

void BM_TranslateBothWays(benchmark::State& state) {
    using QorTranNS::CQorTran;
    const CQorTran tran(QorTranNS::kAsciiClientToQFE, QorTranNS::kAsciiClientToExtendedQFE,
                        QorTranNS::kAsciiQFEToClient, QorTranNS::kAsciiExtendedQFEToClient);
    const std::string& text = ClientText();
    std::uint8_t* host = nullptr;
    std::uint8_t* client = nullptr;
    std::uint32_t hostLength = 0;
    std::uint32_t clientLength = 0;
    for (auto _ : state) {
        auto rc = tran.ClientToQFE(reinterpret_cast<const std::uint8_t*>(text.data()),
                                   static_cast<std::uint32_t>(text.size()), &host, &hostLength, 0,
                                   CQorTran::EOM_4E, 0);
        auto eom = CQorTran::EOM_NOT_FOUND;
        auto span = CQorTran::SPAN_NONE;
        rc = tran.QFEToClient(host, hostLength, &client, &clientLength, eom, span, 0, 0, 1, 0, 1);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(client);
    }
    CQorTran::DeallocateLastMessage(&host);
    CQorTran::DeallocateLastMessage(&client);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_TranslateBothWays);

void BM_SessionRoundTrip(benchmark::State& state) {
    ::setenv("TREVO_PLUGIN_DIR", TREVO_FAKE_DRIVER_DIR, 1);
    platform::DynamicLibrary driver;
    support::IFakeDriverControl* (*control)() = nullptr;
    const platform::SymbolBinding bindings[] = {platform::BindSymbol("FakeDriverControl", control)};
    if (!driver.Open(std::string(TREVO_FAKE_DRIVER_DIR) + "/QUILDRV.so") ||
        !driver.Bind(bindings)) {
        state.SkipWithError("no fake driver");
        return;
    }
    control()->Reset();
    control()->SetEcho(true);
    CQUILSessionConfig config("BENCH");
    config.SetLNIATA("ABC123");
    BenchSession session;
    session.Connect(config, nullptr, 0);
    session.SetTranslationMode(1);
    const std::string& text = ClientText();
    CRequest request;
    CResponse response;
    for (auto _ : state) {
        request.data.set(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        session.Send(request);
        session.Receive(response, 1);
        benchmark::DoNotOptimize(response.data.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SessionRoundTrip);

}  // namespace

int main(int argc, char** argv) {
    bench::RunWithRatios(argc, argv, [](const bench::RatioReporter& reporter) {
        const double alone = reporter.Time("BM_TranslateBothWays");
        const double session = reporter.Time("BM_SessionRoundTrip");
        if (alone > 0.0 && session > 0.0) {
            std::printf(
                "Session round trip / translation alone time ratio, 200-byte message: "
                "%.2f\n",
                session / alone);
        }
    });
    return 0;
}
