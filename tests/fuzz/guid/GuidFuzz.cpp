// Class ids read from the configuration store: whatever the text, parsing never reads past
// it, and an id that parses writes back as text that parses to the same id.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Guid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto id = platform::Guid::Parse(text);
    if (!id) return 0;
    const std::string written = id->ToString();
    if (written.size() != 38 || platform::Guid::Parse(written) != id) std::abort();
    return 0;
}
