// The provider modules of the process: found through the route tree of the configuration
// store, loaded once and kept loaded until the process ends. Any thread.
#pragma once

#include <string>

#include "brxprovider/BRXConn_.h"

namespace brxconn {

inline constexpr char kApiKey[] = "SOFTWARE\\The TREVO Group\\Common TREVO API";
inline constexpr char kRoutesKey[] = "SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes";
inline constexpr char kProvidersKey[] =
    "SOFTWARE\\The TREVO Group\\Common TREVO API\\Service Providers";

// A text value (REG_SZ) of a key below HKEY_LOCAL_MACHINE: the store's result, 0 when read.
[[nodiscard]] long ReadStoreText(const std::string& key, const std::string& name,
                                 std::string& value);

// The provider key a route names ("Service Provider"); false when the route or value is
// missing or empty.
[[nodiscard]] bool ProviderOfRoute(const std::string& route, std::string& provider);
// A provider's configuration entry: extern "C" int SPConfig(const char* route, int kind).
using SPConfigFunction = int (*)(const char* route, int deviceKind);
inline constexpr char kSPConfigSymbol[] = "SPConfig";

// The entry points of a loaded provider module; either may be null when it lacks one.
struct ProviderModule {
    CreateBRXConnFunction create = nullptr;
    SPConfigFunction spConfig = nullptr;
};

// The loaded module of a provider key ("DLL Name", mapped into the plug-in folder); null
// when the value is missing or the module cannot be loaded (`why` then says what failed).
[[nodiscard]] const ProviderModule* LoadProvider(const std::string& provider,
                                                 std::string* why = nullptr);

}  // namespace brxconn
