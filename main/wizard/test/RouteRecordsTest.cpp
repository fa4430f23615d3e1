// Routes and sessions as the end of the wizard writes them, and the removal of a device.
#include "wizard/RouteRecords.h"

#include <gtest/gtest.h>

#include "WizardFixture.h"

using namespace wizardtest;

namespace {

const std::string kRoutes = kRoot + "\\Routes";
const std::string kSessions = kRoot + "\\Sessions";

using RouteRecords = WizardTest;

TEST_F(RouteRecords, SessionNamesTheRouteOfTheEndSystem) {
    wizard::WriteSessionAndRoute("001Device 04", {});
    EXPECT_EQ(Get(kSessions + "\\001Device 04", "Default EndSystem"), "TREVO");
    EXPECT_EQ(Get(kSessions + "\\001Device 04\\TREVO", "Route Name"), "001Device 04");
}

// A configured ARLO or ZEL route is made anew with its provider's values in their order
// (the provider named in any case); any other value goes.
TEST_F(RouteRecords, ConfiguredRoutesAreTidiedByProvider) {
    const std::string arlo = kRoutes + "\\Device 01";
    PutString(arlo, "Trace File Name", "C:\\A.LOG");
    PutString(arlo, "Service Provider", "arlo");
    PutString(arlo, "LNIATA", "ABC123");
    PutDword(arlo, "Load Balancer IP Port", 12002);
    PutDword(arlo, "Idle Timeout", 30);
    PutString(arlo, "Added By The Provider", "x");
    wizard::WriteSessionAndRoute("Device 01", {"ZZZ999", "ARLO", "lb.example", 5});
    EXPECT_EQ(ValueNames(arlo),
              (std::vector<std::string>{"Service Provider", "LNIATA", "Load Balancer Name",
                                        "Load Balancer Fallback Name", "Class Name",
                                        "Load Balancer IP Port", "Use Class Name", "Tracing Active",
                                        "Trace File Name", "Alias", "End System"}));
    EXPECT_EQ(Get(arlo, "Service Provider"), "arlo");
    EXPECT_EQ(Get(arlo, "LNIATA"), "ABC123");
    EXPECT_EQ(Get(arlo, "Load Balancer IP Port"), "12002");
    EXPECT_EQ(Get(arlo, "Trace File Name"), "C:\\A.LOG");
    EXPECT_EQ(Get(arlo, "Alias"), "");  // unread values are written empty

    const std::string zel = kRoutes + "\\Device 02";
    PutString(zel, "Service Provider", "Zel");
    PutDword(zel, "ZEL Port", 1500);
    PutString(zel, "Server IP Address", "10.1.1.1");
    PutString(zel, "Extra", "x");
    wizard::WriteSessionAndRoute("Device 02", {});
    EXPECT_EQ(ValueNames(zel), (std::vector<std::string>{
                                   "Service Provider", "LNIATA", "Tracing Active", "ZEL Port",
                                   "Trace File Name", "Server IP Address", "Alias", "End System"}));
    EXPECT_EQ(Get(zel, "ZEL Port"), "1500");
    EXPECT_EQ(Get(zel, "Server IP Address"), "10.1.1.1");
}

// A route without those providers gets "Alias", "End System" and the defaults of the
// device's host; an unknown host only the first two, and a log line.
TEST_F(RouteRecords, UnconfiguredRoutesGetTheDefaultsOfTheirHost) {
    wizard::WriteSessionAndRoute("Device 01", {"ABC123", "NLM Gateway", "gw.example", 9});
    const std::string zel = kRoutes + "\\Device 01";
    EXPECT_EQ(ValueNames(zel),
              (std::vector<std::string>{"Alias", "End System", "Service Provider", "ZEL Port",
                                        "Server IP Address", "Lniata"}));
    EXPECT_EQ(Get(zel, "Service Provider"), "ZEL");
    EXPECT_EQ(Get(zel, "ZEL Port"), "1413");
    EXPECT_EQ(Get(zel, "Server IP Address"), "gw.example");
    EXPECT_EQ(Get(zel, "LNIATA"), "ABC123");

    wizard::WriteSessionAndRoute("Device 02", {"ABC124", "ARLO", "lb.example", 9});
    const std::string arlo = kRoutes + "\\Device 02";
    EXPECT_EQ(Get(arlo, "Service Provider"), "ARLO");
    EXPECT_EQ(Get(arlo, "Load Balancer Name"), "lb.example");
    EXPECT_EQ(Get(arlo, "Load Balancer Fallback Name"), wizard::kArloFallbackHost);
    EXPECT_EQ(Get(arlo, "Load Balancer IP Port"), "12001");
    EXPECT_EQ(Get(arlo, "Class Name"), "pss");
    EXPECT_EQ(Get(arlo, "Use Class Name"), "0");
    EXPECT_EQ(Get(arlo, "Idle Timeout"), "9");
    EXPECT_EQ(Get(arlo, "Trace File Name"), "C:\\BRXAPI.LOG");

    const std::string other = kRoutes + "\\Device 03";
    PutString(other, "Service Provider", "LOOPBACK");
    PutString(other, "Remote Port", "1");
    wizard::WriteSessionAndRoute("Device 03", {"", "Mainframe", "", 0});
    EXPECT_EQ(ValueNames(other),
              (std::vector<std::string>{"Service Provider", "Remote Port", "Alias", "End System"}));
    EXPECT_EQ(Get(other, "Alias"), "Device 03");
    EXPECT_EQ(Get(other, "End System"), "TREVO");
    EXPECT_EQ(LogLines("Error: Out of bounds i").size(), 1u);
}

// Route, session (its end-system subkey first), device key, and one off the count, which
// never goes below 0.
TEST_F(RouteRecords, RemovalTakesEveryRecordAndOneOffTheCount) {
    PutDevice("Device 02", "File", "F");
    PutDword(kApp, "Devices Selected", 1);
    wizard::WriteSessionAndRoute("Device 02", {});
    ASSERT_TRUE(KeyExists(kSessions + "\\Device 02\\TREVO"));
    wizard::RemoveDeviceRecords("Device 02", "");
    for (const std::string& key :
         {kRoutes + "\\Device 02", kSessions + "\\Device 02", kApp + "\\Device 02"})
        EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_EQ(Get(kApp, "Devices Selected"), "0");
    wizard::RemoveDeviceRecords("Device 02", "");
    EXPECT_EQ(Get(kApp, "Devices Selected"), "0");

    PutDword(kApp, "007Devices Selected", 2);
    wizard::RemoveDeviceRecords("007Device 01", "007");
    EXPECT_EQ(Get(kApp, "007Devices Selected"), "1");
    EXPECT_EQ(Get(kApp, "Devices Selected"), "0");
}

}  // namespace
