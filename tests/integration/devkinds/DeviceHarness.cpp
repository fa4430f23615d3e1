#include "DeviceHarness.h"

#include <chrono>
#include <thread>

#include "core/Registry.h"
#include "platform/Registry.h"
#include "platform/RegistryFile.h"
#include "support/Hex.h"

namespace devkinds {

namespace {

std::uint8_t Ebcdic(char c) {
    if (c >= 'A' && c <= 'I') return static_cast<std::uint8_t>(0xC1 + (c - 'A'));
    if (c >= 'J' && c <= 'R') return static_cast<std::uint8_t>(0xD1 + (c - 'J'));
    if (c >= 'S' && c <= 'Z') return static_cast<std::uint8_t>(0xE2 + (c - 'S'));
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(0xF0 + (c - '0'));
    if (c == '?') return 0x6F;
    return 0x40;  // space
}

char Ascii(std::uint8_t e) {
    return e >= 0xF0 && e <= 0xF9 ? static_cast<char>('0' + (e - 0xF0)) : '?';
}

}  // namespace

std::string Hex(std::string_view hex) {
    const auto bytes = support::FromHex(hex);
    return {bytes.begin(), bytes.end()};
}

std::string HostMessage(std::string_view c1c2, std::string_view text) {
    std::string m = Hex(c1c2);
    for (char c : text) m += static_cast<char>(Ebcdic(c));
    return m + "\x4E";
}

char AckStatus(const std::string& ack) {
    return ack.size() == 5 ? Ascii(static_cast<std::uint8_t>(ack[3])) : '?';
}

char AckType(const std::string& ack) {
    return ack.size() == 5 ? Ascii(static_cast<std::uint8_t>(ack[2])) : '?';
}

// Passes the control's events to the device, as the application's view does.
class DeviceEndToEnd::Sink final : public platform::IEventSink {
public:
    explicit Sink(core::CDevice& device) : m_device(device) {}
    void OnEvent(platform::DISPID id, std::span<const platform::Variant> args) override {
        namespace ev = support::printer_event;
        bool flag = false;
        if (!args.empty()) (void)args[0].ToBool(flag);
        const long l = flag ? 1 : 0;
        switch (id) {
            case ev::OnReceive:
                m_device.OnHostReceive();
                break;
            case ev::OnResource:
                m_device.OnResource(l);
                break;
            case ev::OnConnect:
                m_device.OnConnect(l);
                break;
            case ev::OnDisconnect:
                m_device.OnDisconnect(l);
                break;
            case ev::OnSend:
                m_device.OnSend(l);
                break;
            case ev::OnSystemAvailable:
                m_device.OnSystemAvailable(l);
                break;
            case ev::OnLock:
                m_device.OnLock(l);
                break;
            case ev::OnUnLock:
                m_device.OnUnLock(l);
                break;
            default:
                break;
        }
    }

private:
    core::CDevice& m_device;
};

void DeviceEndToEnd::SetUp() {
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
    ASSERT_EQ(support::RegisterTestPrinterControl(), platform::S_OK);
}

void DeviceEndToEnd::TearDown() {
    if (m_cookie != 0) (void)ctrl.Control()->EventSource()->Unadvise(m_cookie);
}

std::string DeviceEndToEnd::DeviceKey(const char* device) {
    return std::string(core::CHostTrevo::kApplicationKey) + "\\" + device;
}

void DeviceEndToEnd::PutString(const std::string& key, const char* name, const std::string& value) {
    platform::HKEY h = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(h, name, 0, platform::REG_SZ,
                                      reinterpret_cast<const platform::BYTE*>(value.data()),
                                      static_cast<platform::DWORD>(value.size())),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
}

void DeviceEndToEnd::PutDword(const std::string& key, const char* name, std::uint32_t value) {
    platform::HKEY h = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(h, name, 0, platform::REG_DWORD,
                                      reinterpret_cast<const platform::BYTE*>(&value), 4),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
}

bool DeviceEndToEnd::PumpUntil(const std::function<bool()>& cond) {
    // Real time, so that a test on a fake clock is bounded too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        (void)loop.PumpUntil(cond, 0);
        if (cond()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (m_clock) m_clock->Advance(1);
    }
    return true;
}

void DeviceEndToEnd::Attach(core::CDevice& device) {
    ASSERT_TRUE(device.CreateHostConnection(&ctrl, 1, 0)) << device.GetLastError();
    host = support::HostSideOf(*ctrl.Control());
    ASSERT_NE(host, nullptr);
    m_sink = std::make_shared<Sink>(device);
    ASSERT_EQ(ctrl.Control()->EventSource()->Advise(m_sink, &m_cookie), platform::S_OK);
    ASSERT_TRUE(device.HostConnect()) << device.GetLastError();
    ASSERT_TRUE(host->CompleteConnect(true));
    ASSERT_TRUE(host->AssignResource("0A1B2C"));
    ASSERT_TRUE(PumpUntil(
        [&] { return device.GetHost()->GetConnectionState() == core::CONNECTION_CONNECTED; }));
    Deliver(Hex("C3 D9 4E"));  // reset: the sequence starts at A
    ASSERT_EQ(WaitSent(1).size(), 1u);
}

void DeviceEndToEnd::Deliver(const std::string& message) {
    ASSERT_TRUE(host->Deliver(message));
}

char DeviceEndToEnd::Send(const std::string& message) {
    const std::size_t before = host->Sent().size();
    Deliver(message);
    const auto sent = WaitSent(before + 1);
    return sent.size() > before ? AckStatus(sent[before]) : '?';
}

std::vector<std::string> DeviceEndToEnd::WaitSent(std::size_t n) {
    EXPECT_TRUE(PumpUntil([&] { return host->Sent().size() >= n; }))
        << "sent " << host->Sent().size() << " of " << n;
    return host->Sent();
}

}  // namespace devkinds
