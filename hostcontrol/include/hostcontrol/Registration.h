// Self-registration of the module: its type library, then every class (the two controls and
// their property pages), written into HKEY_CLASSES_ROOT of the store; and the removal of the
// same entries. Results: 0, SELFREG_E_TYPELIB (0x80040200) when the type library cannot be
// registered, SELFREG_E_CLASS (0x80040201) when a class cannot.
#pragma once

#include <filesystem>

#include "platform/HResult.h"

namespace hostcontrol {

[[nodiscard]] platform::HRESULT RegisterModule(const std::filesystem::path& module);
[[nodiscard]] platform::HRESULT UnregisterModule();

}  // namespace hostcontrol
