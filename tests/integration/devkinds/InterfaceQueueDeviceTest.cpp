#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DeviceInterfaceQueue.h"
#include "platform/FileOps.h"
#include "res/VekaStringTable.h"
#include "spoolkit/QFileReader.h"

namespace devkinds {
namespace {

namespace fs = std::filesystem;
using devices::CDeviceInterfaceQueue;

// What the host link puts after the last buffer of a message for this device kind.
const std::string kEndOfMessage = "\r*** EOM ***\xFF\r";

// A text of n characters with the six name characters at `at`.
std::string Named(std::size_t n, std::size_t at, const std::string& name, char fill = 'X') {
    std::string text(n, fill);
    text.replace(at, name.size(), name);
    return text;
}

class InterfaceQueueDeviceTest : public DeviceEndToEnd {
protected:
    void Configure(std::uint32_t nativeFormat, std::uint32_t queueType = 1) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", "Interface Queue");
        PutString(key, "Device Name", "Back office");
        PutString(key, "QueuePath", "\\SPL\\QWORK.SF");
        PutString(key, "QueueName", "\\SPL\\@Trevo30");
        PutString(key, "QueueDrive", "C");
        PutDword(key, "NativeFormat", nativeFormat);
        PutDword(key, "QueueType", queueType);
        PutDword(key, "Insert Line Feed", 0);
        PutDword(key, "QSeperator", 0);
        PutString(key, "Host", "HOST");
        PutString(key, "Device Session", "S1");
        fs::create_directories(root / "drive_c/SPL");
    }
    std::string Read(const std::string& name) const {
        return root.ReadFile("drive_c/SPL/" + name).value_or("<missing>");
    }
    void NativeFiles(std::uint32_t format, const std::string& ext) {
        Configure(format);
        auto device = std::make_unique<CDeviceInterfaceQueue>("Device 01");
        Attach(*device);  // the reset is only acknowledged
        const std::string first = Named(120, 44, "ABCDEF");
        EXPECT_EQ(SendIQ(HostMessage("C2 C1", first)), '0');
        EXPECT_EQ(SendIQ(HostMessage("C2 C2", first)), '0');
        char name[64];
        for (int i = 2; i < 256; ++i) {
            std::snprintf(name, sizeof name, "drive_c/SPL/ABCDEF%02x%s", i, ext.c_str());
            root.WriteFile(name, "taken");
        }
        const std::string last = Named(60, 44, "ABCDEF", 'Q');
        EXPECT_EQ(SendIQ(HostMessage("C2 C3", last)), '0');
        const std::string end = "\r*** EOM ***\r\r";  // 0xFF is written as a carriage return
        EXPECT_EQ(Read("ABCDEF00" + ext), first + end);
        EXPECT_EQ(Read("ABCDEF01" + ext), first + end);
        EXPECT_EQ(Read("ABCDEFfX" + ext), last + end);
        EXPECT_FALSE(fs::exists(root / "drive_c/SPL/QWORK.SF"));
    }
    // The status of the acknowledgement, which for this device kind has "0" as third byte.
    char SendIQ(const std::string& message) {
        const std::size_t before = host->Sent().size();
        const char status = Send(message);
        const auto sent = host->Sent();
        EXPECT_EQ(sent.size() > before ? AckType(sent[before]) : '?', '0');
        return status;
    }
};

TEST_F(InterfaceQueueDeviceTest, QueueFileGetsRecordsAndTheResetAndEndOfJobMarkers) {
    Configure(0, 2);
    auto device = std::make_unique<CDeviceInterfaceQueue>("Device 01");
    EXPECT_EQ(device->Settings().strQueuePath, "C:\\SPL\\QWORK.SF");
    EXPECT_TRUE(fs::exists(root / "drive_c/SPL/@Trevo30"));  // the queue name file
    Attach(*device);                                         // the host's reset: the reset marker
    EXPECT_EQ(AckType(host->Sent()[0]), '0');
    EXPECT_EQ(SendIQ(HostMessage("C1 C1", "PART ONE")), '0');
    EXPECT_EQ(SendIQ(HostMessage("C2 C2", "THE END")), '0');
    EXPECT_EQ(SendIQ(Hex("C3 E3 4E")), '0');  // end of job

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(root / "drive_c/SPL/QWORK.SF", bytes, 1 << 20));
    std::vector<spoolkit::QRecord> records;
    ASSERT_TRUE(spoolkit::ReadQFileRecords(bytes, records));
    std::vector<std::string> texts;
    for (const auto& r : records) {
        EXPECT_EQ(r.code, 27);
        texts.emplace_back(r.data.begin(), r.data.end());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{CDeviceInterfaceQueue::kResetMarker, "PART ONE",
                                               "THE END" + kEndOfMessage,
                                               CDeviceInterfaceQueue::kEndOfJobMarker}));
}

// With the program's string table registered, the status text says what the device does.
TEST_F(InterfaceQueueDeviceTest, StatusTextsComeFromTheProgramStringTable) {
    struct Registered {
        Registered() { res::RegisterVekaStrings(); }
        ~Registered() { platform::StringTable::Unregister(res::kModuleName); }
    } registered;
    Configure(0, 2);
    auto device = std::make_unique<CDeviceInterfaceQueue>("Device 01");
    device->SetDeviceState(core::DEVICE_ONLINE_BUSY);
    EXPECT_EQ(device->GetStatusMessage(), "Process the incoming message block.");
    device->SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
    EXPECT_EQ(device->GetStatusMessage(), "Check if there is any new block.");
    Attach(*device);
    device->SetStatusFromConnectionState();
    EXPECT_EQ(device->GetStatusMessage(), "Waiting  for incoming message.");
}

// A queue file that cannot be opened refuses the buffer (status "4") and is tried again with
// the next one.
TEST_F(InterfaceQueueDeviceTest, QueueFileThatCannotBeOpenedRefusesTheBuffer) {
    Configure(0);
    PutString(DeviceKey(), "QueuePath", "\\LATER\\QWORK.SF");
    auto device = std::make_unique<CDeviceInterfaceQueue>("Device 01");
    Attach(*device);  // the reset marker is refused too
    EXPECT_EQ(AckStatus(host->Sent()[0]), '4');
    EXPECT_EQ(device->GetLastError(),
              "QWORK.SF is opened by other process,close the other process, and reload "
              "Interface Queue again.");
    EXPECT_EQ(device->GetDeviceState(), core::DEVICE_OFFLINE);
    fs::create_directories(root / "drive_c/LATER");
    EXPECT_EQ(SendIQ(Hex("C3 D9 4E")), '0');
    EXPECT_EQ(SendIQ(HostMessage("C2 C1", "KEPT")), '0');
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(root / "drive_c/LATER/QWORK.SF", bytes, 1 << 20));
    std::vector<spoolkit::QRecord> records;
    ASSERT_TRUE(spoolkit::ReadQFileRecords(bytes, records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(std::string(records[1].data.begin(), records[1].data.end()), "KEPT" + kEndOfMessage);
}

// One file per message, named from the message's header; with every number taken, "X".
TEST_F(InterfaceQueueDeviceTest, PnrFilesAreNamedFromTheMessageHeader) {
    NativeFiles(1, ".PNR");
}

TEST_F(InterfaceQueueDeviceTest, FilFilesAreNamedFromTheMessageHeader) {
    NativeFiles(2, ".FIL");
}

TEST_F(InterfaceQueueDeviceTest, InpFileGrowsByEveryMessage) {
    Configure(3);
    auto device = std::make_unique<CDeviceInterfaceQueue>("Device 01");
    Attach(*device);  // the reset is only acknowledged
    EXPECT_EQ(SendIQ(HostMessage("C1 C1", "FIRST ")), '0');
    EXPECT_EQ(SendIQ(HostMessage("C2 C2", "MESSAGE")), '0');
    EXPECT_EQ(SendIQ(HostMessage("C2 C3", "SECOND")), '0');
    const std::string end = "\r*** EOM ***\r\r";
    EXPECT_EQ(Read("INP.FIL"), "FIRST MESSAGE" + end + "SECOND" + end);
    EXPECT_FALSE(fs::exists(root / "drive_c/SPL/QWORK.SF"));
}

}  // namespace
}  // namespace devkinds
