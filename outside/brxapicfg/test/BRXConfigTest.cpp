#include <gtest/gtest.h>

#include <string>

#include "brxapicfg/BRXConfig.h"
#include "support/LoopbackProvider.h"
#include "support/TempRoot.h"

namespace {

// Texts and numbers of route and provider keys: written, read back, of the wrong type,
// deleted; sub-keys by index.
TEST(BRXConfig, ValuesAndKeysOfTheRouteTree) {
    support::TempRoot root;
    BRXConfig config;
    ASSERT_EQ(config.SetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", "127.0.0.1"), 0);
    ASSERT_EQ(config.SetValue(BRXConfig::kRoutesKey, "R1", "Remote Port", 30051ul), 0);
    ASSERT_EQ(config.SetValue(BRXConfig::kRoutesKey, "R2", "Service Provider", "QUIL"), 0);

    std::string text = "kept";
    unsigned long number = 7;
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", &text), 0);
    EXPECT_EQ(text, "127.0.0.1");
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Remote Port", &number), 0);
    EXPECT_EQ(number, 30051u);
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Remote Port", &text), 13);
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", &number), 13);
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R9", "Remote Port", &number), 2);
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Nothing", &text), 2);
    EXPECT_EQ(text, "127.0.0.1");
    EXPECT_EQ(number, 30051u);

    EXPECT_EQ(config.DeleteValue(BRXConfig::kRoutesKey, "R1", "Remote Port"), 0);
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Remote Port", &number), 2);
    EXPECT_EQ(config.DeleteValue(BRXConfig::kRoutesKey, "R1", "Remote Port"), 2);

    std::string name;
    EXPECT_EQ(config.EnumKey(BRXConfig::kRoutesKey, &name, 0), 0);
    EXPECT_EQ(name, "R1");
    EXPECT_EQ(config.EnumKey(BRXConfig::kRoutesKey, &name, 1), 0);
    EXPECT_EQ(name, "R2");
    EXPECT_EQ(config.EnumKey(BRXConfig::kRoutesKey, &name, 2), 259);
}

// Default session of an application and default end system of a session, and the
// application's configuration that gives the former.
TEST(BRXConfig, DefaultSessionAndEndSystem) {
    support::TempRoot root;
    BRXConfig config;
    std::string value = "kept";
    EXPECT_NE(config.GetDefaultSession("TREVO VEKA", &value), 0);
    EXPECT_EQ(BRXAPIConfiguration("TREVO VEKA", &value), 0);
    EXPECT_EQ(value, "kept");

    ASSERT_EQ(config.SetDefaultSession("TREVO VEKA", "PRN1"), 0);
    ASSERT_EQ(config.SetDefaultEndSystem("PRN1", "Device 01"), 0);
    EXPECT_EQ(config.GetDefaultSession("trevo veka", &value), 0);
    EXPECT_EQ(value, "PRN1");
    EXPECT_EQ(config.GetValue(BRXConfig::kApplicationsKey, "TREVO VEKA", "Default Session", &value),
              0);
    EXPECT_EQ(config.GetDefaultEndSystem("PRN1", &value), 0);
    EXPECT_EQ(value, "Device 01");
    EXPECT_EQ(config.GetValue(BRXConfig::kSessionsKey, "PRN1", "Default EndSystem", &value), 0);

    value.clear();
    EXPECT_EQ(BRXAPIConfiguration("TREVO VEKA", &value), 1);
    EXPECT_EQ(value, "PRN1");
}

// A provider's own configuration: loaded by its key, its answer given back unchanged, the
// values it writes in the route's key; a provider that cannot be loaded answers 0.
TEST(BRXConfig, ConfigureServiceProvider) {
    support::TempRoot root;
    support::WriteLoopbackRoute("R0");
    ASSERT_NE(support::Loopback(), nullptr);
    for (int answer : {1, 2}) {
        support::Loopback()->SetConfigResult(answer);
        EXPECT_EQ(BRXAPIConfigureServiceProvider(support::kLoopbackProvider, "R1", 2), answer);
    }
    support::Loopback()->Reset();
    BRXConfig config;
    std::string provider;
    unsigned long kind = 0;
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Service Provider", &provider), 0);
    EXPECT_EQ(provider, support::kLoopbackProvider);
    EXPECT_EQ(config.GetValue(BRXConfig::kRoutesKey, "R1", "Device Kind", &kind), 0);
    EXPECT_EQ(kind, 2u);
    EXPECT_EQ(BRXAPIConfigureServiceProvider("NOSUCH", "R1", 2), 0);
}

}  // namespace
