// The device kinds of this build, by class. Classes this build does not have give no device.
#include <memory>

#include "devices/DeviceAsyncMini.h"
#include "devices/DeviceFile.h"
#include "devices/DeviceInterfaceQueue.h"
#include "devices/DeviceNamedPipe.h"
#include "devices/DevicePassport.h"
#include "devices/DevicePrinter.h"
#include "devices/DevicePrinterATB2.h"
#include "devices/DevicePrinterATB2KDM.h"
#include "devices/DevicePrinterKDM.h"
#include "devices/DevicePrinterMitosaSCN.h"
#include "devices/DevicePrinterTNVKDM.h"
#include "devices/DeviceQueuePrt.h"
#include "devices/DeviceSystem.h"
#include "shell/DeviceList.h"

namespace shell {

DeviceConstructor VekaDeviceConstructor() {
    return [](const DeviceOrder& order) -> std::unique_ptr<core::CDevice> {
        using namespace devices;
        switch (order.deviceClass) {
            case DeviceClass::Printer: {
                auto printer = std::make_unique<CDevicePrinter>(order.key, order.hardcopy);
                printer->SetBagTagMode(order.bagTag);
                return printer;
            }
            case DeviceClass::PrinterATB2:
                return std::make_unique<CDevicePrinterATB2>(order.key);
            case DeviceClass::PrinterATB2KDM:
                return std::make_unique<CDevicePrinterATB2KDM>(order.key);
            case DeviceClass::PrinterTNVKDM:
                return std::make_unique<CDevicePrinterTNVKDM>(order.key);
            case DeviceClass::PrinterKDM:
                return std::make_unique<CDevicePrinterKDM>(order.key);
            case DeviceClass::PrinterMitosaSCN:
                return std::make_unique<CDevicePrinterMitosaSCN>(order.key);
            case DeviceClass::File:
                return std::make_unique<CDeviceFile>(order.key, order.instanceId);
            case DeviceClass::AsyncMini:
                return std::make_unique<CDeviceAsyncMini>(order.key);
            case DeviceClass::InterfaceQueue:
                return std::make_unique<CDeviceInterfaceQueue>(order.key);
            case DeviceClass::NamedPipe:
                return std::make_unique<CDeviceNamedPipe>(order.key);
            case DeviceClass::System:
                return std::make_unique<CDeviceSystem>(order.key);
            case DeviceClass::SystemFF:
                return std::make_unique<CDeviceSystemFF>(order.key);
            case DeviceClass::QueuePrt:
                return std::make_unique<CDeviceQueuePrt>(order.key);
            case DeviceClass::Passport:
                return std::make_unique<CDevicePassport>(order.key);
        }
        return nullptr;
    };
}

}  // namespace shell
