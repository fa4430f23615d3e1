#include "support/LoopbackProvider.h"

#include <mutex>

#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"

namespace support {
namespace {

const std::string kApi = "SOFTWARE\\The TREVO Group\\Common TREVO API";

void WriteText(const std::string& key, const char* name, const std::string& value) {
    platform::HKEY handle = nullptr;
    if (platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                 platform::KEY_ALL_ACCESS, nullptr, &handle,
                                 nullptr) != platform::ERROR_SUCCESS)
        return;
    static_cast<void>(platform::RegSetValueEx(
        handle, name, 0, platform::REG_SZ, reinterpret_cast<const platform::BYTE*>(value.c_str()),
        static_cast<platform::DWORD>(value.size() + 1)));
    platform::RegCloseKey(handle);
}

}  // namespace

LoopbackControl* Loopback() {
    // Mapped once with the copy the connection library loads; kept for the run.
    static std::mutex mutex;
    static platform::DynamicLibrary module;
    static LoopbackControlFunction control = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!control) {
        platform::SymbolBinding binding = platform::BindSymbol(kLoopbackControlSymbol, control);
        if (!module.Open(platform::MapLibraryName(kLoopbackDllName)) ||
            !module.Bind(std::span(&binding, 1))) {
            return nullptr;
        }
    }
    return control();
}

void WriteLoopbackRoute(const std::string& route) {
    WriteText(kApi + "\\Routes\\" + route, "Service Provider", kLoopbackProvider);
    WriteText(kApi + "\\Service Providers\\" + kLoopbackProvider, "DLL Name", kLoopbackDllName);
}

void WriteLoopbackSession(const std::string& application, const std::string& session,
                          const std::string& endSystem, const std::string& route) {
    WriteText(kApi + "\\Applications\\" + application, "Default Session", session);
    WriteText(kApi + "\\Sessions\\" + session, "Default EndSystem", endSystem);
    WriteText(kApi + "\\Sessions\\" + session + "\\" + endSystem, "Route Name", route);
    WriteLoopbackRoute(route);
}

}  // namespace support
