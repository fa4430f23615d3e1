// The directory protocol messages on their own, and the terminal front end's look-up through
// the built-in client against a loopback directory: the host information it takes and the
// file it rewrites, entries lacking an attribute, a directory that is not there, and the
// time-out it gives a directory client.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostdriver/DirectoryClient.h"
#include "hostdriver/DriverRuntime.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/LdapClient.h"
#include "hostdriver/LdapCodec.h"
#include "hostdriver/TerminalMFE.h"
#include "support/DriverHarness.h"
#include "support/Hex.h"
#include "support/LoopbackDirectory.h"
#include "support/TempRoot.h"

namespace quildrv {
namespace {

using support::FromHex;

ldap::Entry Mapping(const char* paid, const char* host, const char* cluster) {
    ldap::Entry e;
    e.dn = std::string("cn=") + paid + ",cn=paids,ou=res,o=trevo";
    if (paid[0] != '\0') e.attributes.push_back({"quil-host", {paid}});
    if (host[0] != '\0') e.attributes.push_back({"quil-hostname", {host, "ignored.example"}});
    if (cluster[0] != '\0') e.attributes.push_back({"quil-cluster", {cluster}});
    return e;
}

TEST(LdapCodecTest, MessagesReadBackAndBrokenOnesAreRefused) {
    ldap::SearchRequest search{"cn=a,ou=b,o=c", 2, 3, "objectClass", "quil-mapping", {"x", "y"}};
    const auto request = ldap::Decode(ldap::EncodeSearchRequest(7, search));
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->id, 7);
    EXPECT_EQ(request->op, ldap::kSearchRequest);
    EXPECT_EQ(request->search.base, "cn=a,ou=b,o=c");
    EXPECT_EQ(request->search.timeLimit, 3);
    EXPECT_EQ(request->search.filterValue, "quil-mapping");
    EXPECT_EQ(request->search.attributes, (std::vector<std::string>{"x", "y"}));

    ldap::Entry big = Mapping("ab*", ".host.example", "c1");
    big.attributes.push_back({"note", {std::string(300, 'n')}});  // a long-form length
    const auto bytes = ldap::EncodeEntry(300, big);
    EXPECT_EQ(ldap::MessageLength(bytes), bytes.size());
    const auto entry = ldap::Decode(bytes);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->id, 300);
    EXPECT_EQ(entry->entry.attributes.size(), 4u);
    EXPECT_EQ(entry->entry.attributes[1].second.size(), 2u);

    const auto done = ldap::Decode(ldap::EncodeResult(2, ldap::kSearchResultDone, 32));
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->resultCode, 32);

    struct Broken {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> cut = bytes;
    cut.resize(bytes.size() - 1);
    std::vector<std::uint8_t> trailing = bytes;
    trailing.push_back(0);
    const Broken broken[] = {
        {"cut short", cut},
        {"trailing byte", trailing},
        {"five length digits", FromHex("30 85 00 00 00 00 03 02 01 01")},
        {"not an application element", FromHex("30 05 02 01 01 04 00")},
        {"unknown operation", FromHex("30 05 02 01 01 4A 00")},
        {"entry without attributes", FromHex("30 07 02 01 01 64 02 04 00")},
    };
    for (const Broken& b : broken) EXPECT_FALSE(ldap::Decode(b.bytes).has_value()) << b.name;
    EXPECT_EQ(ldap::MessageLength(FromHex("30")), 0u);
    EXPECT_EQ(ldap::MessageLength(FromHex("30 82 01")), 0u);
    EXPECT_FALSE(ldap::MessageLength(FromHex("31 00")).has_value());
    EXPECT_FALSE(ldap::MessageLength(FromHex("30 84 7F 00 00 00")).has_value());
}

class DirectoryTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_EQ(DriverStartup(), 1);
        ASSERT_TRUE(directory.Start());
        harness.SetGlobal("LDAPADDR", "127.0.0.1");
        harness.SetGlobal("LDAPPORT", std::to_string(directory.Port()));
        harness.SetRoute("CN", "paids");
        harness.SetGlobal("OU", "res");
        harness.SetGlobal("O", "trevo");
        harness.SetRoute("HOSTINFO", (root / "HOSTINFO.TXT").string());
    }
    void TearDown() override {
        terminal.reset();
        directory.Stop();
        SetDirectoryClientMaker(nullptr);
        DriverShutdown();
    }

    CTerminalMFE& Terminal() {
        terminal = std::make_unique<CTerminalMFE>();
        (void)terminal->SetHostDrvInterface(&driver);
        return *terminal;
    }

    support::LoopbackDirectory directory;
    support::DriverHarness harness;
    CHostDrvInt driver{&harness};
    std::unique_ptr<CTerminalMFE> terminal;
};

TEST_F(DirectoryTest, TheDirectoryFillsTheHostTableAndRewritesTheFile) {
    root.WriteFile("HOSTINFO.TXT", "OLD;old.example;C9;\r\n");
    directory.AddEntry(Mapping("ab*", ".host.example", "c1"));
    directory.AddEntry(Mapping("xy", "", "c2"));  // no host name: skipped
    directory.AddEntry(Mapping("ab12", "other.example", "c2"));
    CTerminalMFE& t = Terminal();
    ASSERT_TRUE(t.Init());
    EXPECT_EQ(root.ReadFile("HOSTINFO.TXT"), "AB*;.HOST.EXAMPLE;C1;\r\nAB12;OTHER.EXAMPLE;C2;\r\n");
    EXPECT_EQ(t.GetDomainName("AB12"), "AB12.HOST.EXAMPLE");  // the first match wins
    EXPECT_FALSE(t.GetDomainName("OLD").has_value());
    EXPECT_FALSE(t.GetDomainName("XY").has_value());

    const auto searches = directory.Searches();
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_EQ(searches[0].base, "cn=paids,ou=res,o=trevo");
    EXPECT_EQ(searches[0].scope, 2);
    EXPECT_EQ(searches[0].timeLimit, 3);
    EXPECT_EQ(searches[0].filterAttribute, "objectClass");
    EXPECT_EQ(searches[0].filterValue, "quil-mapping");
    EXPECT_EQ(searches[0].attributes,
              (std::vector<std::string>{"quil-hostname", "quil-host", "quil-cluster"}));
    EXPECT_TRUE(harness.HasLogLine("Default LDAPCONNECTTIMEOUT=3"));
}

TEST_F(DirectoryTest, WithoutADirectoryTheFileIsRead) {
    directory.Stop();
    root.WriteFile("HOSTINFO.TXT", "XY;127.0.0.2;C2;\r\n");
    CTerminalMFE& t = Terminal();
    ASSERT_TRUE(t.Init());
    EXPECT_TRUE(harness.HasLogLine("LDAP Init failed!"));
    EXPECT_EQ(t.GetDomainName("xy"), "127.0.0.2");

    // Neither a directory nor a file: the table stays empty and Init still answers true.
    harness.SetRoute("HOSTINFO", (root / "NONE.TXT").string());
    CTerminalMFE& empty = Terminal();
    EXPECT_TRUE(empty.Init());
    EXPECT_TRUE(empty.HostInfo().Empty());
}

class RecordingDirectory : public CDirectoryClient {
public:
    explicit RecordingDirectory(std::vector<int>* timeouts) : m_timeouts(timeouts) {}
    bool Connect(const std::string&, int, const std::string&, int timeoutSeconds) override {
        m_timeouts->push_back(timeoutSeconds);
        return false;
    }
    bool Search(const std::vector<std::string>&) override { return false; }
    std::vector<std::string> GetValues(const std::string&) override { return {}; }
    bool NextEntry() override { return false; }
    void Close() override {}

private:
    std::vector<int>* m_timeouts;
};

TEST_F(DirectoryTest, TheConnectTimeOutComesFromTheSettingsOrIsThreeSeconds) {
    std::vector<int> timeouts;
    SetDirectoryClientMaker([&] { return std::make_unique<RecordingDirectory>(&timeouts); });
    ASSERT_TRUE(Terminal().Init());
    harness.SetGlobal("LDAPCONNECTTIMEOUT", "7");
    ASSERT_TRUE(Terminal().Init());
    harness.SetRoute("NOLDAP", "1");
    ASSERT_TRUE(Terminal().Init());
    EXPECT_EQ(timeouts, (std::vector<int>{3, 7}));
    EXPECT_EQ(CLdapClient::kResultWaitMs, 10000);
}

}  // namespace
}  // namespace quildrv
