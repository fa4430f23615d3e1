// The host simulator's script parser over arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "quilhost/HostScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quilhost::HostScript script;
    std::string error;
    if (script.Parse(text, error)) {
        for (const auto& c : script.Commands())
            if (c.verb.empty()) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();  // a refused script always says why
    }
    return 0;
}
