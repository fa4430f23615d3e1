#include "core/VekaStrings.h"

#include "platform/StringTable.h"

namespace core {

std::string LoadVekaString(std::uint32_t id) {
    std::string text;
    if (const auto table = platform::StringTable::ForModule(kVekaModule)) {
        static_cast<void>(table->Load(id, text));
    }
    return text;
}

}  // namespace core
