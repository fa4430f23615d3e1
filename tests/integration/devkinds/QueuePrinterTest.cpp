// The print-queue printer end to end: queued buffers and host messages through the device to
// a print server of the test's own (its jobs' documents read back), and the spooler's
// failures played by the scripted spooler.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DeviceQueuePrt.h"
#include "devices/EnumPrinters.h"
#include "spooler/CupsAdmin.h"
#include "spooler/Spooler.h"
#include "support/FakeSpooler.h"
#include "support/TestCupsd.h"

namespace devkinds {
namespace {

using devices::CDeviceQueuePrt;

class QueuePrinterTest : public DeviceEndToEnd {
protected:
    void Configure(const std::string& printer, std::uint32_t offset, bool bHost = false) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", "Queue");
        PutString(key, "Device Name", "Reports");
        PutString(key, "Printer Name", printer);
        PutString(key, "Queue Name", "Q1");
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "");
        PutDword(key, "Column Offset", offset);
        PutString(key, "Host", bHost ? "HOST" : "None");
        PutString(key, "Device Session", "S1");
    }
    // Queues the buffers (the last one ends the message) and wakes the send thread.
    static void Queue(CDeviceQueuePrt& device, const std::vector<std::string>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            device.MessageBufferQueue().AddString(texts[i], i + 1 == texts.size() ? 1 : 0);
        device.SendToDeviceThreadWakeUp(true);
    }
    static void Add(CDeviceQueuePrt& device, const char* text, bool bEndsMessage) {
        device.MessageBufferQueue().AddString(text, bEndsMessage ? 1 : 0);
        device.SendToDeviceThreadWakeUp(true);
    }
    static std::string ReadAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool WaitOffline(CDeviceQueuePrt& device) {
        return PumpUntil([&] { return device.GetDeviceState() == core::DEVICE_OFFLINE; });
    }
};

// Where no print server answers, the printer list is empty.
TEST_F(QueuePrinterTest, WithoutAServerThePrinterListIsEmpty) {
    std::optional<std::string> previous;
    if (const char* server = std::getenv("CUPS_SERVER")) previous = server;
    ::setenv("CUPS_SERVER", (root / "no-server").c_str(), 1);
    spooler::ForgetServer();
    devices::CEnumPrinters list;
    list.LoadQueueList();
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetNext(), "");
    if (previous) {
        ::setenv("CUPS_SERVER", previous->c_str(), 1);
    } else {
        ::unsetenv("CUPS_SERVER");
    }
    spooler::ForgetServer();
}

class QueuePrinterCupsTest : public QueuePrinterTest {
protected:
    void SetUp() override {
        QueuePrinterTest::SetUp();
        if (!support::TestCupsd::Available()) GTEST_SKIP() << "needs root and cupsd";
        cupsd = std::make_unique<support::TestCupsd>(root.path());
        ASSERT_TRUE(cupsd->Start()) << cupsd->ErrorLog();
    }
    void TearDown() override {
        device.reset();
        cupsd.reset();
        QueuePrinterTest::TearDown();
    }
    // The documents of the queue's n jobs, once all completed.
    std::vector<std::string> Documents(const std::string& queue, std::size_t n) {
        std::vector<std::string> docs;
        const auto ids = cupsd->WaitJobsCompleted(queue, n);
        if (!ids) {
            ADD_FAILURE() << "jobs not completed\n" << cupsd->ErrorLog();
            return docs;
        }
        for (int id : *ids) docs.push_back(cupsd->JobDocument(id).value_or("<none>"));
        return docs;
    }

    std::unique_ptr<support::TestCupsd> cupsd;
    std::unique_ptr<CDeviceQueuePrt> device;
};

TEST_F(QueuePrinterCupsTest, EnumerationListsEveryQueueOnceInOrder) {
    for (const char* name : {"Alpha", "beta", "Gamma"}) ASSERT_TRUE(cupsd->AddQueue(name));
    devices::CEnumPrinters list;
    list.LoadQueueList();
    std::vector<std::string> names;
    for (std::string n = list.GetNext(); !n.empty(); n = list.GetNext()) names.push_back(n);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Gamma"}));
    EXPECT_EQ(list.GetNext(), "");
    EXPECT_TRUE(list.FindPrinterName("beta"));
    EXPECT_FALSE(list.FindPrinterName("Beta"));
}

// The machine's default printer is the client library's default destination: the server's
// default queue, unless the user names another (LPDEST).
TEST_F(QueuePrinterCupsTest, TheDefaultQueueIsTheClientLibrarysDefault) {
    ::unsetenv("LPDEST");
    ::unsetenv("PRINTER");
    for (const char* name : {"Alpha", "Beta"}) ASSERT_TRUE(cupsd->AddQueue(name));
    std::string error;
    ASSERT_TRUE(spooler::SetDefaultQueue("Beta", error)) << error;
    EXPECT_EQ(spooler::Spooler().DefaultQueue(), "Beta");
    ::setenv("LPDEST", "Alpha", 1);
    EXPECT_EQ(spooler::Spooler().DefaultQueue(), "Alpha");
    ::unsetenv("LPDEST");
}

TEST_F(QueuePrinterCupsTest, OneJobPerMessageWithEveryLineIndented) {
    ASSERT_TRUE(cupsd->AddQueue("Reports"));
    Configure("Reports", 45);
    device = std::make_unique<CDeviceQueuePrt>("Device 01");
    Queue(*device, {"A\r\nB\rD", "E\r"});
    const std::string p(40, ' ');
    EXPECT_EQ(Documents("Reports", 1),
              (std::vector<std::string>{p + "A\r\n" + p + "B\r" + p + "DE\r"}));
    // The file device of the queue got the same bytes.
    EXPECT_EQ(ReadAll(cupsd->OutputFile("Reports")), p + "A\r\n" + p + "B\r" + p + "DE\r");
}

TEST_F(QueuePrinterCupsTest, WithoutOffsetBytesPassAsTheyAre) {
    ASSERT_TRUE(cupsd->AddQueue("Raw"));
    Configure("Raw", 0);
    device = std::make_unique<CDeviceQueuePrt>("Device 01");
    const std::string bytes("\x1B@A\r\n\x00\xFF\x0C", 8);
    Queue(*device, {bytes});
    Queue(*device, {"X", "Y"});
    EXPECT_EQ(Documents("Raw", 2), (std::vector<std::string>{bytes, "XY"}));
}

TEST_F(QueuePrinterCupsTest, AnUnknownPrinterFailsBeforeAnyJob) {
    ASSERT_TRUE(cupsd->AddQueue("Other"));
    Configure("Missing", 0);
    device = std::make_unique<CDeviceQueuePrt>("Device 01");
    Queue(*device, {"X"});
    ASSERT_TRUE(WaitOffline(*device));
    EXPECT_NE(device->GetLastError().find("System Printer Missing does not exist"),
              std::string::npos);
    EXPECT_TRUE(spooler::QueueJobs("Other").empty());
}

TEST_F(QueuePrinterCupsTest, AQueueThatVanishesMidMessageTakesTheDeviceOffline) {
    ASSERT_TRUE(cupsd->AddQueue("Gone"));
    Configure("Gone", 0);
    device = std::make_unique<CDeviceQueuePrt>("Device 01");
    Add(*device, "A", false);
    ASSERT_TRUE(PumpUntil([] { return spooler::QueueJobs("Gone").size() == 1; }));
    std::string error;
    ASSERT_TRUE(spooler::DeleteQueue("Gone", error)) << error;
    Add(*device, "B", true);
    ASSERT_TRUE(WaitOffline(*device));
    EXPECT_NE(device->GetLastError().find("System Printer Gone does not exist"), std::string::npos);
    // The device is ready for the next message once the queue is back.
    ASSERT_TRUE(cupsd->AddQueue("Gone"));
    Add(*device, "C", true);
    const auto docs = Documents("Gone", 1);
    EXPECT_EQ(docs, (std::vector<std::string>{"C"}));
}

TEST_F(QueuePrinterCupsTest, HostMessagesAreAcknowledgedAndPrinted) {
    ASSERT_TRUE(cupsd->AddQueue("Reports"));
    Configure("Reports", 0, true);
    device = std::make_unique<CDeviceQueuePrt>("Device 01");
    Attach(*device);
    EXPECT_EQ(Send(HostMessage("C2 C1", "HELLO")), '0');
    EXPECT_EQ(Documents("Reports", 1), (std::vector<std::string>{"HELLO"}));
}

// --- Failures of the spooler --------------------------------------------------------------

class QueuePrinterFaultTest : public QueuePrinterTest {
protected:
    void SetUp() override {
        QueuePrinterTest::SetUp();
        fake.AddQueue("Reports");
        Configure("Reports", 0);
        device = std::make_unique<CDeviceQueuePrt>("Device 01");
    }
    void TearDown() override {
        device.reset();
        QueuePrinterTest::TearDown();
    }
    bool WaitJobs(std::size_t n) {
        return PumpUntil([&] {
            const auto jobs = fake.Jobs();
            return jobs.size() == n && jobs.back().bFinished;
        });
    }

    support::FakeSpooler fake;
    std::unique_ptr<CDeviceQueuePrt> device;
};

TEST_F(QueuePrinterFaultTest, AFailedWriteFinishesTheJobWithWhatWasWritten) {
    fake.FailWrite(2);
    Queue(*device, {"A", "B", "C"});
    ASSERT_TRUE(WaitJobs(2));
    const auto jobs = fake.Jobs();
    EXPECT_EQ(jobs[0].strData, "A");
    EXPECT_FALSE(jobs[0].bDestroyedUnfinished);
    EXPECT_EQ(jobs[0].strTitle, "Device 01");
    // The rest of the message is a job of its own.
    EXPECT_EQ(jobs[1].strData, "C");
    EXPECT_NE(device->GetLastError().find("write refused"), std::string::npos);
}

TEST_F(QueuePrinterFaultTest, AVanishedPrinterFinishesTheJob) {
    Add(*device, "A", false);
    Add(*device, "B", false);
    ASSERT_TRUE(
        PumpUntil([&] { return fake.Jobs().size() == 1 && fake.Jobs()[0].strData == "AB"; }));
    fake.RemoveQueue("Reports");
    Add(*device, "C", true);
    ASSERT_TRUE(WaitOffline(*device));
    ASSERT_TRUE(WaitJobs(1));
    EXPECT_EQ(fake.Jobs()[0].strData, "AB");
}

TEST_F(QueuePrinterFaultTest, AnUnfinishedJobIsFinishedOnDestroy) {
    Add(*device, "A", false);
    Add(*device, "B", false);
    ASSERT_TRUE(PumpUntil([&] { return !fake.Jobs().empty() && fake.Jobs()[0].strData == "AB"; }));
    EXPECT_FALSE(fake.Jobs()[0].bFinished);
    device.reset();
    ASSERT_EQ(fake.Jobs().size(), 1u);
    EXPECT_TRUE(fake.Jobs()[0].bFinished);
    EXPECT_FALSE(fake.Jobs()[0].bDestroyedUnfinished);
}

TEST_F(QueuePrinterFaultTest, ARefusedJobLeavesNothingOpen) {
    fake.FailNextStart();
    Queue(*device, {"A"});
    ASSERT_TRUE(WaitOffline(*device));
    Queue(*device, {"B"});
    ASSERT_TRUE(WaitJobs(1));
    EXPECT_EQ(fake.Jobs()[0].strData, "B");
}

}  // namespace
}  // namespace devkinds
