#include "bench/ControlledDevice.h"

#include <cstdio>
#include <memory>

#include "core/HostTrevo.h"
#include "platform/ComRegistry.h"
#include "platform/Registry.h"
#include "support/ViewSink.h"

namespace bench {

namespace {

void Put(const std::string& key, const char* name, platform::DWORD type, const void* data,
         std::size_t size) {
    platform::HKEY h = nullptr;
    static_cast<void>(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                               platform::KEY_ALL_ACCESS, nullptr, &h, nullptr));
    static_cast<void>(platform::RegSetValueEx(h, name, 0, type,
                                              static_cast<const platform::BYTE*>(data),
                                              static_cast<platform::DWORD>(size)));
    platform::RegCloseKey(h);
}

}  // namespace

std::string DeviceKey(const std::string& device) {
    return std::string(core::CHostTrevo::kApplicationKey) + "\\" + device;
}

void PutString(const std::string& key, const char* name, const std::string& text) {
    Put(key, name, platform::REG_SZ, text.data(), text.size());
}

void PutDword(const std::string& key, const char* name, std::uint32_t value) {
    Put(key, name, platform::REG_DWORD, &value, sizeof value);
}

bool RegisterTestControl() {
    if (!platform::FAILED(support::RegisterTestPrinterControl())) return true;
    std::fprintf(stderr, "cannot register the test control: %s\n",
                 platform::ComLastErrorText().c_str());
    return false;
}

ControlledDevice::ControlledDevice(core::CHostCtrl& slot, core::CDevice& device)
    : m_slot(slot), m_device(device) {}

ControlledDevice::~ControlledDevice() {
    if (m_cookie != 0) static_cast<void>(m_slot.Control()->EventSource()->Unadvise(m_cookie));
    m_device.ShutDown();
}

support::TestPrinterHost* ControlledDevice::Attach(benchmark::State& state) {
    if (!m_device.CreateHostConnection(&m_slot, 1028, 0)) {
        state.SkipWithError(m_device.GetLastError().c_str());
        return nullptr;
    }
    support::TestPrinterHost* host = support::HostSideOf(*m_slot.Control());
    if (!host || m_slot.Control()->EventSource()->Advise(
                     std::make_shared<support::ViewSink>(m_device), &m_cookie) != platform::S_OK) {
        state.SkipWithError("no test control");
        return nullptr;
    }
    m_host = host;
    return host;
}

bool ControlledDevice::Connect(benchmark::State& state) {
    if (m_host && m_device.HostConnectUnlessPending() && m_host->CompleteConnect(true) &&
        m_host->AssignResource("0A1B2C"))
        return true;
    state.SkipWithError("no connection");
    return false;
}

}  // namespace bench
