// Result codes of the automation layer, in the shape callers of the original interfaces
// check them: negative means failure, and the facility and code keep their usual values so
// that logs and stored codes read the same.
#pragma once

#include <cstdint>

#include "platform/Win32Error.h"

namespace platform {

using HRESULT = std::int32_t;

[[nodiscard]] constexpr bool SUCCEEDED(HRESULT hr) noexcept {
    return hr >= 0;
}
[[nodiscard]] constexpr bool FAILED(HRESULT hr) noexcept {
    return hr < 0;
}
[[nodiscard]] constexpr HRESULT MakeHResult(std::uint32_t bits) noexcept {
    return static_cast<HRESULT>(bits);
}
// A Win32 error number as a failure of facility 7 (0 stays success).
[[nodiscard]] constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) noexcept {
    return code == 0 ? 0 : MakeHResult((code & 0xFFFFu) | 0x80070000u);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);

inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008u);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000Au);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);

inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
// A module's self-registration: the type library, or a class, could not be written.
inline constexpr HRESULT SELFREG_E_TYPELIB = MakeHResult(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201u);

}  // namespace platform
