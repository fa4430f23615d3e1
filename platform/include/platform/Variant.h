// Automation values: the kinds the host control's dispatch interface passes (16- and 32-bit
// integers, Booleans, strings, arrays of bytes, references to another value for out
// arguments) and the coercions a dispatch call applies to its arguments.
//
// A string (BSTR) is kept as bytes: any byte value, zeros included, survives. A byte array
// (VT_ARRAY | VT_UI1) has one dimension with lower bound 0. A reference (VT_BYREF |
// VT_VARIANT) points at a value the caller owns and keeps alive for the call; copying a
// reference copies the pointer, as with the original's by-reference values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/HResult.h"

namespace platform {

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_ARRAY = 0x2000;
inline constexpr VARTYPE VT_BYREF = 0x4000;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class Variant {
public:
    Variant() = default;  // VT_EMPTY

    [[nodiscard]] static Variant I2(std::int16_t value);
    [[nodiscard]] static Variant I4(std::int32_t value);
    // VARIANT_TRUE for true, VARIANT_FALSE for false.
    [[nodiscard]] static Variant Bool(bool value);
    [[nodiscard]] static Variant BStr(std::string bytes);
    // VT_ARRAY | VT_UI1.
    [[nodiscard]] static Variant ByteArray(std::vector<std::uint8_t> bytes);
    // VT_BYREF | VT_VARIANT: a reference to `target`, which must outlive the reference.
    [[nodiscard]] static Variant ByRef(Variant& target);

    [[nodiscard]] VARTYPE vt() const noexcept { return m_vt; }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_vt == VT_EMPTY; }
    // Back to VT_EMPTY, releasing what it held (a referenced value is left alone).
    void Clear() noexcept;

    // The held value of the exact kind; a value of another kind gives DISP_E_TYPEMISMATCH and
    // leaves `out` alone. No coercion, no following of references.
    [[nodiscard]] HRESULT GetI2(std::int16_t& out) const;
    [[nodiscard]] HRESULT GetI4(std::int32_t& out) const;
    [[nodiscard]] HRESULT GetBool(VARIANT_BOOL& out) const;
    [[nodiscard]] HRESULT GetBStr(std::string& out) const;
    [[nodiscard]] HRESULT GetByteArray(std::vector<std::uint8_t>& out) const;
    // The referenced value, or null when this is not a reference.
    [[nodiscard]] Variant* Referenced() const noexcept;

    // The value coerced to `target` (VT_I2, VT_I4, VT_BOOL, VT_BSTR, VT_ARRAY | VT_UI1), as a
    // dispatch call coerces its arguments. A reference is followed first. Integers and
    // Booleans convert among themselves (non-zero is VARIANT_TRUE; a Boolean true is -1); an
    // empty value reads as 0, false or an empty string. An integer that does not fit gives
    // DISP_E_OVERFLOW; strings and arrays convert only to their own kind, and anything else
    // gives DISP_E_TYPEMISMATCH (an unknown target DISP_E_BADVARTYPE). `out` changes only on
    // success.
    [[nodiscard]] HRESULT ChangeType(VARTYPE target, Variant& out) const;
    // The same coercions straight into a C++ value.
    [[nodiscard]] HRESULT ToI2(std::int16_t& out) const;
    [[nodiscard]] HRESULT ToI4(std::int32_t& out) const;
    [[nodiscard]] HRESULT ToBool(bool& out) const;
    [[nodiscard]] HRESULT ToBStr(std::string& out) const;

    // Kind and value (a reference compares by the address it holds).
    friend bool operator==(const Variant&, const Variant&) = default;

private:
    VARTYPE m_vt = VT_EMPTY;
    std::int32_t m_number = 0;  // I2, I4 and BOOL
    std::string m_bytes;        // BSTR
    std::vector<std::uint8_t> m_array;
    Variant* m_ref = nullptr;
};

}  // namespace platform
