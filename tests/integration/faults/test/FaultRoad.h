// The whole road for the fault tests: the host simulator, the fault proxy in front of it, and
// veka (headless, on a thread of the test) with one File device writing each host message to
// a file of its own over a QUILSP route through the proxy. The host side plays a host that
// sends protected messages one at a time and sends a message again when its acknowledgement
// does not come.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/Program.h"
#include "faultproxy/FaultProxy.h"
#include "quilhost/QuilHost.h"
#include "support/TempRoot.h"

namespace faults {

// What became of one host message.
enum class Outcome {
    Accepted,  // acknowledged with status "0"
    Refused,   // acknowledged with another status: reported as not accepted
    Lost,      // no acknowledgement after every try
};

class FaultRoad : public support::TempRootTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts veka and waits until its device's session has begun and the host has reset the
    // sequence ("CR"); false when that did not happen in time.
    [[nodiscard]] bool StartAndReset();
    // Sends protected message `number` (its text "MSG <number>") until it is acknowledged,
    // at most `tries` times, each try waiting up to waitMs for the acknowledgement.
    Outcome Send(int number, int tries = 6, int waitMs = 30000);
    // How many times each message's text is in the device's output.
    std::map<int, int> Written() const;
    // Waits until the device has connected again after a break: the host answered on a
    // connection newer than `after`, which its session (begun afresh or taken up again)
    // is on by then.
    [[nodiscard]] bool WaitForNewConnection(int after, int timeoutMs = 60000) const;
    int LastSession() const;
    // The host's connection of the session, 0 when there is none.
    int ConnectionOf(int session) const;

    quilhost::QuilHost host;
    std::unique_ptr<faultproxy::FaultProxy> proxy;
    std::filesystem::path outDir;

private:
    // The acknowledgement of the message with this TSN letter (host code), or a refusal,
    // received after event `from`; its status, or nothing by the deadline or once
    // `connection` has closed (nothing more can come on it).
    std::optional<char> WaitForAck(std::uint8_t tsn, std::size_t from, int connection,
                                   int waitMs) const;

    shell::AppState m_state;
    app::CProgram m_program{m_state, nullptr};
    std::thread m_runner;
    std::atomic<bool> m_ended{false};
    int m_next = 0;  // index of the next TSN
};

}  // namespace faults
