#include "brxconn/ProviderModules.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"

namespace brxconn {

long ReadStoreText(const std::string& key, const std::string& name, std::string& value) {
    platform::HKEY handle = nullptr;
    long rc = platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0,
                                     platform::KEY_READ, &handle);
    if (rc != platform::ERROR_SUCCESS) return rc;
    platform::DWORD type = 0;
    platform::DWORD size = 0;
    rc = platform::RegQueryValueEx(handle, name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<platform::BYTE> data(size + 1u, 0);
    if (rc == platform::ERROR_SUCCESS && type != platform::REG_SZ) {
        rc = platform::ERROR_INVALID_DATA;
    } else if (rc == platform::ERROR_SUCCESS) {
        rc = platform::RegQueryValueEx(handle, name.c_str(), nullptr, &type, data.data(), &size);
    }
    platform::RegCloseKey(handle);
    if (rc != platform::ERROR_SUCCESS) return rc;
    // The stored text ends at its first zero.
    value.assign(reinterpret_cast<const char*>(data.data()));
    return platform::ERROR_SUCCESS;
}

bool ProviderOfRoute(const std::string& route, std::string& provider) {
    if (route.empty()) return false;
    const std::string key = std::string(kRoutesKey) + "\\" + route;
    return ReadStoreText(key, "Service Provider", provider) == platform::ERROR_SUCCESS &&
           !provider.empty();
}

namespace {

// A module with its entry points; kept for the life of the process.
struct LoadedModule {
    platform::DynamicLibrary library;
    ProviderModule entries;
};

template <typename F>
F EntryPoint(platform::DynamicLibrary& library, const char* name) {
    F function = nullptr;
    void* address = library.Symbol(name);
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
}

}  // namespace

const ProviderModule* LoadProvider(const std::string& provider, std::string* why) {
    auto fail = [why](std::string text) -> const ProviderModule* {
        if (why) *why = std::move(text);
        return nullptr;
    };
    if (provider.empty()) return fail("no service provider named");
    std::string dllName;
    const std::string key = std::string(kProvidersKey) + "\\" + provider;
    if (ReadStoreText(key, "DLL Name", dllName) != platform::ERROR_SUCCESS || dllName.empty())
        return fail("no \"DLL Name\" for service provider " + provider);
    const std::filesystem::path path = platform::MapLibraryName(dllName);
    if (path.empty()) return fail("no module name in \"" + dllName + "\"");

    // Modules stay loaded until the process ends: the table is never destroyed, so no
    // module is closed under objects of its own that live on.
    static std::mutex* const lock = new std::mutex;
    static auto* const loaded = new std::map<std::filesystem::path, LoadedModule*>;
    std::lock_guard<std::mutex> guard(*lock);
    const auto found = loaded->find(path);
    if (found != loaded->end()) return &found->second->entries;
    auto module = std::make_unique<LoadedModule>();
    if (!module->library.Open(path)) return fail(module->library.error());
    module->entries.create =
        EntryPoint<CreateBRXConnFunction>(module->library, kCreateBRXConnSymbol);
    module->entries.spConfig = EntryPoint<SPConfigFunction>(module->library, kSPConfigSymbol);
    LoadedModule* kept = module.release();
    loaded->emplace(path, kept);
    return &kept->entries;
}

}  // namespace brxconn
