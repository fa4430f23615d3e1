#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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

TEST_F(PortMapTest, DefaultSettingsAreKeptPerPort) {
    Dcb dcb;
    ASSERT_TRUE(GetPortDefaults("COM5", dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    dcb.BaudRate = 19200;
    ASSERT_TRUE(SetPortDefaults("com5", dcb));
    Dcb again;
    ASSERT_TRUE(GetPortDefaults("COM5", again));
    EXPECT_EQ(again.BaudRate, 19200u);
    ASSERT_TRUE(GetPortDefaults("COM6", again));
    EXPECT_EQ(again.BaudRate, 9600u);
    EXPECT_FALSE(GetPortDefaults("XYZ", again));
    dcb.BaudRate = 9600;
    ASSERT_TRUE(SetPortDefaults("COM5", dcb));
}

}  // namespace
