#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DeviceFile.h"
#include "platform/Registry.h"
#include "support/FakeClockScope.h"

namespace devkinds {
namespace {

namespace fs = std::filesystem;
using devices::CDeviceFile;
using devices::CFileOutput;

class FileDeviceTest : public DeviceEndToEnd {
protected:
    void Configure(bool multiple, bool append, std::uint32_t maxSize = 100000) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", "File");
        PutString(key, "Device Name", "Files");
        PutString(key, "File Location", "C:\\OUT");
        PutString(key, "File Name", multiple ? "T" : "LOG");
        PutDword(key, "Multiple File Limit", 999);
        PutDword(key, "Multiple Files", multiple ? 1 : 0);
        PutDword(key, "Single File Append", append ? 1 : 0);
        PutString(key, "Single File Type", "TXT");
        PutDword(key, "Maximum File Size", maxSize);
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "<END>");
        PutDword(key, "Extn. Type", 0);
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
        fs::create_directories(root / "drive_c/OUT");
        CFileOutput::SetFileNumber(1);
    }
    void SingleFile(bool append, const char* contents) {
        Configure(false, append);
        root.WriteFile("drive_c/OUT/LOG.TXT", "OLD|");
        auto device = std::make_unique<CDeviceFile>("Device 01");
        Attach(*device);
        EXPECT_EQ(Send(HostMessage("C2 C1", "FIRST")), '0');
        EXPECT_EQ(Send(HostMessage("C2 C2", "SECOND")), '0');
        EXPECT_EQ(Read("LOG.TXT"), contents);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root / "drive_c/OUT"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Read(const std::string& name) const {
        return root.ReadFile("drive_c/OUT/" + name).value_or("<missing>");
    }
};

TEST_F(FileDeviceTest, MultipleWritesEachMessageIntoItsOwnNumberedFile) {
    Configure(true, false);
    auto device = std::make_unique<CDeviceFile>("Device 01");
    EXPECT_TRUE(device->Settings().bMultipleFiles);
    Attach(*device);
    EXPECT_EQ(Send(HostMessage("C1 C1", "ONE ")), '0');  // A: more to come
    EXPECT_EQ(Send(HostMessage("C1 C2", "TWO ")), '0');
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(Send(HostMessage("C2 C3", "END")), '0');  // B: ends the message
    EXPECT_EQ(Send(HostMessage("C2 C4", "NEXT")), '0');
    EXPECT_EQ(Files(), (std::vector<std::string>{"T.001", "T.002"}));
    EXPECT_EQ(Read("T.001"), "ONE TWO END<END>");
    EXPECT_EQ(Read("T.002"), "NEXT<END>");
}

// Each message of a single file opens it anew: appended to, or emptied first.
TEST_F(FileDeviceTest, SingleFileIsAppendedTo) {
    SingleFile(true, "OLD|FIRST<END>SECOND<END>");
}

TEST_F(FileDeviceTest, SingleFileIsOverwrittenByEachMessage) {
    SingleFile(false, "SECOND<END>");
}

TEST_F(FileDeviceTest, AFailedWriteIsAcknowledgedAsNotAccepted) {
    Configure(false, true, 12);
    auto device = std::make_unique<CDeviceFile>("Device 01");
    Attach(*device);
    EXPECT_EQ(Send(HostMessage("C2 C1", "SHORT")), '0');
    EXPECT_EQ(Send(HostMessage("C2 C2", "FAR TOO LONG")), '4');
    EXPECT_NE(device->GetLastError().find("Reached maximum file size 12"), std::string::npos);
}

TEST_F(FileDeviceTest, AMessageLeftIncompleteFor600SecondsLeavesNoFile) {
    support::FakeClockScope clock;
    Configure(true, false);
    UseFakeClock(&clock);
    auto device = std::make_unique<CDeviceFile>("Device 01");
    Attach(*device);
    EXPECT_EQ(Send(HostMessage("C1 C1", "BEGUN")), '0');
    EXPECT_FALSE(device->SendToDeviceThreadIsAsleep());  // it waits for the rest
    clock.Advance(600 * 1000);
    ASSERT_TRUE(PumpUntil(
        [&] { return device->GetLastError() == "Incomplete message received from host."; }));
    EXPECT_TRUE(Files().empty());
    // What was gathered is gone with it: the next message is alone in its file.
    EXPECT_EQ(Send(HostMessage("C2 C2", "AFTER")), '0');
    EXPECT_EQ(Files(), std::vector<std::string>{"T.001"});
    EXPECT_EQ(Read("T.001"), "AFTER<END>");
}

// A value missing from the device's key is taken from the defaults key of the kind, as is
// every other value still empty or 0; values the device has stay its own.
TEST_F(FileDeviceTest, MissingValuesComeFromTheDefaultsKey) {
    Configure(true, false);
    const std::string key = DeviceKey();
    platform::HKEY h = nullptr;
    ASSERT_EQ(platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0,
                                     platform::KEY_ALL_ACCESS, &h),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegDeleteValue(h, "File Name"), platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
    PutDword(key, "Single File Append", 0);
    const std::string defaults =
        std::string(core::CHostTrevo::kApplicationKey) + "\\Defaults\\Device\\File";
    PutString(defaults, "File Name", "DEF");
    PutString(defaults, "File Location", "C:\\ELSEWHERE");
    PutDword(defaults, "Single File Append", 1);
    auto device = std::make_unique<CDeviceFile>("Device 01");
    EXPECT_EQ(device->Settings().strFileName, "DEF");
    EXPECT_EQ(device->Settings().strFileLocation, "C:\\OUT");
    EXPECT_TRUE(device->Settings().bSingleFileAppend);
    Attach(*device);
    EXPECT_EQ(Send(HostMessage("C2 C1", "VIA DEFAULTS")), '0');
    EXPECT_EQ(Read("DEF.001"), "VIA DEFAULTS<END>");
}

}  // namespace
}  // namespace devkinds
