// The whole road of a host message: a host simulator sends a protected message over
// loopback TCP, the QUILSP provider takes it, the real host control hands it to veka's
// device, a File device writes it to a file of its own, and the acknowledgement goes back to
// the host; one message outstanding per device, the trace log on. Measured in the same run:
// a raw loopback TCP ping-pong of the same bytes. Prints, for 10 to 10,000-byte messages,
// one device's rate and p50/p99 against the ping-pong's; sixteen devices on sixteen routes
// (fifteen File devices and a named pipe device) against sixteen times one; and the fifteen
// File devices while the named pipe device's client stops reading.
//
//   bench_fullchain [seconds per measurement, default 3]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Program.h"
#include "bench/Ratio.h"
#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"
#include "platform/NamedPipe.h"
#include "quilhost/QuilHost.h"
#include "support/Loopback.h"
#include "support/RoadStore.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDevices = 16;
constexpr int kAckWaitMs = 30000;
constexpr std::uint8_t kTsn[16] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8,
                                   0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7};

struct Figures {
    std::size_t messages = 0;
    double seconds = 0;
    std::vector<double> latencies;  // microseconds
    double Rate() const { return seconds > 0 ? static_cast<double>(messages) / seconds : 0; }
    double Percentile(double p) {
        if (latencies.empty()) return 0;
        std::sort(latencies.begin(), latencies.end());
        return latencies[std::min(
            latencies.size() - 1,
            static_cast<std::size_t>(p * static_cast<double>(latencies.size())))];
    }
    void Add(const Figures& other) {
        messages += other.messages;
        seconds = std::max(seconds, other.seconds);
        latencies.insert(latencies.end(), other.latencies.begin(), other.latencies.end());
    }
};

// A protected message of `length` bytes in host code: "B", the TSN, letters, end of message.
std::vector<std::uint8_t> Message(std::size_t length, std::uint8_t tsn) {
    std::vector<std::uint8_t> m{0xC2, tsn};
    while (m.size() < length - 1) m.push_back(static_cast<std::uint8_t>(0xC1 + m.size() % 9));
    m.push_back(0x4E);
    return m;
}

// One device's host: sends one message at a time for the time given.
class DeviceHost {
public:
    bool Start() { return m_host.Start(); }
    std::uint16_t Port() const { return m_host.Port(); }
    // Waits for the device's session and resets its sequence.
    bool Begin() {
        if (!m_host.WaitForSession(1, 60000) || !m_host.WaitForAcknowledgements(1, kAckWaitMs))
            return false;
        m_acks = 2;
        return m_host.SendData(1, std::vector<std::uint8_t>{0xC3, 0xD9, 0x4E}) &&
               m_host.WaitForAcknowledgements(m_acks, kAckWaitMs);
    }
    Figures Run(std::size_t length, double seconds) {
        Figures f;
        std::vector<std::vector<std::uint8_t>> messages;
        for (const std::uint8_t tsn : kTsn) messages.push_back(Message(length, tsn));
        const Clock::time_point start = Clock::now();
        const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(seconds));
        while (Clock::now() < end) {
            const Clock::time_point t0 = Clock::now();
            if (!m_host.SendData(1, messages[m_next])) break;
            if (!m_host.WaitForAcknowledgements(++m_acks, kAckWaitMs)) break;
            f.latencies.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            ++f.messages;
            m_next = (m_next + 1) % 16;
        }
        f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return f;
    }
    void Stop() { m_host.Stop(); }

private:
    quilhost::QuilHost m_host;
    std::size_t m_acks = 0;
    std::size_t m_next = 0;
};

// The machine's own road for the same bytes: a loopback TCP round trip, one outstanding.
Figures PingPong(std::size_t length, double seconds) {
    Figures f;
    support::SocketPair pair = support::ConnectedPair();
    if (!pair.client.SetNoDelay(true) || !pair.server.SetNoDelay(true)) return f;
    std::thread echo([&pair, length] {
        std::vector<std::uint8_t> buffer(length);
        while (pair.server.ReceiveAll(buffer) == static_cast<int>(length) &&
               pair.server.SendAll(buffer)) {
        }
    });
    const std::vector<std::uint8_t> message = Message(length, kTsn[0]);
    std::vector<std::uint8_t> answer(length);
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        const Clock::time_point t0 = Clock::now();
        if (!pair.client.SendAll(message) ||
            pair.client.ReceiveAll(answer, 10000) != static_cast<int>(length))
            break;
        f.latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        ++f.messages;
    }
    f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    static_cast<void>(pair.client.Shutdown(platform::ShutdownHow::Both));
    echo.join();
    return f;
}

// Runs the given hosts at once.
Figures Together(std::vector<DeviceHost*> hosts, std::size_t length, double seconds) {
    std::vector<Figures> each(hosts.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < hosts.size(); ++i)
        threads.emplace_back([&, i] { each[i] = hosts[i]->Run(length, seconds); });
    for (auto& t : threads) t.join();
    Figures all;
    for (const Figures& f : each) all.Add(f);
    return all;
}

// The named pipe device's client: reads every message while `reading`, and otherwise keeps
// the pipe open without reading (a client that hangs).
class PipeClient {
public:
    bool Open() { return m_client.Open("\\\\.\\PIPE\\BENCH", 30000); }
    void Start() {
        m_thread = std::thread([this] {
            std::vector<std::uint8_t> message;
            while (!m_stop) {
                if (m_reading)
                    static_cast<void>(m_client.ReadMessage(message, 100));
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    void Hang() { m_reading = false; }
    ~PipeClient() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        m_client.Close();
    }

private:
    platform::NamedPipeClient m_client;
    std::atomic<bool> m_reading{true};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void PrintSizes(DeviceHost& host, double seconds) {
    for (const std::size_t length : {10u, 100u, 1000u, 10000u}) {
        Figures tcp = PingPong(length, seconds);
        Figures one = host.Run(length, seconds);
        std::printf(
            "%5zu bytes: one device %6.0f/s p50 %6.0f us p99 %6.0f us (%.3f us a byte) | "
            "loopback TCP %6.0f/s p50 %4.0f us p99 %4.0f us | rate %.1f %% of TCP, p99 %.1f x "
            "TCP\n",
            length, one.Rate(), one.Percentile(0.5), one.Percentile(0.99),
            one.Percentile(0.5) / static_cast<double>(length), tcp.Rate(), tcp.Percentile(0.5),
            tcp.Percentile(0.99), 100.0 * one.Rate() / tcp.Rate(),
            one.Percentile(0.99) / tcp.Percentile(0.99));
        std::fflush(stdout);
    }
}

void PrintSixteen(std::vector<std::unique_ptr<DeviceHost>>& hosts, PipeClient& pipe,
                  double seconds) {
    const std::size_t length = 100;
    Figures one = hosts[0]->Run(length, seconds);
    std::vector<DeviceHost*> sixteen;
    for (auto& h : hosts) sixteen.push_back(h.get());
    const std::vector<DeviceHost*> fifteen(sixteen.begin(), sixteen.end() - 1);
    Figures all = Together(sixteen, length, seconds);
    // The pipe's client stops reading: its device's output hangs while the others run.
    pipe.Hang();
    std::thread stuck([&] { static_cast<void>(hosts.back()->Run(length, seconds)); });
    Figures beside = Together(fifteen, length, seconds);
    stuck.join();
    const double perDevice16 = all.Rate() / kDevices;
    const double perDevice15 = beside.Rate() / (kDevices - 1);
    std::printf(
        "sixteen devices: %.0f/s together, %.2f of sixteen times one device (%.0f/s); "
        "p50 %.0f us p99 %.0f us\n",
        all.Rate(), all.Rate() / (kDevices * one.Rate()), one.Rate(), all.Percentile(0.5),
        all.Percentile(0.99));
    std::printf(
        "fifteen beside a hung pipe device: %.0f/s each (%.2f of the sixteen's), p99 %.0f us "
        "(%.2f x the sixteen's)\n",
        perDevice15, perDevice15 / perDevice16, beside.Percentile(0.99),
        beside.Percentile(0.99) / all.Percentile(0.99));
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const bench::OwnMachineRoot root("trevo-fullchain-");
    unsetenv("DISPLAY");
    if (platform::FAILED(platform::RegisterServer(platform::MapLibraryName("BRXAPI")))) {
        std::fprintf(stderr, "cannot register the host control: %s\n",
                     platform::ComLastErrorText().c_str());
        return 1;
    }
    // Fifteen File devices and a named pipe device, each on a host of its own.
    std::vector<std::unique_ptr<DeviceHost>> hosts;
    for (int i = 1; i <= kDevices; ++i) {
        auto host = std::make_unique<DeviceHost>();
        char device[16], session[16], lniata[8];
        std::snprintf(device, sizeof device, "Device %02d", i);
        std::snprintf(session, sizeof session, "PRN%02d", i);
        std::snprintf(lniata, sizeof lniata, "1A2B%02X", i);
        if (!host->Start() || !support::WriteQuilRoute(device, session, host->Port(), lniata) ||
            !(i < kDevices ? support::WriteFileDevice(device, session, session)
                           : support::WritePipeDevice(device, session, "BENCH"))) {
            std::fprintf(stderr, "cannot set up %s\n", device);
            return 1;
        }
        hosts.push_back(std::move(host));
    }
    std::filesystem::create_directories(std::filesystem::path(std::getenv("TREVO_HOME")) /
                                        "drive_c/OUT");

    shell::AppState state;
    app::CProgram program(state, nullptr);
    std::thread runner([&] { static_cast<void>(program.Run({})); });
    PipeClient pipe;
    bool ready = pipe.Open();
    if (!ready) std::fprintf(stderr, "the named pipe device's pipe did not open\n");
    pipe.Start();
    for (std::size_t i = 0; ready && i < hosts.size(); ++i) {
        ready = hosts[i]->Begin();
        if (!ready) std::fprintf(stderr, "device %zu did not begin\n", i + 1);
    }
    if (ready) {
        PrintSizes(*hosts[0], seconds);
        PrintSixteen(hosts, pipe, seconds);
    }
    program.RequestClose();
    runner.join();
    for (auto& h : hosts) h->Stop();
    return ready ? 0 : 1;
}
