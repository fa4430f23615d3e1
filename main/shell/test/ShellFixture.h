// What the shell's tests share: a machine root with the program's string table, direct
// access to the store beside the program's facade, devices that record what reaches them,
// a constructor that records what it was asked to make, and the boxes put to the operator.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/Device.h"
#include "core/OperatorQuestion.h"
#include "core/Registry.h"
#include "notify/Notify.h"
#include "platform/Registry.h"
#include "res/VekaStringTable.h"
#include "shell/DeviceList.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

namespace shelltest {

inline const std::string kRoot = "Software\\The TREVO Group\\Common TREVO API";
inline const std::string kKeyRoot = kRoot + "\\Applications\\TREVO VEKA";

inline void PutString(const std::string& path, const char* name, const std::string& value) {
    using namespace platform;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void PutDword(const std::string& path, const char* name, std::uint32_t value) {
    using namespace platform;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A value as text (strings without their zero, DWORDs in decimal); nothing when missing.
inline std::optional<std::string> Get(const std::string& path, const char* name) {
    using namespace platform;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    BYTE data[1024];
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc = RegQueryValueEx(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD && size == 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, data, 4);
        return std::to_string(v);
    }
    std::string text(reinterpret_cast<char*>(data), size);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

inline bool KeyExists(const std::string& path) {
    using namespace platform;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The lines of the machine's log that contain `text`.
inline std::vector<std::string> LogLines(const std::string& text) {
    std::istringstream in(Notify::ReadLog());
    std::vector<std::string> found;
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

// The machine's "Software" key, which every machine has.
inline void CreateSoftwareKey() {
    using namespace platform;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A device key below the application key.
inline void PutDevice(const std::string& key, const std::string& type,
                      std::optional<std::uint32_t> enabled = 1u) {
    PutString(kKeyRoot + "\\" + key, "Device Type", type);
    if (enabled) PutDword(kKeyRoot + "\\" + key, "Enabled", *enabled);
}

// A device that writes what reaches it into a shared journal ("Device 01 connect 1").
class FakeDevice : public core::CDevice {
public:
    FakeDevice(const shell::DeviceOrder& order, std::vector<std::string>& journal,
               std::unique_ptr<core::CHostTrevo> host = nullptr)
        : m_journal(journal) {
        PreCreateDevice(order.key, "Name " + order.key, "Session " + order.key, order.typeName,
                        std::move(host));
    }
    ~FakeDevice() override { Note("deleted"); }

    bool SendToDevice() override { return true; }
    void OnHostReceive() override { Note("receive"); }
    void OnResource(long f) override { Note("resource " + std::to_string(f)); }
    void OnConnect(long f) override { Note("connect " + std::to_string(f)); }
    void OnDisconnect(long f) override { Note("disconnect " + std::to_string(f)); }
    void OnSend(long f) override { Note("send " + std::to_string(f)); }
    void OnSystemAvailable(long f) override { Note("available " + std::to_string(f)); }
    void OnLock(long f) override { Note("lock " + std::to_string(f)); }
    void OnUnLock(long f) override { Note("unlock " + std::to_string(f)); }
    void ShutDown() override {
        Note("shutdown");
        if (m_bThrowOnShutDown) throw std::runtime_error("stuck");
    }

    bool m_bThrowOnShutDown = false;

private:
    void Note(const std::string& what) { m_journal.push_back(GetDeviceKey() + " " + what); }
    std::vector<std::string>& m_journal;
};

// Records every order and makes a FakeDevice for it; a key listed in throwFor throws.
struct RecordingConstructor {
    std::vector<shell::DeviceOrder> orders;
    std::vector<std::string> journal;
    std::vector<std::string> throwFor;
    // Devices get a host link, but for the passport reader.
    bool withHosts = false;

    shell::DeviceConstructor Function() {
        return [this](const shell::DeviceOrder& order) -> std::unique_ptr<core::CDevice> {
            orders.push_back(order);
            for (const std::string& key : throwFor)
                if (key == order.key) throw std::runtime_error("cannot open " + key);
            std::unique_ptr<core::CHostTrevo> host;
            if (withHosts && order.deviceClass != shell::DeviceClass::Passport)
                host = std::make_unique<core::CHostTrevo>(order.key, "HOST", false, false, "",
                                                          false, false);
            return std::make_unique<FakeDevice>(order, journal, std::move(host));
        };
    }
};

// Moves a fake clock on by `step` for every timed wait or Sleep that begins, so that the
// pauses of the thread under test pass at once; Pushed() is how far it moved the clock.
class ClockPusher {
public:
    ClockPusher(support::FakeClockScope& clock, std::uint64_t step)
        : m_clock(clock), m_step(step), m_seen(platform::FakeClock::TimedWaitsBegun()) {
        m_thread = std::thread([this] {
            while (!m_stop.load()) {
                if (m_clock.WaitForNewTimedWait(m_seen, std::chrono::milliseconds(20))) {
                    m_clock.Advance(m_step);
                    m_pushed += m_step;
                }
            }
        });
    }
    ~ClockPusher() {
        m_stop = true;
        m_thread.join();
    }
    std::uint64_t Pushed() const { return m_pushed.load(); }

private:
    support::FakeClockScope& m_clock;
    std::uint64_t m_step;
    std::uint64_t m_seen;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_pushed{0};
    std::thread m_thread;
};

// A machine root with the program's strings, a fresh store facade and a sink that records
// the boxes put to the operator (each answered OK).
class ShellTest : public support::TempRootTest {
protected:
    void SetUp() override {
        res::RegisterVekaStrings();
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        CRegistry::ForgetAccessMethod();
        CreateSoftwareKey();
        core::SetOperatorSink([this](const std::string& text, const std::string&, std::uint32_t) {
            boxes.push_back(text);
            return core::IDOK;
        });
    }
    void TearDown() override { core::SetOperatorSink({}); }

    std::vector<std::string> boxes;
};

}  // namespace shelltest
