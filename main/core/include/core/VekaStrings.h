// The program's user texts that the host link and the devices load by their string-table id.
// The application registers its table under kVekaModule; until it has, the texts the core
// itself uses come from the core's own copy.
#pragma once

#include <cstdint>
#include <string>

namespace core {

inline constexpr const char* kVekaModule = "Veka";

// The text of a string-table id ("" when there is none).
std::string LoadVekaString(std::uint32_t id);

}  // namespace core
