// The program's string table: every user text the program, its host link and its devices
// load by id. The application registers it under kModuleName when it starts; from then on
// core::LoadVekaString serves these texts.
#pragma once

#include "platform/StringTable.h"

namespace res {

inline constexpr const char* kModuleName = "Veka";

// The table itself (built once).
const platform::StringTable& VekaStringTable();
// Registers the table under kModuleName (again: replaces it).
void RegisterVekaStrings();

}  // namespace res
