// Small reads and names over the program's registry facade that the configuration pages
// share. A value that cannot be read counts as empty or 0 (or the default given).
#pragma once

#include <cstdint>
#include <string>

class CRegistry;

namespace wizard {

// A string of the facade's current key; "" when it cannot be read.
std::string QueryString(CRegistry& reg, const char* name);
// A DWORD of the facade's current key; `fallback` when it cannot be read.
std::uint32_t QueryDword(CRegistry& reg, const char* name, std::uint32_t fallback = 0);

// "Device Type" of the scratch key; "" when there is none.
std::string ScratchDeviceType();
// "Maximum Devices Selectable" of the defaults key (16 when missing).
std::uint32_t MaxDevices();
// "Device NN" of slot n, after the instance id of a numbered service instance.
std::string DeviceKeyName(const std::string& instanceId, std::uint32_t n);
// "Devices Selected", after the instance id of a numbered service instance.
std::string DeviceCountName(const std::string& instanceId);

// True when the store can be written (access level 3); settles the level by opening the
// application key when nothing has opened a key yet.
bool StoreWritable();

// The device id of a page's device key: the key without its leading backslash.
std::string DeviceIdOf(const std::string& deviceKey);

}  // namespace wizard
