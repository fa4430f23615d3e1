// The local server's port from the properties file that trevo.ini leads to.
#include <gtest/gtest.h>

#include "arlo/LocalServerPort.h"
#include "support/TempRoot.h"

namespace arlo::test {
namespace {

TEST(LocalServerPortTest, TcpPortLines) {
    struct Case {
        const char* properties;  // nullptr: no file
        std::uint32_t port;
    };
    for (const Case& c : std::vector<Case>{{"  tcpport =  4100 \nTCPPort=5\n", 4100},
                                           {"Other=1\nTCPPort=\n", 2001},
                                           {"NoEquals\n#TCPPort=7\n", 2001},
                                           {nullptr, 2001}}) {
        support::TempRoot root;
        if (c.properties)
            root.WriteFile("drive_c/trevo/apps/TAVRIX/jserver.properties", c.properties);
        std::uint32_t port = 0;
        GetLocalServerPort(&port);
        EXPECT_EQ(port, c.port) << (c.properties ? c.properties : "(none)");
    }
    // trevo.ini may name another base.
    support::TempRoot root;
    root.WriteFile("windows/trevo.ini",
                   "[KELM Applications]\nBaseDrive=D:\nBaseDirectory=\\base\n");
    root.WriteFile("drive_d/base/apps/TAVRIX/jserver.properties", "TCPPort=3100\n");
    std::uint32_t port = 0;
    GetLocalServerPort(&port);
    EXPECT_EQ(port, 3100u);
}

}  // namespace
}  // namespace arlo::test

#include "arlo/BTLog.h"

namespace arlo::test {
namespace {

TEST(BTLogTest, LevelsDecideWhatIsWritten) {
    support::TempRoot root;
    const std::string name = (root.path() / "bt.log").string();
    {
        CBTLog log(name, 2);
        log.SetTag("T");
        log.Write(2, "kept");
        log.Write(3, "dropped");
        const std::uint8_t bytes[] = {0x0A, 0xFF};
        log.WriteHex(1, bytes, 2);
        log.SetLevel(0);
        log.Write(1, "off");
    }
    const std::string text = *root.ReadFile("bt.log");
    EXPECT_EQ(text.substr(0, 62), std::string(62, '='));
    EXPECT_NE(text.find("----------- Logging at level 2 ------------"), std::string::npos);
    EXPECT_NE(text.find(" T] kept\n"), std::string::npos);
    EXPECT_NE(text.find(" T] 0AFF\n"), std::string::npos);
    EXPECT_EQ(text.find("dropped"), std::string::npos);
    EXPECT_EQ(text.find("off\n"), std::string::npos);
    EXPECT_NE(text.find("Logging is now turned OFF"), std::string::npos);
}

}  // namespace
}  // namespace arlo::test
