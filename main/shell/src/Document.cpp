#include "shell/Document.h"

#include <cstdio>
#include <exception>

#include "core/Device.h"
#include "core/OperatorQuestion.h"
#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"

namespace shell {

namespace {

constexpr std::uint32_t kMbOk = 0;
constexpr std::uint32_t kMbIconStop = 0x10;
constexpr std::uint32_t IDS_REGISTRY_ACCESS = 425;

void Box(const std::string& text, std::uint32_t style) {
    static_cast<void>(
        core::OperatorMessageBox(text, core::LoadVekaString(core::IDS_PRINTING_MODULE), style));
}

// Reads a DWORD of the current key; when it is missing writes `value` instead.
void DwordOrDefault(CRegistry& reg, const char* name, std::uint32_t& value) {
    platform::DWORD read = 0;
    if (reg.RegistryQueryDWORD(name, &read, true, false)) {
        value = read;
        return;
    }
    static_cast<void>(reg.RegistrySetDWORD(name, value, true, true));
}

void StringOrDefault(CRegistry& reg, const char* name, const char* value) {
    std::string read;
    if (!reg.RegistryQueryString(name, &read, true, false))
        static_cast<void>(reg.RegistrySetString(name, value, true, true));
}

// Opens `path`, creates each sub-key in turn below it and closes again.
bool CreateKeys(CRegistry& reg, const std::string& path, std::initializer_list<const char*> keys) {
    if (!reg.RegistryOpen(path, true)) return false;
    for (const char* key : keys)
        if (!reg.RegistryCreateKey(key, true)) break;
    return reg.RegistryClose();
}

}  // namespace

CVekaDoc::CVekaDoc(AppState& app, DeviceConstructor construct)
    : m_app(app), m_construct(std::move(construct)) {
    try {
        Initialize();
    } catch (const std::exception& e) {
        TRACE_EXCEPTION(e, "CVekaDoc::CVekaDoc(): Initialize()", "Exception:");
    }
}

CVekaDoc::~CVekaDoc() {
    ShutDownDevices();
}

std::string CVekaDoc::DeviceKeyName(const std::string& instanceId, std::uint32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "Device %02u", n);
    return instanceId + name;
}

void CVekaDoc::Initialize() {
    m_dwDevicesSelected = 0;
    m_dwMaxDevicesSelectable = kDefaultMaxDevices;
    if (InitializeRegistry()) InitializeDevices();
}

bool CVekaDoc::InitializeRegistry() {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpenAll("Software", true)) {
        Box(core::LoadVekaString(IDS_REGISTRY_ACCESS), kMbOk | kMbIconStop);
        return false;
    }
    for (const char* key :
         {"\\The TREVO Group", "\\Common TREVO API", "\\Applications", "\\TREVO VEKA"})
        static_cast<void>(reg.RegistryCreateKey(key, true));
    DwordOrDefault(reg, m_app.deviceCountValueName.c_str(), m_dwDevicesSelected);
    static_cast<void>(reg.RegistryCreateKey("\\Defaults", true));
    static_cast<void>(reg.RegistryCreateKey("\\Device", true));
    DwordOrDefault(reg, "Maximum Devices Selectable", m_dwMaxDevicesSelectable);
    TRACE_FORMAT(CTraceLog::LEVEL_INFO,
                 "CVekaDoc::InitializeRegistry():", "DevicesSelected=%i, MaxDevicesSelectable=%i",
                 static_cast<int>(m_dwDevicesSelected), static_cast<int>(m_dwMaxDevicesSelectable));
    static_cast<void>(reg.RegistryClose());

    static_cast<void>(CreateKeys(reg, kKeyRoot, {"\\State"}));
    if (reg.RegistryOpen(std::string(kKeyRoot) + "\\Defaults", true)) {
        if (reg.RegistryCreateKey("\\Host", true)) StringOrDefault(reg, "End System", "TREVO");
        static_cast<void>(reg.RegistryClose());
    }
    static_cast<void>(CreateKeys(reg, kRoot, {"\\End Systems"}));
    if (reg.RegistryOpen(kRoot, true)) {
        if (reg.RegistryCreateKey("\\Service Providers", true) &&
            reg.RegistryCreateKey("\\ZEL", true))
            StringOrDefault(reg, "DLL Name", "ZELSP.DLL");
        static_cast<void>(reg.RegistryClose());
    }
    if (reg.RegistryOpen(std::string(kRoot) + "\\Service Providers", true)) {
        if (reg.RegistryCreateKey("\\ARLO", true)) StringOrDefault(reg, "DLL Name", "ARLO.DLL");
        static_cast<void>(reg.RegistryClose());
    }
    if (reg.RegistryOpen(kRoot, true)) {
        if (reg.RegistryCreateKey("\\Trace", true)) {
            StringOrDefault(reg, "Trace File Name", "C:\\BRXAPI.LOG");
            std::uint32_t tracing = 0;
            DwordOrDefault(reg, "Tracing Active", tracing);
        }
        static_cast<void>(reg.RegistryClose());
    }
    return true;
}

void CVekaDoc::InitializeDevices() {
    CRegistry& reg = GlobalRegistry();
    m_dwDevicesEnabled = 0;
    for (std::uint32_t n = 1; n <= m_dwMaxDevicesSelectable; ++n) {
        const std::string key = DeviceKeyName(m_app.instanceId, n);
        if (!reg.RegistryOpen(std::string(kKeyRoot) + "\\" + key, false)) continue;

        std::string type;
        if (!reg.RegistryQueryString("Device Type", &type, true, true)) {
            static_cast<void>(reg.RegistryClose());
            Box("Registry Error: 'Device Type' required for '" + key + "'", kMbOk);
            return;
        }
        if (const auto successor = LegacyDeviceTypeSuccessor(type)) {
            static_cast<void>(reg.RegistrySetString("Device Type", *successor, true, true));
            TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CVekaDoc::ConvertLegacyDeviceTypes():",
                         "'%s' Device Type converted from '%s' to '%s'", key.c_str(), type.c_str(),
                         successor->c_str());
            type = *successor;
        }
        platform::DWORD enabled = 0;
        if (!reg.RegistryQueryDWORD("Enabled", &enabled, true, true)) {
            static_cast<void>(reg.RegistryClose());
            Box("Registry Error: 'Enabled' required for '" + key + "'", kMbOk);
            return;
        }
        // The key is closed before the device is made: the device reads its own key
        // through the same store facade.
        if (!reg.RegistryClose()) break;
        TRACE_FORMAT(CTraceLog::LEVEL_INFO,
                     "CVekaDoc::InitializeDevices():", "'%s', Type='%s', Enabled=%s", key.c_str(),
                     type.c_str(), enabled ? "Y" : "N");
        if (enabled) InitializeDevice(type, key);
    }
    TRACE_FORMAT(CTraceLog::LEVEL_INFO,
                 "CVekaDoc::InitializeDevices():", "DevicesSelected=%d, DevicesEnabled=%d",
                 static_cast<int>(m_dwDevicesSelected), static_cast<int>(m_dwDevicesEnabled));
}

void CVekaDoc::InitializeDevice(const std::string& typeName, const std::string& key) {
    std::optional<DeviceOrder> order = FindDeviceType(typeName);
    const bool passport = order && order->deviceClass == DeviceClass::Passport;
    if (passport && m_bPassportReaderCreated) return;
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CVekaDoc::InitializeDevice():", "'%s'", key.c_str());
    std::unique_ptr<core::CDevice> device;
    if (order) {
        order->key = key;
        order->instanceId = m_app.instanceId;
        device = m_construct(*order);
    }
    if (!device) {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaDoc::InitializeDevice():", "'%s' Unknown Device Type=%s", key.c_str(),
                     typeName.c_str());
        return;
    }
    m_devices.push_back(std::move(device));
    ++m_dwDevicesEnabled;
    if (passport) {
        m_bPassportReaderCreated = true;
        m_app.passportReaderPresent = true;
    }
}

core::CDevice* CVekaDoc::Device(std::size_t slot) const {
    return slot < m_devices.size() ? m_devices[slot].get() : nullptr;
}

core::CDevice* CVekaDoc::EventDevice(const char* label, std::size_t slot) const {
    core::CDevice* device = Device(slot);
    if (device)
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, label, "'%s', Type='%s', Name='%s'",
                     device->GetDeviceKey().c_str(), device->GetDeviceType().c_str(),
                     device->GetDeviceName().c_str());
    return device;
}

void CVekaDoc::OnReceive(std::size_t slot) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnReceive():", slot)) d->OnHostReceive();
}

void CVekaDoc::OnResource(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnResource():", slot)) d->OnResource(b);
}

void CVekaDoc::OnConnect(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnConnect():", slot)) d->OnConnect(b);
}

void CVekaDoc::OnDisconnect(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnDisconnect():", slot)) d->OnDisconnect(b);
}

void CVekaDoc::OnSend(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnSend():", slot)) d->OnSend(b);
}

void CVekaDoc::OnSystemAvailable(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnSystemAvailable():", slot))
        d->OnSystemAvailable(b);
}

void CVekaDoc::OnLock(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnLock():", slot)) d->OnLock(b);
}

void CVekaDoc::OnUnLock(std::size_t slot, bool b) {
    if (core::CDevice* d = EventDevice("CVekaDoc::OnUnLock():", slot)) d->OnUnLock(b);
}

bool CVekaDoc::OnCloseDocument() {
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CVekaDoc::OnCloseDocument():", "%s", "");
    if (m_app.serviceMode && !m_app.stopRequested.load()) return false;
    ShutDownDevices();
    return true;
}

void CVekaDoc::ShutDownDevices() {
    for (std::unique_ptr<core::CDevice>& device : m_devices) {
        try {
            device->ShutDown();
        } catch (const std::exception& e) {
            TRACE_EXCEPTION(e, "CVekaDoc::OnCloseDocument():", "Exception:");
        }
        device.reset();
    }
    m_devices.clear();
}

}  // namespace shell
