#include "session/SessionStateBase.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

#include "session/Exceptions.h"
#include "session/SessionConfigBase.h"

namespace SessionNS {
namespace {

bool EqualsNoCase(const UTKString::CString& text, const char* word) {
    return strcasecmp(text.c_str(), word) == 0;
}

const CSessionStateBase::CValue& EmptyValue() {
    static const CSessionStateBase::CValue empty;
    return empty;
}

}  // namespace

const char* ProtocolWord(CSerializable::EProtocol protocol) {
    switch (protocol) {
        case CSerializable::QUIL:
            return "QUIL";
        case CSerializable::ARLO:
            return "ARLO";
        case CSerializable::ZEL:
            return "ZEL";
    }
    return "";
}

void CSessionStateBase::CValue::Set(unsigned value) {
    m_Text = Decimal(value);
}

void CSessionStateBase::CValue::Set(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    m_Text = text;
}

void CSessionStateBase::CValue::Set(EProtocol value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    m_Text = text;
}

bool CSessionStateBase::CValue::GetTrueFalse() const {
    return EqualsNoCase(m_Text, "TRUE");
}

bool CSessionStateBase::CValue::GetYesNo() const {
    return EqualsNoCase(m_Text, "YES");
}

bool CSessionStateBase::CValue::GetOnOff() const {
    return EqualsNoCase(m_Text, "ON");
}

unsigned CSessionStateBase::CValue::GetUINT() const {
    return ParseDecimal(m_Text.c_str());
}

int CSessionStateBase::CValue::GetINT() const {
    return static_cast<int>(std::strtol(m_Text.c_str(), nullptr, 10));
}

CSerializable::EProtocol CSessionStateBase::CValue::GetProtocol() const {
    if (m_Text.empty()) {
        throw CAPIException(COMM_ERR_BAD_CONFIG_VALUE, "No Protocol has been specified");
    }
    return static_cast<EProtocol>(ParseHex(m_Text.c_str()));
}

CSessionStateBase::EEncoding CSessionStateBase::CValue::GetEncoding() const {
    return EqualsNoCase(m_Text, "ANSII") ? ANSI : ASCII;
}

CSessionStateBase::~CSessionStateBase() {
    m_Values.clear();
}

CSessionStateBase::CValue& CSessionStateBase::Entry(const UTKString::CString& key, bool dirty) {
    if (key.empty()) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionStateBase::_SetValue: KeyName may not be empty");
    }
    CValue& value = m_Values[key];
    value.SetDirty(dirty);
    return value;
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, const UTKString::CString& value,
                                  bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, const char* value, bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, const char* value, int length,
                                  bool dirty) {
    UTKString::CString text;
    if (value != nullptr) {
        const auto n = static_cast<unsigned>(length);
        if (n >= UTKString::strnlen(value, n == 0xFFFFFFFFu ? n : n + 1)) {
            text = value;
        } else {
            text.reserve(n + 1);
            for (unsigned i = 0; i < n; ++i) {
                text += value[i];
            }
        }
    }
    Entry(key, dirty).Set(text);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, bool value, bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, unsigned value, bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, int value, bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, EProtocol value, bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetValue(const UTKString::CString& key, EEncoding value, bool dirty) {
    Entry(key, dirty).Set(value);
}

void CSessionStateBase::_SetTrueFalseValue(const UTKString::CString& key, bool value, bool dirty) {
    Entry(key, dirty).SetTrueFalse(value);
}

void CSessionStateBase::_SetYesNoValue(const UTKString::CString& key, bool value, bool dirty) {
    Entry(key, dirty).SetYesNo(value);
}

void CSessionStateBase::_SetOnOffValue(const UTKString::CString& key, bool value, bool dirty) {
    Entry(key, dirty).SetOnOff(value);
}

const CSessionStateBase::CValue& CSessionStateBase::_GetValue(const UTKString::CString& key) const {
    if (key.empty()) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionStateBase::_GetValue: KeyName may not be empty");
    }
    const auto it = m_Values.find(key);
    return it != m_Values.end() ? it->second : EmptyValue();
}

void CSessionStateBase::FillBase(CSessionConfigBase& config) {
    ConfirmConfigProtocol(config);
    _SetValue("ACCUMULATE", "", false);
    _SetValue("TRANSLATE", "", false);
    _SetValue("ENCODING", "", false);
}

void CSessionStateBase::OverrideBase(CSessionStateBase& other) {
    if (other.m_Protocol != m_Protocol) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionStateBase::OverrideBase SessionState types do not match");
    }
    for (const auto& [key, value] : other.m_Values) {
        if (value.IsDirty()) {
            _SetValue(key, value.Get(), true);
        }
    }
}

void CSessionStateBase::ForceOverridesBase() {
    for (auto& [key, value] : m_Values) {
        if (value.Get().empty()) {
            value.SetDirty(true);
        }
    }
}

CSessionStateBase& CSessionStateBase::CopyBase(const CSessionStateBase& other) {
    if (other.m_Protocol != m_Protocol) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionStateBase::CopyBase protocol types do not match");
    }
    if (this != &other) {
        m_Values = other.m_Values;
    }
    return *this;
}

CStream CSessionStateBase::SerializeBase() {
    UTKString::CString out;
    out.reserve(81);
    SerializeProtocol(m_Protocol, out);
    const CValue& accumulate = _GetValue("ACCUMULATE");
    if (!accumulate.Get().empty()) {
        SerializeBOOL(accumulate.GetBool(), "57", out);
    }
    const CValue& translate = _GetValue("TRANSLATE");
    if (!translate.Get().empty()) {
        SerializeBOOL(translate.GetBool(), "58", out);
    }
    const CValue& encoding = _GetValue("ENCODING");
    if (!encoding.Get().empty()) {
        SerializeUINT(1, static_cast<unsigned>(encoding.GetEncoding()), "59", out);
    }
    return CStream(reinterpret_cast<const unsigned char*>(out.c_str()), out.length());
}

CStream CSessionStateBase::DeserializeBase(CStream& record) {
    const EProtocol protocol = GetProtocol(record);
    if (protocol != m_Protocol) {
        throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE, "%s is %d when %d was expected",
                                 "PROTOCOL", static_cast<int>(protocol),
                                 static_cast<int>(m_Protocol));
    }
    const unsigned char* cursor = record.data() + 1;
    auto remaining = static_cast<std::int32_t>(record.length() - 1);
    while (remaining > 0) {
        const unsigned char* fieldStart = cursor;
        const std::int32_t fieldRemaining = remaining;
        char id[3] = {};
        GetFieldID(id, cursor, remaining, record);
        const UTKString::CString field(id);
        if (field == "57" || field == "58") {
            const char* key = field == "57" ? "ACCUMULATE" : "TRANSLATE";
            _SetValue(key, ReadFieldText(1, cursor, remaining, key, record), true);
        } else if (field == "59") {
            const UTKString::CString text = ReadFieldText(1, cursor, remaining, "ENCODING", record);
            _SetValue("ENCODING", static_cast<EEncoding>(ParseHex(text.c_str())), true);
            break;
        } else {
            // The family's reader takes it from here (and refuses it if it is not its own).
            cursor = fieldStart;
            remaining = fieldRemaining;
            break;
        }
    }
    return Rest(cursor, remaining);
}

const char* CSessionStateBase::GetStringBase(const char* key) {
    if (key == nullptr) {
        return "";
    }
    if (strcasecmp(key, "PROTOCOL") == 0) {
        return ProtocolWord(m_Protocol);
    }
    if (*key == '\0') {
        return "";
    }
    return _GetValue(key).GetString();
}

void CSessionStateBase::SetStringBase(const char* key, const char* value, int length) {
    _SetValue(key, value, length, true);
}

UTKString::CString CSessionStateBase::ConvertToHexString(const CStream& stream) {
    CStream copy(stream);
    return UTKString::CString(copy.hex());
}

}  // namespace SessionNS
