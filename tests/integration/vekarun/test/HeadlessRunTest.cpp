#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/Program.h"
#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"
#include "support/FakeClockScope.h"
#include "support/Hex.h"
#include "support/LoopbackProvider.h"
#include "support/TempRoot.h"

namespace {

namespace fs = std::filesystem;

const std::string kKeyRoot =
    "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";

void Put(const std::string& key, const char* name, platform::DWORD type, const void* data,
         platform::DWORD size) {
    platform::HKEY h = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(
        platform::RegSetValueEx(h, name, 0, type, static_cast<const platform::BYTE*>(data), size),
        platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
}

void PutString(const std::string& key, const char* name, const std::string& value) {
    Put(key, name, platform::REG_SZ, value.c_str(), static_cast<platform::DWORD>(value.size() + 1));
}

void PutDword(const std::string& key, const char* name, std::uint32_t value) {
    Put(key, name, platform::REG_DWORD, &value, 4);
}

// A File device writing each message into its own file.
void FileDevice(const std::string& device, const std::string& session, const std::string& file) {
    const std::string key = kKeyRoot + "\\" + device;
    PutString(key, "Device Type", "File");
    PutDword(key, "Enabled", 1);
    PutString(key, "Device Name", device);
    PutString(key, "File Location", "C:\\OUT");
    PutString(key, "File Name", file);
    PutDword(key, "Multiple Files", 0);
    PutDword(key, "Single File Append", 1);
    PutString(key, "Single File Type", "TXT");
    PutDword(key, "Maximum File Size", 100000);
    PutDword(key, "Insert Line Feed", 0);
    PutString(key, "Terminator Data", "<END>");
    PutDword(key, "Extn. Type", 0);
    PutString(key, "Host", "HOST");
    PutString(key, "Device Session", session);
}

std::string Msg(const char* hex) {
    const auto bytes = support::FromHex(hex);
    return {bytes.begin(), bytes.end()};
}

std::string Hex(const std::string& s) {
    return support::ToHex({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
}

class HeadlessRun : public support::TempRootTest {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        ASSERT_EQ(platform::RegisterServer(platform::MapLibraryName("BRXAPI")), platform::S_OK)
            << platform::ComLastErrorText();
        ASSERT_NE(support::Loopback(), nullptr);
        support::Loopback()->Reset();
        support::Loopback()->SetConnectResult(0);
    }
    void TearDown() override {
        if (runner.joinable()) Close();
        support::Loopback()->Reset();
    }
    // The host drops its lines (so that no disconnect waits for it), then the program is
    // closed.
    void Close() {
        for (support::LoopbackConnection* c : hosts) c->Drop(0);
        hosts.clear();
        program.RequestClose();
        EXPECT_TRUE(support::Eventually([&] { return ended.load(); }, std::chrono::seconds(60)));
        runner.join();
    }

    shell::AppState state;
    app::CProgram program{state, nullptr};
    std::thread runner;
    std::atomic<bool> ended{false};
    // The devices' connections in slot order, as the program made them one by one.
    std::vector<support::LoopbackConnection*> hosts;
    int exitCode = -1;
};

}  // namespace

TEST_F(HeadlessRun, AHostMessageReachesItsFileAndIsAcknowledged) {
    support::WriteLoopbackSession("TREVO VEKA", "PRN1", "HOST", "LOOP 01");
    support::WriteLoopbackSession("TREVO VEKA", "PRN2", "HOST", "LOOP 01");
    FileDevice("Device 01", "PRN1", "ONE");
    FileDevice("Device 02", "PRN2", "TWO");
    fs::create_directories(root / "drive_c/OUT");

    runner = std::thread([&] {
        exitCode = program.Run({});
        ended = true;
    });
    for (std::size_t n = 1; n <= 2; ++n) {
        ASSERT_TRUE(support::Eventually([&] { return support::Loopback()->Live() == n; },
                                        std::chrono::seconds(30)));
        hosts.push_back(support::Loopback()->Last());
    }
    ASSERT_TRUE(support::Eventually([&] { return program.Running(); }, std::chrono::seconds(30)));
    support::LoopbackConnection* host = hosts[1];  // Device 02's
    host->FromOwnThread(true);
    host->CompleteConnect(0);
    host->AssignResource("0a1b2c");
    host->Deliver(Msg("C3 D9 4E"));  // reset: the sequence starts at A
    ASSERT_TRUE(support::Eventually([&] { return host->Sent().size() >= 1; }));
    host->Deliver(Msg("C1 C1 C8 C5 D3 D3 D6 4E"));  // "HELLO"
    ASSERT_TRUE(support::Eventually([&] { return host->Sent().size() >= 2; }));
    EXPECT_EQ(Hex(host->Sent()[1]), "C3 C1 F2 F0 4E");
    ASSERT_TRUE(support::Eventually([&] {
        return root.ReadFile("drive_c/OUT/TWO.TXT").value_or("").find("HELLO") != std::string::npos;
    }));
    EXPECT_FALSE(fs::exists(root / "drive_c/OUT/ONE.TXT"));

    Close();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(support::Loopback()->Live(), 0u);
}
