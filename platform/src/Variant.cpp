#include "platform/Variant.h"

#include <limits>
#include <utility>

namespace platform {

namespace {

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;
constexpr VARTYPE kReference = VT_BYREF | VT_VARIANT;

bool IsNumeric(VARTYPE vt) noexcept {
    return vt == VT_I2 || vt == VT_I4 || vt == VT_BOOL;
}

}  // namespace

Variant Variant::I2(std::int16_t value) {
    Variant v;
    v.m_vt = VT_I2;
    v.m_number = value;
    return v;
}

Variant Variant::I4(std::int32_t value) {
    Variant v;
    v.m_vt = VT_I4;
    v.m_number = value;
    return v;
}

Variant Variant::Bool(bool value) {
    Variant v;
    v.m_vt = VT_BOOL;
    v.m_number = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::BStr(std::string bytes) {
    Variant v;
    v.m_vt = VT_BSTR;
    v.m_bytes = std::move(bytes);
    return v;
}

Variant Variant::ByteArray(std::vector<std::uint8_t> bytes) {
    Variant v;
    v.m_vt = kByteArray;
    v.m_array = std::move(bytes);
    return v;
}

Variant Variant::ByRef(Variant& target) {
    Variant v;
    v.m_vt = kReference;
    v.m_ref = &target;
    return v;
}

void Variant::Clear() noexcept {
    *this = Variant();
}

HRESULT Variant::GetI2(std::int16_t& out) const {
    if (m_vt != VT_I2) return DISP_E_TYPEMISMATCH;
    out = static_cast<std::int16_t>(m_number);
    return S_OK;
}

HRESULT Variant::GetI4(std::int32_t& out) const {
    if (m_vt != VT_I4) return DISP_E_TYPEMISMATCH;
    out = m_number;
    return S_OK;
}

HRESULT Variant::GetBool(VARIANT_BOOL& out) const {
    if (m_vt != VT_BOOL) return DISP_E_TYPEMISMATCH;
    out = static_cast<VARIANT_BOOL>(m_number);
    return S_OK;
}

HRESULT Variant::GetBStr(std::string& out) const {
    if (m_vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    out = m_bytes;
    return S_OK;
}

HRESULT Variant::GetByteArray(std::vector<std::uint8_t>& out) const {
    if (m_vt != kByteArray) return DISP_E_TYPEMISMATCH;
    out = m_array;
    return S_OK;
}

Variant* Variant::Referenced() const noexcept {
    return m_vt == kReference ? m_ref : nullptr;
}

HRESULT Variant::ChangeType(VARTYPE target, Variant& out) const {
    const Variant& source = m_vt == kReference && m_ref ? *m_ref : *this;
    const VARTYPE from = source.m_vt;
    if (from == kReference) return DISP_E_TYPEMISMATCH;  // a reference to a reference
    switch (target) {
        case VT_I2:
        case VT_I4:
        case VT_BOOL: {
            if (from != VT_EMPTY && !IsNumeric(from)) return DISP_E_TYPEMISMATCH;
            const std::int32_t n = source.m_number;  // 0 when empty
            if (target == VT_BOOL) {
                out = Bool(n != 0);
            } else if (target == VT_I4) {
                out = I4(n);
            } else {
                if (n < std::numeric_limits<std::int16_t>::min() ||
                    n > std::numeric_limits<std::int16_t>::max()) {
                    return DISP_E_OVERFLOW;
                }
                out = I2(static_cast<std::int16_t>(n));
            }
            return S_OK;
        }
        case VT_BSTR:
            if (from != VT_EMPTY && from != VT_BSTR) return DISP_E_TYPEMISMATCH;
            out = BStr(source.m_bytes);
            return S_OK;
        case kByteArray:
            if (from != kByteArray) return DISP_E_TYPEMISMATCH;
            out = ByteArray(source.m_array);
            return S_OK;
        default:
            return DISP_E_BADVARTYPE;
    }
}

HRESULT Variant::ToI2(std::int16_t& out) const {
    Variant v;
    const HRESULT hr = ChangeType(VT_I2, v);
    if (SUCCEEDED(hr)) out = static_cast<std::int16_t>(v.m_number);
    return hr;
}

HRESULT Variant::ToI4(std::int32_t& out) const {
    Variant v;
    const HRESULT hr = ChangeType(VT_I4, v);
    if (SUCCEEDED(hr)) out = v.m_number;
    return hr;
}

HRESULT Variant::ToBool(bool& out) const {
    Variant v;
    const HRESULT hr = ChangeType(VT_BOOL, v);
    if (SUCCEEDED(hr)) out = v.m_number != 0;
    return hr;
}

HRESULT Variant::ToBStr(std::string& out) const {
    Variant v;
    const HRESULT hr = ChangeType(VT_BSTR, v);
    if (SUCCEEDED(hr)) out = std::move(v.m_bytes);
    return hr;
}

}  // namespace platform
