#include "support/RoadStore.h"

#include "platform/Registry.h"

namespace support {

namespace {

const std::string kApi = "Software\\The TREVO Group\\Common TREVO API";
const std::string kApp = kApi + "\\Applications\\TREVO VEKA";

bool Put(const std::string& key, const char* name, platform::DWORD type, const void* data,
         platform::DWORD size) {
    platform::HKEY h = nullptr;
    if (platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                 platform::KEY_ALL_ACCESS, nullptr, &h,
                                 nullptr) != platform::ERROR_SUCCESS)
        return false;
    const bool ok =
        platform::RegSetValueEx(h, name, 0, type, static_cast<const platform::BYTE*>(data), size) ==
        platform::ERROR_SUCCESS;
    platform::RegCloseKey(h);
    return ok;
}

bool Text(const std::string& key, const char* name, const std::string& value) {
    return Put(key, name, platform::REG_SZ, value.c_str(),
               static_cast<platform::DWORD>(value.size() + 1));
}

bool Number(const std::string& key, const char* name, std::uint32_t value) {
    return Put(key, name, platform::REG_DWORD, &value, 4);
}

bool Device(const std::string& device, const std::string& type, const std::string& session) {
    const std::string key = kApp + "\\" + device;
    return Text(key, "Device Type", type) && Number(key, "Enabled", 1) &&
           Text(key, "Device Name", device) && Text(key, "Host", "HOST") &&
           Text(key, "Device Session", session) && Number(key, "Insert Line Feed", 0) &&
           Text(key, "Terminator Data", "");
}

}  // namespace

bool WriteQuilRoute(const std::string& device, const std::string& session, std::uint16_t port,
                    const std::string& lniata, std::uint32_t keepAliveSeconds) {
    const std::string route = kApi + "\\Routes\\" + device;
    bool ok = Text(kApi + "\\Service Providers\\QUIL", "DLL Name", "QUILSP.DLL") &&
              Text(kApp, "Default Session", session) && Text(route, "Service Provider", "QUIL") &&
              Text(route, "Device", "PRINTER") && Text(route, "Remote IP Address", "127.0.0.1") &&
              Number(route, "Remote Port", port) && Text(route, "LNIATA", lniata) &&
              Text(route, "URL Queue", ".") &&
              Text(kApi + "\\Sessions\\" + session, "Default EndSystem", "HOST") &&
              Text(kApi + "\\Sessions\\" + session + "\\HOST", "Route Name", device);
    if (ok && keepAliveSeconds > 0)
        ok = Number(route, "KA Idle Timeout", keepAliveSeconds) &&
             Number(route, "KA Response Timeout", keepAliveSeconds);
    return ok;
}

bool WriteFileDevice(const std::string& device, const std::string& session,
                     const std::string& name) {
    const std::string key = kApp + "\\" + device;
    return Device(device, "File", session) && Text(key, "File Location", "C:\\OUT") &&
           Text(key, "File Name", name) && Number(key, "Multiple Files", 1) &&
           Number(key, "Multiple File Limit", 999) && Number(key, "Single File Append", 0) &&
           Text(key, "Single File Type", "TXT") && Number(key, "Maximum File Size", 1000000) &&
           Number(key, "Extn. Type", 1);
}

bool WritePipeDevice(const std::string& device, const std::string& session,
                     const std::string& pipe) {
    return Device(device, "Named Pipe", session) && Text(kApp + "\\" + device, "Pipe Name", pipe);
}

}  // namespace support
