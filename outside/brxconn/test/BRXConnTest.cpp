#include <gtest/gtest.h>

#include <string>

#include "brxconn/BRXConn.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"

namespace {

void SetText(const std::string& key, const char* name, const std::string& value) {
    platform::HKEY handle = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(handle, name, 0, platform::REG_SZ,
                                      reinterpret_cast<const platform::BYTE*>(value.c_str()),
                                      static_cast<platform::DWORD>(value.size() + 1)),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(handle);
}

const std::string kApi = "SOFTWARE\\The TREVO Group\\Common TREVO API";

// Each missing link between a route and a loadable provider module is an invalid
// configuration, answered at once; the connection stays unconnected.
TEST(BRXConn, RouteWithoutALoadableProviderIsInvalidConfiguration) {
    support::TempRoot root;
    SetText(kApi + "\\Routes\\NOPROVIDER", "Remote IP Address", "127.0.0.1");
    SetText(kApi + "\\Routes\\UNKNOWN", "Service Provider", "NOSUCH");
    SetText(kApi + "\\Routes\\NODLL", "Service Provider", "NODLL");
    SetText(kApi + "\\Service Providers\\NODLL", "Description", "none");
    SetText(kApi + "\\Routes\\MISSING", "Service Provider", "MISSING");
    SetText(kApi + "\\Service Providers\\MISSING", "DLL Name", "NOTTHERESP.DLL");
    for (const char* route : {"", "NOROUTE", "NOPROVIDER", "UNKNOWN", "NODLL", "MISSING"}) {
        SCOPED_TRACE(route);
        BRXConn conn;
        EXPECT_EQ(conn.Connect(route, "HOME"), BRX_INVALID_CONFIGURATION);
        EXPECT_EQ(conn.LastError(), BRX_INVALID_CONFIGURATION);
        std::string text;
        conn.LastErrorMessage(text);
        EXPECT_EQ(text, "Invalid Configuration, Please reconfigure and try again");
        EXPECT_EQ(conn.Status(), BRX_NOT_CONNECTED);
        std::string data = "x";
        EXPECT_EQ(conn.Send(data), BRX_NO_CONNECT);
        EXPECT_EQ(conn.Receive(data), BRX_NO_CONNECT);
        EXPECT_EQ(conn.Disconnect(), BRX_NO_CONNECT);
    }
}

}  // namespace
