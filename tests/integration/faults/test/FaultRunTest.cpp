#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "FaultRoad.h"
#include "support/FakeClockScope.h"

namespace faults {
namespace {

// How many messages, each with a fault of its own; a broken connection every fifth. CI runs
// a hundred (every kind of fault, each way of breaking the connection several times);
// TREVO_FAULTS makes the run longer (a person runs a thousand and more).
int FaultCount() {
    const char* text = std::getenv("TREVO_FAULTS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 100;
}

enum class Fault { Slices, Latency, Cut, Reset, Silence };

// Most faults leave the connection up; every fifth breaks it.
Fault FaultFor(int i) {
    if (i % 5 == 0) return static_cast<Fault>(static_cast<int>(Fault::Cut) + (i / 5 - 1) % 3);
    return i % 2 ? Fault::Slices : Fault::Latency;
}

// Every host message is written once or reported as not accepted; what is acknowledged as
// written is in the output; nothing is written twice. The faults: bytes one at a time,
// latency, a cut in the middle of a record, a reset, and a host gone silent while a message
// is on its way (then the connection breaks); after a break the device connects again and
// the host sends what was not acknowledged once more.
TEST_F(FaultRoad, EveryMessageOnceOrReportedUnderInjectedFaults) {
    ASSERT_TRUE(StartAndReset());
    // The device's keep-alive from now on: its sends find a broken connection and connect
    // again.
    ASSERT_TRUE(host.SendKeepAlive(LastSession()));
    const int count = FaultCount();
    std::map<int, Outcome> outcomes;
    for (int i = 1; i <= count; ++i) {
        const Fault fault = FaultFor(i);
        proxy->SetMode(fault == Fault::Slices    ? faultproxy::Mode::Slices
                       : fault == Fault::Latency ? faultproxy::Mode::Latency
                       : fault == Fault::Silence ? faultproxy::Mode::BlackHole
                                                 : faultproxy::Mode::Pass,
                       1 + i % 20);
        if (fault == Fault::Cut) proxy->CutNextFromTarget();
        if (fault == Fault::Reset) proxy->ResetAll();
        if (fault == Fault::Silence) {
            // Sent into the silence, which then ends in a broken connection.
            static_cast<void>(Send(i, 1, 200));
            proxy->SetMode(faultproxy::Mode::Pass);
            proxy->ResetAll();
        }
        outcomes[i] = Send(i);
        ASSERT_NE(outcomes[i], Outcome::Lost) << "message " << i << " neither written nor refused";
    }
    const std::map<int, int> written = Written();
    for (const auto& [number, outcome] : outcomes) {
        const auto it = written.find(number);
        const int times = it == written.end() ? 0 : it->second;
        EXPECT_LE(times, 1) << "message " << number << " written " << times << " times";
        if (outcome == Outcome::Accepted) {
            EXPECT_EQ(times, 1) << "message " << number << " acknowledged but not written";
        }
    }
    if (count >= 5) {
        EXPECT_GT(proxy->Broken(), 0u);
    }
}

// A device whose output folder cannot be written refuses the message; once the folder is
// back the host's next try of that message is written, and so are the ones after it.
TEST_F(FaultRoad, DeviceThatComesBackIsSeenAgain) {
    ASSERT_TRUE(StartAndReset());
    ASSERT_EQ(Send(1), Outcome::Accepted);
    const std::filesystem::path away = outDir.string() + ".away";
    std::filesystem::rename(outDir, away);
    { std::ofstream(outDir) << "not a folder"; }
    EXPECT_EQ(Send(2, 1), Outcome::Refused);
    std::filesystem::remove(outDir);
    std::filesystem::rename(away, outDir);
    EXPECT_EQ(Send(2), Outcome::Accepted);
    EXPECT_EQ(Send(3), Outcome::Accepted);
    EXPECT_EQ(Written(), (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}}));
}

}  // namespace
}  // namespace faults
