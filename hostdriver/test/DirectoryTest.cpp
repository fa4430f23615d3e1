// The terminal front end's look-up through the directory client in use against a directory
// server of the test's own: the host information it takes and the file it rewrites, the first
// of two matches, exact records, entries lacking an attribute, no directory or no library;
// and over a library of the tests' own, the time-outs the client gives the library.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostdriver/DirectoryClient.h"
#include "hostdriver/DriverRuntime.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/LdapDirectoryClient.h"
#include "hostdriver/TerminalMFE.h"
#include "support/DriverHarness.h"
#include "support/FakeLdap.h"
#include "support/TempRoot.h"
#include "support/TestSlapd.h"

namespace quildrv {
namespace {

using Mapping = support::TestSlapd::Mapping;

class DirectoryTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_EQ(DriverStartup(), 1);
        harness.SetGlobal("LDAPADDR", "127.0.0.1");
        harness.SetRoute("CN", support::TestSlapd::kCn);
        harness.SetGlobal("OU", support::TestSlapd::kOu);
        harness.SetGlobal("O", support::TestSlapd::kO);
        harness.SetRoute("HOSTINFO", (root / "HOSTINFO.TXT").string());
    }
    void TearDown() override {
        terminal.reset();
        directory.Stop();
        SetDirectoryClientMaker(nullptr);
        DriverShutdown();
    }

    void StartDirectory(const std::vector<Mapping>& entries) {
        ASSERT_TRUE(support::TestSlapd::Available())
            << "slapd is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(directory.Start(entries)) << directory.Log();
        harness.SetGlobal("LDAPPORT", std::to_string(directory.Port()));
    }

    CTerminalMFE& Terminal() {
        terminal = std::make_unique<CTerminalMFE>();
        (void)terminal->SetHostDrvInterface(&driver);
        return *terminal;
    }

    support::TestSlapd directory{root.path()};
    support::DriverHarness harness;
    CHostDrvInt driver{&harness};
    std::unique_ptr<CTerminalMFE> terminal;
};

TEST_F(DirectoryTest, TheDirectoryFillsTheHostTableAndRewritesTheFile) {
    root.WriteFile("HOSTINFO.TXT", "OLD;old.example;C9;\r\n");
    StartDirectory({
        {{"ab*"}, {".host.example", "ignored.example"}, {"c1"}},
        {{"xy"}, {}, {"c2"}},  // no host name: skipped
        {{}, {"nopaid.example"}, {"c2"}},
        {{"ab12"}, {"other.example"}, {"c2"}},
        {{"cd1"}, {"cd.example"}, {"c3"}},
    });
    CTerminalMFE& t = Terminal();
    ASSERT_TRUE(t.Init());
    EXPECT_TRUE(harness.HasLogLine("LDAP Init Succeeded"));
    EXPECT_EQ(root.ReadFile("HOSTINFO.TXT"),
              "AB*;.HOST.EXAMPLE;C1;\r\nAB12;OTHER.EXAMPLE;C2;\r\nCD1;CD.EXAMPLE;C3;\r\n");
    struct Case {
        const char* paid;
        const char* host;  // null: not resolved
    };
    const Case cases[] = {
        {"AB12", "AB12.HOST.EXAMPLE"},  // the first of two matches
        {"ab9", "ab9.HOST.EXAMPLE"},
        {"cd1", "CD.EXAMPLE"},
        {"CD12", nullptr},  // an exact record of another length
        {"C", nullptr},
        {"XY", nullptr},
        {"OLD", nullptr},
    };
    for (const Case& c : cases) {
        const auto host = t.GetDomainName(c.paid);
        if (c.host == nullptr)
            EXPECT_FALSE(host.has_value()) << c.paid;
        else
            EXPECT_EQ(host, c.host) << c.paid;
    }
}

TEST_F(DirectoryTest, WithoutTheDirectoryOrTheLibraryTheFileIsRead) {
    StartDirectory({{{"ab*"}, {".host.example"}, {"c1"}}});
    const std::string hostInfo = "XY;127.0.0.2;C2;\r\n";
    struct Case {
        const char* name;
        bool stopDirectory;
        const char* library;
    };
    const Case cases[] = {
        {"directory stopped", true, ldapbind::kLibraryFile},
        {"no library", false, "libnothere.so.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stopDirectory) directory.Stop();
        const std::string library = c.library;
        SetDirectoryClientMaker(
            [library] { return std::make_unique<CLdapDirectoryClient>(library); });
        root.WriteFile("HOSTINFO.TXT", hostInfo);
        harness.ClearRecords();
        CTerminalMFE& t = Terminal();
        ASSERT_TRUE(t.Init());
        EXPECT_TRUE(harness.HasLogLine("LDAP Init failed!"));
        EXPECT_EQ(t.GetDomainName("xy"), "127.0.0.2");
        EXPECT_FALSE(t.GetDomainName("AB12").has_value());
        EXPECT_EQ(root.ReadFile("HOSTINFO.TXT"), hostInfo);
    }

    // Neither a directory nor a file: the table stays empty and Init still answers true.
    harness.SetRoute("HOSTINFO", (root / "NONE.TXT").string());
    CTerminalMFE& empty = Terminal();
    EXPECT_TRUE(empty.Init());
    EXPECT_TRUE(empty.HostInfo().Empty());
}

TEST_F(DirectoryTest, TheLibraryGetsTheConnectTimeOutAndTheResultWait) {
    support::FakeLdap fake;
    ASSERT_NE(fake.Control(), nullptr);
    fake.Control()->SetEntries(
        {{{"quil-host", {"ab*"}}, {"quil-hostname", {".host.example"}}, {"quil-cluster", {"c1"}}}});
    const std::string library = fake.Path().string();
    SetDirectoryClientMaker([library] { return std::make_unique<CLdapDirectoryClient>(library); });
    harness.SetGlobal("LDAPPORT", "1389");
    const auto calls = [](const char* timeout) {
        const std::string t = timeout;
        return std::vector<std::string>{
            "ldap_init 127.0.0.1 1389",
            "ldap_set_option 17 3",
            "ldap_set_option 4 " + t,
            "ldap_set_option 20485 " + t + "s 0us",
            "ldap_connect",
            "ldap_search cn=paids,ou=res,o=trevo 2 (objectClass=quil-mapping) "
            "quil-hostname,quil-host,quil-cluster 0",
            "ldap_result 1 1 10s 0us",
            "ldap_msgfree",
            "ldap_unbind"};
    };

    ASSERT_TRUE(Terminal().Init());  // LDAPCONNECTTIMEOUT absent
    EXPECT_TRUE(harness.HasLogLine("Default LDAPCONNECTTIMEOUT=3"));
    EXPECT_EQ(fake.Control()->Calls(), calls("3"));
    EXPECT_EQ(terminal->GetDomainName("AB1"), "AB1.HOST.EXAMPLE");
    EXPECT_EQ(fake.Control()->OutstandingValues(), 0);

    fake.Control()->Reset();
    harness.SetGlobal("LDAPCONNECTTIMEOUT", "7");
    ASSERT_TRUE(Terminal().Init());
    EXPECT_EQ(fake.Control()->Calls(), calls("7"));

    fake.Control()->Reset();
    harness.SetRoute("NOLDAP", "1");
    ASSERT_TRUE(Terminal().Init());
    EXPECT_TRUE(fake.Control()->Calls().empty());
}

}  // namespace
}  // namespace quildrv
