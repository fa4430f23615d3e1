// The device list of the program: the one mapping from a device-type name to the class of
// device it creates, how a device is ordered from its constructor, and what the rest of the
// program may do with the list (read its devices by slot, shut them all down).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace core {
class CDevice;
}

namespace shell {

// The classes of device, one per constructor.
enum class DeviceClass {
    Printer,
    PrinterATB2,
    PrinterMitosaSCN,
    PrinterATB2KDM,
    PrinterTNVKDM,
    PrinterKDM,
    System,
    SystemFF,
    File,
    QueuePrt,
    Passport,
    AsyncMini,
    InterfaceQueue,
    NamedPipe,
};

// One device to construct: its class, its key name ("Device 01", "001Device 01") and what
// its constructor takes besides.
struct DeviceOrder {
    DeviceClass deviceClass = DeviceClass::File;
    std::string key;
    std::string typeName;
    std::string instanceId;
    bool hardcopy = false;  // the printer prints hard copies
    bool bagTag = false;    // the printer runs in bag-tag mode, switched on after construction
};

// Makes the device of an order; null when this build has no such device. May throw: the
// document logs it and keeps the devices made so far.
using DeviceConstructor = std::function<std::unique_ptr<core::CDevice>(const DeviceOrder&)>;

// The device-type names, as the string table gives them, in their order of loading.
std::vector<std::string> LoadDeviceTypeNames();

// The class a device-type name selects (compared exactly); nothing for an unknown name. The
// order carries the type name, the class and its flags; the caller adds key and instance.
std::optional<DeviceOrder> FindDeviceType(const std::string& typeName);

// The successor of a legacy device-type name, or nothing when the name is current.
std::optional<std::string> LegacyDeviceTypeSuccessor(const std::string& typeName);

// The program's own constructors: the device kinds of this build.
DeviceConstructor VekaDeviceConstructor();

// The devices as the rest of the program sees them. User-interface thread only.
class IDeviceList {
public:
    virtual ~IDeviceList() = default;
    // Device slots are positions in the list: 0 to DeviceCount() - 1.
    [[nodiscard]] virtual std::size_t DeviceCount() const = 0;
    // The device of a slot, or null.
    [[nodiscard]] virtual core::CDevice* Device(std::size_t slot) const = 0;
    // Shuts every device down in list order and deletes it. A device whose shut-down throws
    // is logged and deleted; the others are still shut down. The list is empty afterwards.
    virtual void ShutDownDevices() = 0;
};

}  // namespace shell
