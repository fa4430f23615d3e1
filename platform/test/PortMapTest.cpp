#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/TempRoot.h"

namespace {

using namespace platform;

class PortMapTest : public support::TempRootTest {
protected:
    void TearDown() override {
        ClearPortPaths();
        ::unsetenv("TREVO_PORTMAP");
    }
};

TEST_F(PortMapTest, PortNamesMapToDevices) {
    ::setenv("TREVO_PORTMAP", "COM2=/dev/ttyUSB0;bogus;LPT1=/dev/usb/lp0;COM1=/env/one", 1);
    SetPortPath("com1", "/override/one");
    struct Case {
        const char* name;
        const char* path;  // "" for no port
    };
    const Case cases[] = {
        {"COM1", "/override/one"},  // programmatic entries come first
        {"COM2", "/dev/ttyUSB0"},   // then the environment's
        {"COM3", "/dev/ttyS2"},     // then the defaults
        {"com12", "/dev/ttyS11"},
        {"LPT1", "/dev/usb/lp0"},
        {"LPT2", "/dev/lp1"},
        {"COM1:", ""},  // the caller strips the colon
        {"COM0", ""},
        {"COM01", ""},
        {"COM", ""},
        {"COMX", ""},
        {"PRN", ""},
        {"COM1234", ""},
        {"AUX1", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PortDevicePath(c.name), c.path) << c.name;
    SetPortPath("COM1", "");
    EXPECT_EQ(PortDevicePath("COM1"), "/env/one");
}

TEST_F(PortMapTest, TheStoreNamesDevicesBelowTheEnvironment) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\The TREVO Group\\Common TREVO API\\Port Map",
                       0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    for (const char* port : {"COM3", "COM4"}) {
        const std::string path = std::string("/dev/stored-") + port;
        ASSERT_EQ(RegSetValueEx(key, port, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                static_cast<DWORD>(path.size() + 1)),
                  ERROR_SUCCESS);
    }
    RegCloseKey(key);
    ::setenv("TREVO_PORTMAP", "COM4=/dev/from-env", 1);
    EXPECT_EQ(PortDevicePath("COM3"), "/dev/stored-COM3");
    EXPECT_EQ(PortDevicePath("COM4"), "/dev/from-env");
    EXPECT_EQ(PortDevicePath("COM5"), "/dev/ttyS4");
}

TEST_F(PortMapTest, TheMachinesPortsAreListedSerialFirst) {
    auto write = [&](const std::string& relative, const std::string& text) {
        root.WriteFile(relative, text);
    };
    write("sys/tty/ttyS0/type", "4\n");
    write("sys/tty/ttyS1/type", "0\n");  // no UART behind it
    write("sys/tty/ttyS3/type", "4\n");
    write("sys/tty/tty1/type", "4\n");
    write("sys/printer/lp0/dev", "6:0\n");
    write("devices/usb-serial", "");
    SetPortPath("COM7", (root / "devices/usb-serial").string());
    SetPortPath("LPT3", (root / "devices/missing").string());
    EXPECT_EQ(EnumerateMachinePorts(root / "sys"),
              (std::vector<std::string>{"COM1:", "COM4:", "COM7:", "LPT1:"}));
    EXPECT_TRUE(EnumerateMachinePorts(root / "nothing").size() == 1);  // only COM7
}

TEST_F(PortMapTest, DefaultSettingsAreKeptPerPortInTheStore) {
    Dcb dcb;
    ASSERT_TRUE(GetPortDefaults("COM5", dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutX);
    dcb.BaudRate = 19200;
    dcb.ByteSize = 7;
    dcb.Parity = MARKPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutX = dcb.fInX = true;
    ASSERT_TRUE(SetPortDefaults("com5", dcb));
    Dcb again;
    ASSERT_TRUE(GetPortDefaults("COM5", again));
    EXPECT_EQ(again.BaudRate, 19200u);
    EXPECT_EQ(again.ByteSize, 7);
    EXPECT_EQ(again.Parity, MARKPARITY);
    EXPECT_TRUE(again.fParity);
    EXPECT_EQ(again.StopBits, TWOSTOPBITS);
    EXPECT_TRUE(again.fOutX && again.fInX);
    EXPECT_FALSE(again.fOutxCtsFlow);
    const std::string file = root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg").value_or("");
    EXPECT_NE(file.find("\"Baud Rate\"=dword:00004b00"), std::string::npos) << file;
    ASSERT_TRUE(GetPortDefaults("COM6", again));
    EXPECT_EQ(again.BaudRate, 9600u);
    EXPECT_FALSE(GetPortDefaults("XYZ", again));
}

}  // namespace
