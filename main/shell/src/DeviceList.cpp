#include "shell/DeviceList.h"

#include <array>

#include "core/VekaStrings.h"

namespace shell {

namespace {

struct TypeEntry {
    std::uint32_t nameId;
    DeviceClass deviceClass;
    bool hardcopy;
    bool bagTag;
};

// Device-type name (by string id) to device class.
constexpr std::array<TypeEntry, 17> kTypes{{
    {137, DeviceClass::Printer, false, true},  // "Printer (ATB2-BAGTAG/Airline-TQX)"
    {110, DeviceClass::Printer, false, false},
    {111, DeviceClass::PrinterATB2, false, false},
    {61239, DeviceClass::PrinterMitosaSCN, false, false},
    {61240, DeviceClass::Printer, true, false},  // "Printer Mitosa Hardcopy"
    {123, DeviceClass::PrinterATB2, false, false},
    {128, DeviceClass::PrinterATB2KDM, false, false},
    {127, DeviceClass::PrinterTNVKDM, false, false},
    {118, DeviceClass::PrinterKDM, false, false},
    {129, DeviceClass::System, false, false},
    {112, DeviceClass::File, false, false},
    {113, DeviceClass::QueuePrt, false, false},
    {114, DeviceClass::Passport, false, false},
    {119, DeviceClass::AsyncMini, false, false},
    {122, DeviceClass::InterfaceQueue, false, false},
    {136, DeviceClass::NamedPipe, false, false},
    {61245, DeviceClass::SystemFF, false, false},
}};

// The order in which start-up loads the names.
constexpr std::array<std::uint32_t, 17> kLoadOrder{110, 111, 112, 113, 114, 127,   128,   129,  118,
                                                   123, 136, 119, 122, 137, 61239, 61240, 61245};

// Legacy name id to its successor's id.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 3> kLegacy{{
    {115, 127},  // "Printer (TNV)" -> "Printer (TNV/KDM)"
    {116, 128},  // "Printer (Ext ATB2)" -> "Printer (ATB2/KDM)"
    {117, 129},  // "Printer (System)" -> "System"
}};

}  // namespace

std::vector<std::string> LoadDeviceTypeNames() {
    std::vector<std::string> names;
    names.reserve(kLoadOrder.size());
    for (const std::uint32_t id : kLoadOrder) names.push_back(core::LoadVekaString(id));
    return names;
}

std::optional<DeviceOrder> FindDeviceType(const std::string& typeName) {
    if (typeName.empty()) return std::nullopt;
    for (const TypeEntry& entry : kTypes) {
        if (core::LoadVekaString(entry.nameId) != typeName) continue;
        DeviceOrder order;
        order.deviceClass = entry.deviceClass;
        order.typeName = typeName;
        order.hardcopy = entry.hardcopy;
        order.bagTag = entry.bagTag;
        return order;
    }
    return std::nullopt;
}

std::optional<std::string> LegacyDeviceTypeSuccessor(const std::string& typeName) {
    if (typeName.empty()) return std::nullopt;
    for (const auto& [legacy, successor] : kLegacy)
        if (core::LoadVekaString(legacy) == typeName) return core::LoadVekaString(successor);
    return std::nullopt;
}

}  // namespace shell
