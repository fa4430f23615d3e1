// The program's own constructors, reached through the device-type table.
#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "devices/DevicePrinterMitosaSCN.h"
#include "platform/PortMap.h"

namespace {

using namespace shelltest;

class DeviceConstructors : public ShellTest {};

TEST_F(DeviceConstructors, TheCouponPrinterTypeBuildsTheCouponPrinter) {
    PutString(kKeyRoot + "\\Device 01", "Device Type", "Printer Mitosa SCN");
    PutString(kKeyRoot + "\\Device 01", "Port", "COM9");
    platform::SetPortPath("COM9", (root / "no-line").string());  // never a real port
    std::optional<shell::DeviceOrder> order = shell::FindDeviceType("Printer Mitosa SCN");
    ASSERT_TRUE(order.has_value());
    order->key = "Device 01";
    std::unique_ptr<core::CDevice> device = shell::VekaDeviceConstructor()(*order);
    ASSERT_NE(dynamic_cast<devices::CDevicePrinterMitosaSCN*>(device.get()), nullptr);
    EXPECT_EQ(device->GetDeviceKey(), "Device 01");
    device->ShutDown();  // its three threads end
    platform::ClearPortPaths();
}

}  // namespace
