// Store files as an administrator (or a broken disk) may leave them: whatever parses must
// write back to a text that parses to the same tree and the same text.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::RegistryFile;
    using platform::RegistryKey;
    RegistryKey root;
    std::string error;
    if (!RegistryFile::Parse(std::span(data, size), "HKEY_LOCAL_MACHINE", root, error)) {
        if (error.rfind("line ", 0) != 0) std::abort();
        return 0;
    }
    const std::string text = RegistryFile::Serialize(root, "HKEY_LOCAL_MACHINE");
    RegistryKey again;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!RegistryFile::Parse(std::span(bytes, text.size()), "HKEY_LOCAL_MACHINE", again, error))
        std::abort();
    if (RegistryFile::Serialize(again, "HKEY_LOCAL_MACHINE") != text) std::abort();
    return 0;
}
