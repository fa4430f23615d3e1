// The driver object: the exports of the module, the choice of front end by DEVTYPE, the two
// logging modes, the placeholder contexts and the answers of the forwarded operations when
// there is no front end or the front end throws.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "hostdriver/DriverRuntime.h"
#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostDrvInt.h"
#include "platform/DynamicLibrary.h"
#include "support/DriverHarness.h"
#include "support/TempRoot.h"
#include "support/TestFrontEnd.h"

namespace quildrv {
namespace {

// A front end whose every forwarded operation throws.
class ThrowingFrontEnd : public support::TestFrontEnd {
public:
    bool IsHostAvailable() override { throw std::runtime_error("x"); }
    bool IsConnected() override { throw std::runtime_error("x"); }
    const char* GetLNIATA() override { throw std::runtime_error("x"); }
    const char* GetSessionData() override { throw std::runtime_error("x"); }
    void WorkHostQueue() override { throw std::runtime_error("x"); }
    int BackGroundConnect(unsigned char*) override { throw std::runtime_error("x"); }
    int SendToHost(const unsigned char*, unsigned int) override { throw std::runtime_error("x"); }
    int RecvFromHost(unsigned char**, unsigned int*) override { throw std::runtime_error("x"); }
    int EndSession() override { throw std::runtime_error("x"); }
    int BeginSession() override { return COMM_WAITING; }
};

class DriverObjectTest : public support::TempRootTest {
protected:
    void SetUp() override {
        support::RegisterTestFrontEnd("TERMINAL");
        RegisterFrontEndMaker("PRINTER", {});  // no printer front end here
        ASSERT_EQ(DriverStartup(), 1);
        harness.SetRoute("DEFAULTHOST", "127.0.0.1");
        harness.SetRoute("LNIATA", "1A2B01");
        harness.SetRoute("LID", "0000ABCD");
    }
    void TearDown() override { DriverShutdown(); }

    support::DriverHarness harness;
};

TEST_F(DriverObjectTest, DevTypeAndLogInterfaceChooseFrontEndAndLogMode) {
    struct Case {
        const char* devType;  // nullptr: not configured
        const char* logInterface;
        int result;
        bool frontEnd;
        CHostDrvInt::LogMode mode;
        const char* line;
    };
    const Case cases[] = {
        {nullptr, nullptr, COMM_ERR_BADAPIOPTION, false, CHostDrvInt::kPrioritized,
         "Missing DEVTYPE: returning COMM_ERR_BADAPIOPTION"},
        {"terminal", nullptr, COMM_ERR_BADAPIOPTION, false, CHostDrvInt::kPrioritized,
         "Invalid DEVTYPE: returning COMM_ERR_BADAPIOPTION"},
        {"PRINTER", nullptr, COMM_ERR_OUTOFMEMORY, false, CHostDrvInt::kPrioritized,
         "Couldn't allocate MFE Interface: returning COMM_ERR_OUTOFMEMORY!"},
        {"TERMINAL", "Other", COMM_NO_ERROR, true, CHostDrvInt::kPrioritized,
         "m_pMFEInt->BeginSession() returned. returning 0!"},
        {"TERMINAL", "simple", COMM_NO_ERROR, true, CHostDrvInt::kSimple,
         "I [harness]CHostDrvInt::ConnectToHost>m_pMFEInt->BeginSession() returned. returning "
         "0!\n"},
    };
    for (const auto& c : cases) {
        support::DriverHarness h;
        h.SetRoute("DEFAULTHOST", "127.0.0.1");
        h.SetRoute("LNIATA", "1A2B01");
        if (c.devType) h.SetRoute("DEVTYPE", c.devType);
        if (c.logInterface) h.SetRoute("DRVLOGINTERFACE", c.logInterface);
        CHostDrvInt driver(&h);
        EXPECT_EQ(driver.ConnectToHost(), c.result) << c.line;
        EXPECT_EQ(driver.FrontEnd() != nullptr, c.frontEnd) << c.line;
        EXPECT_EQ(driver.GetLogMode(), c.mode) << c.line;
        EXPECT_TRUE(h.HasLogLine(c.line)) << c.line;
        if (!c.frontEnd) {
            // A good DEVTYPE later still makes the front end.
            h.SetRoute("DEVTYPE", "TERMINAL");
            EXPECT_EQ(driver.ConnectToHost(), COMM_NO_ERROR) << c.line;
            EXPECT_NE(driver.FrontEnd(), nullptr) << c.line;
        }
    }
}

TEST_F(DriverObjectTest, SimpleModeLogsLongMessagesWholeWithTheirLetter) {
    harness.SetRoute("DEVTYPE", "TERMINAL");
    harness.SetRoute("DRVLOGINTERFACE", "SIMPLE");
    CHostDrvInt driver(&harness);
    ASSERT_EQ(driver.ConnectToHost(), COMM_NO_ERROR);
    harness.ClearRecords();
    const std::string message(2000, 'm');
    driver.Log(UTKLogger::CPriority::WARN, "ctx", "%s", message.c_str());
    driver.Log(static_cast<EPRIORITY>(450), "ctx", "odd");
    const auto lines = harness.LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "DBG:W ctx>" + message + "\n");
    EXPECT_EQ(lines[1], "DBG:U ctx>odd\n");
    for (auto [priority, letter] : {std::pair{0, 'O'},
                                    {100, 'F'},
                                    {200, 'A'},
                                    {300, 'C'},
                                    {400, 'E'},
                                    {500, 'W'},
                                    {600, 'N'},
                                    {700, 'I'},
                                    {800, 'D'}})
        EXPECT_EQ(PriorityLetter(priority), letter);
}

TEST(PlaceholderContextTest, FillsWhatFits) {
    struct Case {
        unsigned size;
        const char* method;
        const char* want;
    };
    const Case cases[] = {
        {256, "CHostDrvInt::SendToHost", "[?????????????:?????:??????]CHostDrvInt::SendToHost"},
        {32, "abc", "[?????????????:?????:??????]abc"},
        {31, "abc", "abc"},
        {4, "abc", "abc"},
        {3, "abc", "untouched"},
    };
    for (const auto& c : cases) {
        char buffer[256] = "untouched";
        PlaceholderContext(buffer, c.size, c.method);
        EXPECT_STREQ(buffer, c.want) << c.size;
    }
    // A driver object without a session behaves the same.
    CHostDrvInt driver(nullptr);
    char buffer[256] = {};
    driver.SetLocalContext(buffer, sizeof buffer, "X");
    EXPECT_STREQ(buffer, "[?????????????:?????:??????]X");
}

TEST_F(DriverObjectTest, SessionTextBeforeAndAfterTheBegin) {
    harness.SetRoute("DEVTYPE", "TERMINAL");
    CHostDrvInt driver(&harness);
    EXPECT_STREQ(driver.GetDriverSessionInfo(), "PROTOCOL=QUIL");
    ASSERT_EQ(driver.ConnectToHost(), COMM_NO_ERROR);
    EXPECT_STREQ(driver.GetDriverSessionInfo(),
                 "PROTOCOL=QUIL/RID=1A2B01LID=0000ABCDLNIATA=1A2B01HOSTSYS=127.0.0.1");
    EXPECT_STREQ(driver.GetHostAddr(), "1A2B01");
}

TEST_F(DriverObjectTest, ForwardedOperationsAnswerForAMissingOrThrowingFrontEnd) {
    CHostDrvInt none(&harness);
    unsigned char* data = nullptr;
    unsigned int length = 0;
    QUILOptionsState state;
    EXPECT_EQ(none.DisconnectFromHost(), COMM_ERR_RECONNECT);
    EXPECT_EQ(none.SendToHost(nullptr, 0), COMM_ERR_RECONNECT);
    EXPECT_EQ(none.RecvFromHost(&data, &length), COMM_ERR_RECONNECT);
    EXPECT_EQ(none.SetAccumulationMode(true), COMM_ERR_RECONNECT);
    EXPECT_EQ(none.EnqueueDataToChain(nullptr, 0), COMM_ERR_RECONNECT);
    EXPECT_EQ(none.BackGroundConnect(nullptr), COMM_ERR_NOCONNECTION);
    EXPECT_FALSE(none.SetDriverOption(2, 1));
    EXPECT_FALSE(none.SetElementState(0, nullptr));
    EXPECT_EQ(none.GetElementState(0, &state), nullptr);
    EXPECT_FALSE(none.IsHostAvailable());
    EXPECT_EQ(none.GetHostAddr(), nullptr);

    RegisterFrontEndMaker("PRINTER", [] { return new ThrowingFrontEnd; });
    harness.SetRoute("DEVTYPE", "PRINTER");
    CHostDrvInt driver(&harness);
    EXPECT_EQ(driver.ConnectToHost(), COMM_WAITING);
    EXPECT_TRUE(
        harness.HasLogLine("700 [harness]CHostDrvInt::ConnectToHost>m_pMFEInt->BeginSession() "
                           "returned. returning 1003!"));
    EXPECT_EQ(driver.BackGroundConnect(nullptr), COMM_ERR_NOCONNECTION);
    EXPECT_FALSE(driver.IsHostAvailable());
    EXPECT_FALSE(driver.IsConnected());
    EXPECT_EQ(driver.GetHostAddr(), nullptr);
    EXPECT_STREQ(driver.GetDriverSessionInfo(), "PROTOCOL=QUIL");
    driver.WorkHostQueue();
    EXPECT_EQ(driver.SendToHost(nullptr, 0), COMM_SEND_FAILED);
    EXPECT_EQ(driver.RecvFromHost(&data, &length), COMM_ERR_UNKNOWN);
    EXPECT_EQ(driver.DisconnectFromHost(), COMM_NO_ERROR);
    EXPECT_TRUE(harness.HasLogLine("CHostDrvInt::SendToHost>exception caught!"));
}

TEST_F(DriverObjectTest, UnreadableCallbackRefusesTheConnectAndLogsNothing) {
    CHostDrvInt driver(reinterpret_cast<CApiBaseInterface*>(std::uintptr_t{16}));
    EXPECT_EQ(driver.ConnectToHost(), COMM_CONNECT_FAILED);
}

TEST(DriverModuleTest, LoadsStartsAndUnloadsClean) {
    support::TempRoot root;
    platform::DynamicLibrary module;
    ASSERT_TRUE(module.Open(platform::MapLibraryName("QUILDRV.DLL"))) << module.error();
    support::DriverEntryPoints exports;
    ASSERT_TRUE(exports.Bind(module)) << module.error();
    ASSERT_EQ(exports.init(), 1);
    support::DriverHarness harness;
    CHostDrvInterface* driver = exports.create(&harness);
    ASSERT_NE(driver, nullptr);
    EXPECT_STREQ(driver->GetDriverSessionInfo(), "PROTOCOL=QUIL");
    EXPECT_EQ(driver->ConnectToHost(), COMM_ERR_BADAPIOPTION);
    EXPECT_TRUE(harness.HasLogLine("Missing DEVTYPE: returning COMM_ERR_BADAPIOPTION"));
    exports.destroy(driver);
    exports.destroy(nullptr);
    EXPECT_EQ(exports.terminate(), 0);
    module.Close();
}

}  // namespace
}  // namespace quildrv
