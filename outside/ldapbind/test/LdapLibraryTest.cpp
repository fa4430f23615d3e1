// The client over a directory-access library of the tests' own: what it sets on the
// connection and asks of the search, walking the entries and giving their values back, a
// library without one of the entry points, no library at all, and Close at any point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ldapbind/LdapLibrary.h"
#include "support/FakeLdap.h"

namespace ldapbind {
namespace {

std::vector<std::string> Take(CLdapLibrary& client, const char* attribute) {
    std::vector<std::string> out;
    char** values = client.GetValues(attribute);
    for (char** v = values; v != nullptr && *v != nullptr; ++v) out.emplace_back(*v);
    client.FreeValues(values);
    return out;
}

TEST(LdapLibraryTest, ConnectsSearchesAndWalksTheEntries) {
    support::FakeLdap fake;
    ASSERT_NE(fake.Control(), nullptr);
    fake.Control()->SetEntries(
        {{{"quil-host", {"ab*"}}, {"quil-hostname", {".h", "x"}}}, {{"quil-cluster", {"c2"}}}});
    CLdapLibrary client(fake.Path());
    ASSERT_TRUE(client.Connect("127.0.0.1", 389, "cn=a,ou=b,o=c", 3));
    ASSERT_TRUE(client.Search({"quil-hostname", "quil-host"}));
    EXPECT_EQ(Take(client, "quil-hostname"), (std::vector<std::string>{".h", "x"}));
    EXPECT_EQ(Take(client, "quil-cluster"), std::vector<std::string>{});
    ASSERT_TRUE(client.NextEntry());
    EXPECT_EQ(Take(client, "quil-cluster"), std::vector<std::string>{"c2"});
    EXPECT_FALSE(client.NextEntry());
    EXPECT_EQ(client.GetValues("quil-cluster"), nullptr);  // past the end
    client.Close();
    client.Close();
    EXPECT_EQ(fake.Control()->OutstandingValues(), 0);
    EXPECT_EQ(
        fake.Control()->Calls(),
        (std::vector<std::string>{
            "ldap_init 127.0.0.1 389", "ldap_set_option 17 3", "ldap_set_option 4 3",
            "ldap_set_option 20485 3s 0us", "ldap_connect",
            "ldap_search cn=a,ou=b,o=c 2 (objectClass=quil-mapping) quil-hostname,quil-host 0",
            "ldap_result 1 1 10s 0us", "ldap_msgfree", "ldap_unbind"}));
}

TEST(LdapLibraryTest, AFailedConnectStillUnbindsAndAnEmptySearchIsFalse) {
    support::FakeLdap fake;
    ASSERT_NE(fake.Control(), nullptr);
    CLdapLibrary client(fake.Path());
    fake.Control()->SetConnectResult(-1);
    EXPECT_FALSE(client.Connect("dir.example", 1389, "cn=a,ou=b,o=c", 7));
    client.Close();
    EXPECT_EQ(fake.Control()->Calls(),
              (std::vector<std::string>{"ldap_init dir.example 1389", "ldap_set_option 17 3",
                                        "ldap_set_option 4 7", "ldap_set_option 20485 7s 0us",
                                        "ldap_connect", "ldap_unbind"}));

    fake.Control()->Reset();
    ASSERT_TRUE(client.Connect("dir.example", 1389, "o=c", 3));
    EXPECT_FALSE(client.Search({"quil-host"}));  // no entries
    EXPECT_FALSE(client.NextEntry());
}

TEST(LdapLibraryTest, AMissingEntryPointOrLibraryFailsTheConnect) {
    // "ldap_open" is never called, but a library without it is not taken.
    support::FakeLdap fake(support::FakeLdap::kWithoutOpen);
    ASSERT_NE(fake.Control(), nullptr);
    CLdapLibrary client(fake.Path());
    EXPECT_FALSE(client.Connect("127.0.0.1", 389, "o=c", 3));
    EXPECT_NE(client.BindError().find("\"ldap_open\""), std::string::npos) << client.BindError();
    EXPECT_TRUE(fake.Control()->Calls().empty());
    EXPECT_FALSE(client.Search({"quil-host"}));
    EXPECT_FALSE(client.NextEntry());
    client.Close();

    CLdapLibrary none(fake.Path().parent_path() / "nolibrary.so");
    EXPECT_FALSE(none.Connect("127.0.0.1", 389, "o=c", 3));
    EXPECT_FALSE(none.BindError().empty());
}

}  // namespace
}  // namespace ldapbind
