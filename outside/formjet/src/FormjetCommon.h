// What the library's calls share: the calling thread's last error, open handles and the
// store's values.
#pragma once

#include <cstdint>
#include <string>

#include "formjet/Formjet.h"
#include "platform/Registry.h"

namespace formjet::detail {

extern thread_local std::uint32_t t_lastError;

// Sets the last error and answers 0.
int Fail(std::uint32_t code);
// Clears the last error and answers 1.
int Done();
bool IsOpenHandle(FORMJET_HANDLE h);
// A value of the key, or empty / 0 when it is missing or of another type.
std::string QueryString(platform::HKEY key, const char* name);
platform::DWORD QueryDword(platform::HKEY key, const char* name);

}  // namespace formjet::detail
