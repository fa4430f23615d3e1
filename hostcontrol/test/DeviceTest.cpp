#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "ControlFixture.h"
#include "brxapicfg/BRXConfig.h"
#include "hostcontrol/DeviceErrors.h"
#include "hostcontrol/Lookups.h"

namespace hostcontrol_test {
namespace {

using hostcontrol::CPrinterCtrl;
using platform::Variant;
using DeviceTest = ControlTest<CPrinterCtrl>;

// Every device code with its text; codes without a text of their own; codes of the
// connection, whose text is the connection's.
TEST(DeviceErrors, CodesAndTexts) {
    const std::pair<int, const char*> rows[] = {
        {0, "There is no error"},
        {1, "Configuration Error."},
        {2, "The Configuration Entry specified was not found."},
        {7, "There is no  Application Name specified The connection cannot be opened."},
        {16, "There has been an unknown error in the device object."},
        {18, "There was an error retreiving data from the queue."},
        {25, "No Error."},
        {26, "An error has occured in the Device object ."},
        {28, "There has been an unknown error in the device object."},
        {45, "This functionality has not yet been Implemented."},
        {1000, "There has been an unknown error in the device object."},
    };
    for (const auto& [code, text] : rows) {
        std::string got;
        EXPECT_TRUE(hostcontrol::GetErrorText(code, got)) << code;
        EXPECT_EQ(got, text) << code;
    }
    std::string kept = "kept";
    EXPECT_FALSE(hostcontrol::GetErrorText(1009, kept));
    EXPECT_EQ(kept, "kept");
}

// Application names match without regard to case, sessions and end systems exactly; a
// missing value is an empty text.
TEST_F(DeviceTest, RegistryLookups) {
    EXPECT_TRUE(hostcontrol::ApplicationExists("trevo veka"));
    EXPECT_FALSE(hostcontrol::ApplicationExists("TREVO"));
    EXPECT_TRUE(hostcontrol::SessionExists("Device 01"));
    EXPECT_FALSE(hostcontrol::SessionExists("device 01"));
    EXPECT_TRUE(hostcontrol::EndSystemOfSession("Device 01", "HOST B"));
    EXPECT_FALSE(hostcontrol::EndSystemOfSession("Device 01", "host b"));
    EXPECT_EQ(hostcontrol::DefaultSessionOf("TREVO VEKA"), "Device 01");
    EXPECT_EQ(hostcontrol::DefaultEndSystemOf("Device 01"), "HOST A");
    EXPECT_EQ(hostcontrol::RouteOf("Device 01", "HOST B"), "Route B");
    EXPECT_EQ(hostcontrol::RouteOf("Device 01", "HOST C"), "");
    EXPECT_EQ(hostcontrol::DefaultSessionOf("NOAPP"), "");
}

// What a connect answers at each step of resolving the names, and what a provider's
// answer makes of it.
TEST_F(DeviceTest, ConnectCodes) {
    BRXConfig config;
    ASSERT_EQ(config.SetValue(BRXConfig::kApplicationsKey, "NO SESSION", "X", "1"), 0);
    ASSERT_EQ(config.SetDefaultSession("NO END SYSTEM", "Bare"), 0);
    ASSERT_EQ(config.SetValue(BRXConfig::kSessionsKey, "Bare", "X", "1"), 0);
    ASSERT_EQ(config.SetDefaultSession("NO ROUTE", "Lonely"), 0);
    ASSERT_EQ(config.SetDefaultEndSystem("Lonely", "NOWHERE"), 0);
    ASSERT_EQ(config.SetDefaultSession("NO PROVIDER", "Broken"), 0);
    ASSERT_EQ(config.SetDefaultEndSystem("Broken", "E"), 0);
    ASSERT_EQ(config.SetValue(std::string(BRXConfig::kSessionsKey) + "\\Broken", "E", "Route Name",
                              "NOSUCHROUTE"),
              0);
    struct Row {
        const char* app;
        const char* session;
        std::optional<BRXError> provider;  // the provider's answer to Connect
        bool ok;
        int code;
    };
    const Row rows[] = {
        {"", "", {}, false, 7},
        {"NOAPP", "", {}, false, 4},
        {kApp, "device 01", {}, false, 5},
        {"NO SESSION", "", {}, false, 8},
        {"NO END SYSTEM", "", {}, false, 10},
        {"NO ROUTE", "", {}, false, 9},
        {"NO PROVIDER", "", {}, false, 1010},
        {"trevo veka", "", 1009, true, 1009},
        {kApp, kSession, 0, true, 0},
        {kApp, "", 1013, false, 1013},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.app) + "/" + r.session);
        if (r.provider) support::Loopback()->SetConnectResult(*r.provider);
        hostcontrol::CTREVODevice& d = control->Device();
        d.m_bConnectPending = 0;
        EXPECT_EQ(d.Connect(r.app, r.session), r.ok);
        EXPECT_EQ(d.m_nLastError, r.code);
        EXPECT_EQ(d.m_bConnectPending, r.ok ? 1 : 0);
        if (r.ok) {
            EXPECT_EQ(d.m_strResource, "000000");
        }
        if (r.code == 1013) {
            EXPECT_EQ(d.m_strLastError, BRXErrorText(1013));
        }
    }
}

// What a send answers in each state, and a received message on a Japanese system without
// translation.
TEST_F(DeviceTest, SendAndReceiveCodes) {
    hostcontrol::CTREVODevice& d = control->Device();
    std::string data = "X";
    EXPECT_FALSE(d.Send(&data));
    EXPECT_EQ(d.m_nLastError, 13);
    support::Loopback()->SetConnectResult(0);
    ASSERT_TRUE(d.Connect(kApp, kSession));
    Host()->CompleteConnect(0);
    Host()->AssignResource("0A1B2C");
    struct Row {
        BRXState providerState;
        std::string data;
        bool ok;
        int code;
    };
    const Row rows[] = {
        {BRX_NOT_CONNECTED, "AB", false, 13},
        {BRX_CONNECTING, "AB", false, 20},
        {static_cast<BRXState>(5), "AB", false, 21},
        {BRX_IDLE, "", false, 17},
        {BRX_IDLE, std::string("\x01\x01HOST B", 8), true, 0},  // a printer sends it
        {BRX_IDLE, "AB", true, 0},
    };
    for (const Row& r : rows) {
        Host()->SetStatus(r.providerState);
        std::string copy = r.data;
        EXPECT_EQ(d.Send(&copy), r.ok) << r.data;
        EXPECT_EQ(d.m_nLastError, r.code) << r.data;
    }
    EXPECT_EQ(Host()->Sent(), (std::vector<std::string>{std::string("\x01\x01HOST B", 8), "AB"}));
    support::Loopback()->SetSendResult(1026);
    data = "CD";
    EXPECT_FALSE(d.Send(&data));
    EXPECT_EQ(d.m_nLastError, 1026);
    EXPECT_EQ(d.m_strLastError, BRXErrorText(1026));
    // A successful send keeps the old error text.
    support::Loopback()->SetSendResult(0);
    EXPECT_TRUE(d.Send(&data));
    EXPECT_EQ(d.m_nLastError, 0);
    EXPECT_EQ(d.m_strLastError, BRXErrorText(1026));

    for (int japan : {1, 0}) {
        d.m_bJapan = japan;
        d.m_bTranslate = 0;
        Host()->Deliver(
            "A\x15"
            "B\x15");
        std::string out;
        ASSERT_TRUE(d.Receive(&out));
        EXPECT_EQ(out, japan ? "A\x4F"
                               "B\x15"
                             : "A\x15"
                               "B\x15");
    }
}

// The device follows the system's locale for Japan.
TEST(DeviceLocale, JapanIsTerritoryJP) {
    const char* saved = std::getenv("LC_ALL");
    const std::string keep = saved ? saved : "";
    for (const auto& [locale, japan] : {std::pair<const char*, bool>{"ja_JP.UTF-8", true},
                                        {"ja_JP", true},
                                        {"en_US.UTF-8", false},
                                        {"C", false},
                                        {"en_JPX", false}}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(hostcontrol::IsJapaneseLocale(), japan) << locale;
    }
    if (saved) {
        setenv("LC_ALL", keep.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

}  // namespace
}  // namespace hostcontrol_test
