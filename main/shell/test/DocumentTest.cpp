#include "shell/Document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellFixture.h"

using namespace shelltest;
using shell::CVekaDoc;
using shell::DeviceClass;

namespace {

class Document : public ShellTest {
protected:
    shell::AppState app;
    RecordingConstructor made;
};

std::vector<std::string> Keys(const std::vector<shell::DeviceOrder>& orders) {
    std::vector<std::string> keys;
    for (const auto& o : orders) keys.push_back(o.key);
    return keys;
}

}  // namespace

TEST_F(Document, AnEmptyStoreGetsTheDefaultsAndNoDevices) {
    CVekaDoc doc(app, made.Function());
    EXPECT_EQ(doc.DeviceCount(), 0u);
    const struct {
        std::string key;
        const char* name;
        const char* value;
    } defaults[] = {
        {kKeyRoot, "Devices Selected", "0"},
        {kKeyRoot + "\\Defaults\\Device", "Maximum Devices Selectable", "16"},
        {kKeyRoot + "\\Defaults\\Host", "End System", "TREVO"},
        {kRoot + "\\Service Providers\\ZEL", "DLL Name", "ZELSP.DLL"},
        {kRoot + "\\Service Providers\\ARLO", "DLL Name", "ARLO.DLL"},
        {kRoot + "\\Trace", "Trace File Name", "C:\\BRXAPI.LOG"},
        {kRoot + "\\Trace", "Tracing Active", "0"},
    };
    for (const auto& d : defaults) EXPECT_EQ(Get(d.key, d.name), d.value) << d.key << " " << d.name;
    EXPECT_TRUE(KeyExists(kKeyRoot + "\\State"));
    EXPECT_TRUE(KeyExists(kRoot + "\\End Systems"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Document, StoredValuesAreKeptAndTheInstanceReadsItsOwnKeys) {
    app.instanceId = "002";
    app.deviceCountValueName = "002Devices Selected";
    PutDword(kKeyRoot, "002Devices Selected", 3);
    PutDword(kKeyRoot + "\\Defaults\\Device", "Maximum Devices Selectable", 4);
    PutString(kRoot + "\\Trace", "Trace File Name", "D:\\X.LOG");
    for (int n = 1; n <= 6; ++n) PutDevice("002Device 0" + std::to_string(n), "File");
    PutDevice("Device 01", "File");  // the main instance's

    CVekaDoc doc(app, made.Function());
    EXPECT_EQ(doc.DevicesSelected(), 3u);
    EXPECT_EQ(doc.MaxDevicesSelectable(), 4u);
    EXPECT_EQ(Keys(made.orders), (std::vector<std::string>{"002Device 01", "002Device 02",
                                                           "002Device 03", "002Device 04"}));
    EXPECT_EQ(made.orders[0].instanceId, "002");
    EXPECT_EQ(Get(kRoot + "\\Trace", "Trace File Name"), "D:\\X.LOG");
    EXPECT_FALSE(Get(kKeyRoot, "Devices Selected"));
}

TEST_F(Document, DevicesComeFromTheTypeTableInKeyOrder) {
    PutDevice("Device 01", "File", 0);  // disabled
    PutDevice("Device 02", "Printer (System)");
    PutDevice("Device 03", "Passport Reader");
    PutDevice("Device 04", "Passport Reader");  // a second one is skipped
    PutDevice("Device 05", "Printer (ATB2-BAGTAG/Airline-TQX)");
    PutDevice("Device 06", "Printer Mitosa Hardcopy");
    PutDevice("Device 07", "printer");  // names compare exactly
    // Device 08 missing: skipped
    PutDevice("Device 09", "Async-Mini");
    PutDevice("Device 10", "Printer (TNV)");
    PutDevice("Device 11", "Printer (Ext ATB2)");
    PutDevice("Device 12", "Zeroziro");

    CVekaDoc doc(app, made.Function());
    const struct {
        const char* key;
        DeviceClass cls;
        const char* type;
        bool hardcopy, bagTag;
    } expected[] = {
        {"Device 02", DeviceClass::System, "System", false, false},
        {"Device 03", DeviceClass::Passport, "Passport Reader", false, false},
        {"Device 05", DeviceClass::Printer, "Printer (ATB2-BAGTAG/Airline-TQX)", false, true},
        {"Device 06", DeviceClass::Printer, "Printer Mitosa Hardcopy", true, false},
        {"Device 09", DeviceClass::AsyncMini, "Async-Mini", false, false},
        {"Device 10", DeviceClass::PrinterTNVKDM, "Printer (TNV/KDM)", false, false},
        {"Device 11", DeviceClass::PrinterATB2KDM, "Printer (ATB2/KDM)", false, false},
        {"Device 12", DeviceClass::SystemFF, "Zeroziro", false, false},
    };
    ASSERT_EQ(made.orders.size(), std::size(expected));
    ASSERT_EQ(doc.DeviceCount(), std::size(expected));
    EXPECT_EQ(doc.DevicesEnabled(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].key);
        EXPECT_EQ(made.orders[i].key, expected[i].key);
        EXPECT_EQ(made.orders[i].deviceClass, expected[i].cls);
        EXPECT_EQ(made.orders[i].typeName, expected[i].type);
        EXPECT_EQ(made.orders[i].hardcopy, expected[i].hardcopy);
        EXPECT_EQ(made.orders[i].bagTag, expected[i].bagTag);
        EXPECT_EQ(doc.Device(i)->GetDeviceKey(), expected[i].key);  // slots are dense
    }
    EXPECT_TRUE(app.passportReaderPresent);
    // Legacy names are written back converted.
    EXPECT_EQ(Get(kKeyRoot + "\\Device 02", "Device Type"), "System");
    EXPECT_EQ(Get(kKeyRoot + "\\Device 10", "Device Type"), "Printer (TNV/KDM)");
    EXPECT_EQ(
        LogLines("'Device 02' Device Type converted from 'Printer (System)' to 'System'").size(),
        1u);
    EXPECT_EQ(LogLines("'Device 07' Unknown Device Type=printer").size(), 1u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Document, AKeyWithoutTypeOrEnabledStopsTheScan) {
    for (const char* missing : {"Device Type", "Enabled"}) {
        SCOPED_TRACE(missing);
        support::TempRoot caseRoot;
        CRegistry::ForgetAccessMethod();
        CreateSoftwareKey();
        boxes.clear();
        RecordingConstructor caseMade;
        PutDevice("Device 01", "File");
        if (std::string(missing) == "Enabled")
            PutDevice("Device 02", "File", std::nullopt);
        else
            PutDword(kKeyRoot + "\\Device 02", "Enabled", 1);
        PutDevice("Device 03", "File");
        CVekaDoc doc(app, caseMade.Function());
        EXPECT_EQ(Keys(caseMade.orders), std::vector<std::string>{"Device 01"});
        EXPECT_EQ(boxes, std::vector<std::string>{std::string("Registry Error: '") + missing +
                                                  "' required for 'Device 02'"});
    }
}

TEST_F(Document, TwentyDevicesWhenTwentyAreSelectable) {
    PutDword(kKeyRoot + "\\Defaults\\Device", "Maximum Devices Selectable", 20);
    for (int n = 1; n <= 21; ++n) PutDevice(CVekaDoc::DeviceKeyName("", n), "File");
    CVekaDoc doc(app, made.Function());
    EXPECT_EQ(doc.DeviceCount(), 20u);
    EXPECT_EQ(doc.Device(19)->GetDeviceKey(), "Device 20");
}

TEST_F(Document, AConstructorThatThrowsKeepsTheDevicesMadeSoFar) {
    PutDevice("Device 01", "File");
    PutDevice("Device 02", "Queue");
    PutDevice("Device 03", "File");
    made.throwFor = {"Device 02"};
    CVekaDoc doc(app, made.Function());
    EXPECT_EQ(doc.DeviceCount(), 1u);
    EXPECT_EQ(LogLines("CVekaDoc::CVekaDoc(): Initialize()").size(), 1u);
}

TEST_F(Document, EventsReachTheDeviceOfTheirSlotUntilItIsGone) {
    PutDevice("Device 01", "File");
    PutDevice("Device 02", "File");
    CVekaDoc doc(app, made.Function());
    doc.OnConnect(1, true);
    doc.OnReceive(0);
    doc.OnLock(1, false);
    doc.OnSystemAvailable(5, true);  // no device: ignored
    EXPECT_EQ(made.journal, (std::vector<std::string>{"Device 02 connect 1", "Device 01 receive",
                                                      "Device 02 lock 0"}));
    EXPECT_EQ(LogLines("CVekaDoc::OnConnect():").size(), 1u);

    EXPECT_TRUE(doc.OnCloseDocument());
    made.journal.clear();
    doc.OnReceive(0);
    doc.OnDisconnect(1, true);
    EXPECT_TRUE(made.journal.empty());
}

TEST_F(Document, CloseShutsEveryDeviceDownInOrderEvenWhenOneThrows) {
    for (const char* key : {"Device 01", "Device 02", "Device 03"}) PutDevice(key, "File");
    CVekaDoc doc(app, made.Function());
    static_cast<FakeDevice*>(doc.Device(1))->m_bThrowOnShutDown = true;
    EXPECT_TRUE(doc.OnCloseDocument());
    EXPECT_EQ(made.journal, (std::vector<std::string>{"Device 01 shutdown", "Device 01 deleted",
                                                      "Device 02 shutdown", "Device 02 deleted",
                                                      "Device 03 shutdown", "Device 03 deleted"}));
    EXPECT_EQ(doc.DeviceCount(), 0u);
    EXPECT_EQ(LogLines("Exception: stuck").size(), 1u);
}

TEST_F(Document, AServiceKeepsItsDevicesUntilAStopIsAsked) {
    PutDevice("Device 01", "File");
    app.serviceMode = true;
    CVekaDoc doc(app, made.Function());
    EXPECT_FALSE(doc.OnCloseDocument());
    EXPECT_EQ(doc.DeviceCount(), 1u);
    EXPECT_TRUE(made.journal.empty());
    app.stopRequested = true;
    EXPECT_TRUE(doc.OnCloseDocument());
    EXPECT_EQ(made.journal, (std::vector<std::string>{"Device 01 shutdown", "Device 01 deleted"}));
}

TEST_F(Document, WithoutTheSoftwareKeyNothingIsCreated) {
    support::TempRoot bareRoot;  // a machine without even "Software"
    CRegistry::ForgetAccessMethod();
    CVekaDoc doc(app, made.Function());
    EXPECT_EQ(doc.DeviceCount(), 0u);
    EXPECT_EQ(boxes,
              std::vector<std::string>{"Unable to obtain desired access to system registry."});
}
