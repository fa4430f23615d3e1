// A status relay for tests, loaded as "VEKAUTIL.DLL": it keeps what it is handed, and the
// test reads it back through the module's own exports. Built once whole and once without
// SendDeviceIconStatus.
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/Export.h"
#include "statusrelay/VekaUtil.h"

namespace {

std::mutex g_lock;
std::vector<DEVICESTATUS> g_devices;
std::vector<ICONSTATUS> g_icons;
platform::HWND g_window = 0;
int g_listening = 0;

}  // namespace

extern "C" {

TREVO_EXPORT int SendDeviceStatus(DEVICESTATUS status) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_devices.push_back(status);
    return 1;
}

TREVO_EXPORT int SetCallbackInterface(platform::HWND window) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_window = window;
    return 1;
}

TREVO_EXPORT int BeginListening() {
    std::lock_guard<std::mutex> guard(g_lock);
    ++g_listening;
    return 1;
}

#ifndef FAKE_RELAY_PARTIAL
TREVO_EXPORT int SendDeviceIconStatus(ICONSTATUS icon) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_icons.push_back(icon);
    return 1;
}
#endif

// What the relay was handed: the counts, and a copy of one record (false past the end).
TREVO_EXPORT void FakeRelayCounts(int* devices, int* icons, int* listening,
                                  platform::HWND* window) {
    std::lock_guard<std::mutex> guard(g_lock);
    *devices = static_cast<int>(g_devices.size());
    *icons = static_cast<int>(g_icons.size());
    *listening = g_listening;
    *window = g_window;
}

TREVO_EXPORT bool FakeRelayDevice(int i, DEVICESTATUS* out) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (i < 0 || i >= static_cast<int>(g_devices.size())) return false;
    *out = g_devices[static_cast<std::size_t>(i)];
    return true;
}

TREVO_EXPORT bool FakeRelayIcon(int i, ICONSTATUS* out) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (i < 0 || i >= static_cast<int>(g_icons.size())) return false;
    *out = g_icons[static_cast<std::size_t>(i)];
    return true;
}

TREVO_EXPORT void FakeRelayReset() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_devices.clear();
    g_icons.clear();
    g_listening = 0;
    g_window = 0;
}
}
