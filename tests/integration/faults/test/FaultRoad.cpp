#include "FaultRoad.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"
#include "quilhost/HostCode.h"
#include "support/FakeClockScope.h"
#include "support/RoadStore.h"

namespace faults {

namespace {

namespace fs = std::filesystem;

const std::string kDevice = "Device 01";

// The sixteen TSN letters in host code.
constexpr std::uint8_t kTsn[16] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8,
                                   0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};

std::string Text(int number) {
    return "MSG " + std::to_string(number) + " END";
}

}  // namespace

void FaultRoad::SetUp() {
    unsetenv("DISPLAY");
    ASSERT_EQ(platform::RegisterServer(platform::MapLibraryName("BRXAPI")), platform::S_OK)
        << platform::ComLastErrorText();
    ASSERT_TRUE(host.Start());
    proxy = std::make_unique<faultproxy::FaultProxy>("127.0.0.1", host.Port());
    ASSERT_TRUE(proxy->Start());

    // The keep-alive notices a silent host within two seconds.
    ASSERT_TRUE(support::WriteQuilRoute(kDevice, "PRN1", proxy->Port(), "1A2B01", 1));
    ASSERT_TRUE(support::WriteFileDevice(kDevice, "PRN1", "MSG"));
    outDir = root / "drive_c/OUT";
    fs::create_directories(outDir);
}

void FaultRoad::TearDown() {
    if (proxy) proxy->SetMode(faultproxy::Mode::Pass);
    if (m_runner.joinable()) {
        // The provider reports the disconnect veka asks for as it stops: the stop never waits
        // out the host control's two-minute limit.
        m_program.RequestClose();
        EXPECT_TRUE(support::Eventually([&] { return m_ended.load(); }, std::chrono::seconds(90)));
        m_runner.join();
    }
    if (proxy) proxy->Stop();
    host.Stop();
    if (const char* keep = std::getenv("TREVO_KEEP_ROOT"); keep && HasFailure()) {
        std::error_code ec;
        fs::copy(root.path(), keep, fs::copy_options::recursive, ec);
    }
}

bool FaultRoad::StartAndReset() {
    m_runner = std::thread([this] {
        static_cast<void>(m_program.Run({}));
        m_ended = true;
    });
    // The device's first record is the status it reports when its session begins.
    if (!host.WaitForSession(1, 60000) || !host.WaitForAcknowledgements(1, 30000)) return false;
    const std::size_t from = host.Events().size();
    if (!host.SendData(LastSession(), std::vector<std::uint8_t>{0xC3, 0xD9, 0x4E})) return false;
    return WaitForAck(0x7C, from, ConnectionOf(LastSession()), 30000).has_value();
}

int FaultRoad::LastSession() const {
    int last = 0;
    for (const auto& s : host.Sessions())
        if (s.active) last = s.number;
    return last;
}

int FaultRoad::ConnectionOf(int session) const {
    for (const auto& s : host.Sessions())
        if (s.number == session) return s.connection;
    return 0;
}

bool FaultRoad::WaitForNewConnection(int after, int timeoutMs) const {
    return host.WaitFor(
        [&](const std::vector<quilhost::HostEvent>& events) {
            for (auto it = events.rbegin(); it != events.rend(); ++it)
                if (it->kind == quilhost::EventKind::Sent && it->connection > after) return true;
            return false;
        },
        timeoutMs);
}

std::optional<char> FaultRoad::WaitForAck(std::uint8_t tsn, std::size_t from, int connection,
                                          int waitMs) const {
    std::optional<char> status;
    static_cast<void>(host.WaitFor(
        [&](const std::vector<quilhost::HostEvent>& events) {
            for (std::size_t i = from; i < events.size(); ++i) {
                const auto& e = events[i];
                // A refusal carries the TSN of the message before.
                if (e.ack && e.record.payload.size() > 1 &&
                    (e.record.payload[1] == tsn || e.ack->status != '0')) {
                    status = e.ack->status;
                    return true;
                }
                if (e.kind == quilhost::EventKind::Closed && e.connection == connection)
                    return true;
            }
            return false;
        },
        waitMs));
    return status;
}

Outcome FaultRoad::Send(int number, int tries, int waitMs) {
    const std::uint8_t tsn = kTsn[m_next];
    std::vector<std::uint8_t> message{0xC2, tsn};
    const auto text = quilhost::ToHostCode(Text(number));
    message.insert(message.end(), text->begin(), text->end());
    message.push_back(0x4E);
    for (int attempt = 0; attempt < tries; ++attempt) {
        const int session = LastSession();
        const int connection = ConnectionOf(session);
        const std::size_t from = host.Events().size();
        if (session == 0 || !host.SendData(session, message)) {
            // No connection to send on: wait for the device to come back.
            static_cast<void>(WaitForNewConnection(connection, waitMs));
            continue;
        }
        const std::optional<char> status = WaitForAck(tsn, from, connection, waitMs);
        if (status == '0') {
            m_next = (m_next + 1) % 16;
            return Outcome::Accepted;
        }
        if (status) {
            // Not accepted: the host sends it again later, as hosts do.
            if (attempt + 1 == tries) return Outcome::Refused;
            continue;
        }
        static_cast<void>(WaitForNewConnection(connection, waitMs));
    }
    return Outcome::Lost;
}

std::map<int, int> FaultRoad::Written() const {
    std::map<int, int> written;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(outDir, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string s = text.str();
        for (std::size_t at = s.find("MSG "); at != std::string::npos; at = s.find("MSG ", at + 1))
            ++written[std::atoi(s.c_str() + at + 4)];
    }
    return written;
}

}  // namespace faults
