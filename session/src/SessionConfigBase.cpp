#include "session/SessionConfigBase.h"

#include <strings.h>

#include <cstring>

#include "session/Exceptions.h"
#include "session/SessionStateBase.h"

namespace SessionNS {
namespace {

struct PriorityName {
    UTKLogger::CPriority::EPRIORITY priority;
    const char* name;
    char digit;
};

using P = UTKLogger::CPriority;
constexpr PriorityName kPriorities[] = {
    {static_cast<P::EPRIORITY>(0), "OFF", '1'},
    {P::FATAL, "FATAL", '2'},
    {P::ALERT, "ALERT", '3'},
    {P::CRIT, "CRIT", '4'},
    {P::ERROR, "ERROR", '5'},
    {P::WARN, "WARN", '6'},
    {P::NOTICE, "NOTICE", '7'},
    {P::INFO, "INFO", '8'},
    {P::DEBUG, "DEBUG", '9'},
};

// A default no configuration file holds: tells a missing key from an empty one.
constexpr const char* kMissing = "\x01";

}  // namespace

void CSessionConfigBase::CValue::Set(EPRIORITY value) {
    for (const PriorityName& entry : kPriorities) {
        if (entry.priority == value) {
            m_Text = entry.name;
            return;
        }
    }
    m_Text = "DEBUG";
}

CSessionConfigBase::EDrvLogInterface CSessionConfigBase::CValue::GetLogInterface() const {
    return strcasecmp(m_Text.c_str(), "PRIORITIZED") == 0 ? PRIORITIZED : SIMPLE;
}

CSessionConfigBase::EPRIORITY CSessionConfigBase::CValue::GetPriority() const {
    for (const PriorityName& entry : kPriorities) {
        if (strcasecmp(m_Text.c_str(), entry.name) == 0) {
            return entry.priority;
        }
    }
    return P::DEBUG;
}

CSessionConfigBase::CSessionConfigBase(EProtocol protocol, const char* routeName)
    : m_Protocol(protocol) {
    SetRouteName(routeName);
}

CSessionConfigBase::~CSessionConfigBase() {
    m_Values.clear();
}

void CSessionConfigBase::SetSessionFile(const char* file) {
    if (file != nullptr) {
        _SetValue("SESSFILE", file, true);
    }
}

CSessionConfigBase::CValue& CSessionConfigBase::Entry(const UTKString::CString& key, bool dirty,
                                                      const char* overload) {
    if (key.empty()) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionConfigBase::_SetValue(%s): KeyName may not be empty",
                                 overload);
    }
    CValue& value = m_Values[key];
    value.SetDirty(dirty);
    return value;
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, const UTKString::CString& value,
                                   bool dirty) {
    Entry(key, dirty, "CString").Set(value);
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, const char* value, bool dirty) {
    Entry(key, dirty, "CString").Set(value);
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, const char* value, int length,
                                   bool dirty) {
    if (length < 0) {
        throw CArgumentException(
            COMM_ERR_BADINPUT,
            "CSessionConfigBase::_SetValue(Length): Length may not be a negative value. %d",
            length);
    }
    UTKString::CString text;
    if (value != nullptr && length > 0) {
        const std::uint32_t n = UTKString::strnlen(value, static_cast<std::uint32_t>(length));
        text.reserve(n + 1);
        for (std::uint32_t i = 0; i < n; ++i) {
            text += value[i];
        }
    }
    Entry(key, dirty, "CString").Set(text);
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, bool value, bool dirty) {
    Entry(key, dirty, "bool").Set(value);
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, unsigned value, bool dirty) {
    Entry(key, dirty, "UINT").Set(value);
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, EDrvLogInterface value,
                                   bool dirty) {
    Entry(key, dirty, "EDrvLogInterface").Set(value);
}

void CSessionConfigBase::_SetValue(const UTKString::CString& key, EPRIORITY value, bool dirty) {
    Entry(key, dirty, "EPRIORITY").Set(value);
}

const CSessionConfigBase::CValue& CSessionConfigBase::_GetValue(
    const UTKString::CString& key) const {
    static const CValue empty;
    if (key.empty()) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionConfigBase::_GetValue: KeyName may not be empty");
    }
    const auto it = m_Values.find(key);
    return it != m_Values.end() ? it->second : empty;
}

const char* CSessionConfigBase::GetStringBase(const char* key) {
    if (key == nullptr || *key == '\0') {
        return "";
    }
    if (strcasecmp(key, "PROTOCOL") == 0) {
        std::strncpy(m_ProtocolWord, ProtocolWord(m_Protocol), sizeof m_ProtocolWord - 1);
        return m_ProtocolWord;
    }
    return _GetString(key);
}

void CSessionConfigBase::SetStringBase(const char* key, const char* value, int length) {
    _SetValue(key, value, length, true);
}

void CSessionConfigBase::Fill(UTKTools::CConfigFileAdapter& adapter) {
    const char* route = GetRouteName();
    UTKString::CString text;
    if (adapter.GetString(route, "PROTOCOL", text, "") == 0) {
        throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE, "%s RouteName=%s %s entry not found",
                                 "CSessionConfigBase::Fill", route, "PROTOCOL");
    }
    const char* expected = ProtocolWord(m_Protocol);
    if (*expected == '\0') {
        throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE, "%s Unrecognized EProtocol %d",
                                 "CSessionConfigBase::Fill", static_cast<int>(m_Protocol));
    }
    if (text != expected) {
        throw CArgumentException(
            COMM_ERR_BAD_CONFIG_VALUE, "%s RouteName=%s %s=%s expected, %s=%s found",
            "CSessionConfigBase::Fill", route, "PROTOCOL", expected, "PROTOCOL", text.c_str());
    }
    adapter.GetString(route, "LNIATA", text, "");
    _SetValue("LNIATA", text, false);
    if (text.empty()) {
        adapter.GetString("GLOBAL", "SESSFILE", text, "");
        _SetValue("SESSFILE", text, false);
    }
    adapter.GetString(route, "DRVLOGINTERFACE", text, "SIMPLE");
    _SetValue("DRVLOGINTERFACE", text, false);
    adapter.GetString("GLOBAL", "SERVERMODE", text, "");
    _SetValue("SERVERMODE", text, false);
}

void CSessionConfigBase::FillField(UTKTools::CConfigFileAdapter& adapter,
                                   const ConfigField& field) {
    UTKString::CString text;
    if (field.section == ESection::Route) {
        adapter.GetString(GetRouteName(), field.fileKey, text, "");
    } else {
        adapter.GetString("GLOBAL", field.fileKey, text, "");
        if (field.section == ESection::GlobalThenRoute) {
            // The route's own value wins; a route without the key keeps the global one.
            UTKString::CString routeText;
            adapter.GetString(GetRouteName(), field.fileKey, routeText, kMissing);
            if (routeText != kMissing) {
                text = routeText;
            }
        }
    }
    _SetValue(field.spec.key, text, false);
}

void CSessionConfigBase::OverrideBase(CSessionConfigBase& other) {
    if (other.m_Protocol != m_Protocol) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CSessionConfigBase::OverrideBase SessionConfig protocols do not "
                                 "match");
    }
    for (const auto& [key, value] : other.m_Values) {
        if (value.IsDirty()) {
            _SetValue(key, value.Get(), true);
        }
    }
}

void CSessionConfigBase::ForceOverridesBase() {
    for (auto& [key, value] : m_Values) {
        if (value.Get().empty()) {
            value.SetDirty(true);
        }
    }
}

CSessionConfigBase& CSessionConfigBase::CopyBase(const CSessionConfigBase& other) {
    if (other.m_Protocol != m_Protocol) {
        throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE, "%s Protocol mismatch!",
                                 "CSessionConfigBase::CopyBase");
    }
    if (this != &other) {
        m_Values = other.m_Values;
    }
    return *this;
}

CStream CSessionConfigBase::SerializeBase() {
    UTKString::CString out;
    out.reserve(81);
    SerializeProtocol(m_Protocol, out);
    const UTKString::CString route = _Get("ROUTENAME");
    SerializeString(3, route.length(), route.c_str(), "01", out);
    const UTKString::CString file = _Get("SESSFILE");
    SerializeString(3, file.length(), file.c_str(), "03", out);
    const UTKString::CString lniata = _Get("LNIATA");
    SerializeString(1, lniata.length(), lniata.c_str(), "02", out);
    if (!_Get("DRVLOGINTERFACE").empty()) {
        SerializeString(1, 2, _GetLogInterface() == SIMPLE ? "06" : "05", "04", out);
    }
    if (!_Get("SERVERMODE").empty()) {
        SerializeBOOL(_GetBool("SERVERMODE"), "77", out);
    }
    return CStream(reinterpret_cast<const unsigned char*>(out.c_str()), out.length());
}

CStream CSessionConfigBase::DeserializeBase(CStream& record) {
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
        if (field == "01") {
            _SetValue("ROUTENAME", ReadFieldText(3, cursor, remaining, "ROUTENAME", record), true);
        } else if (field == "03") {
            _SetValue("SESSFILE", ReadFieldText(3, cursor, remaining, "SESSFILE", record), true);
        } else if (field == "02") {
            _SetValue("LNIATA", ReadFieldText(1, cursor, remaining, "LNIATA", record), true);
        } else if (field == "04") {
            const UTKString::CString text =
                ReadFieldText(1, cursor, remaining, "DRVLOGINTERFACE", record);
            _SetValue("DRVLOGINTERFACE", text == "06" ? SIMPLE : PRIORITIZED, true);
        } else if (field == "77") {
            _SetValue("SERVERMODE", ReadFieldText(1, cursor, remaining, "SERVERMODE", record),
                      true);
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

void CSessionConfigBase::WriteFamilyFields(const ConfigField* fields, std::size_t count,
                                           CStream& record) const {
    UTKString::CString out;
    out.reserve(2048);
    for (std::size_t i = 0; i < count; ++i) {
        const FieldSpec& spec = fields[i].spec;
        const UTKString::CString& value = _GetValue(spec.key).Get();
        if (value.empty()) {
            continue;
        }
        if (spec.kind == EFieldKind::TrueFalse) {
            SerializeBOOL(strcasecmp(value.c_str(), "TRUE") == 0, spec.id, out);
        } else if (spec.kind == EFieldKind::Priority) {
            const char digit[2] = {PriorityDigit(_GetValue(spec.key).GetPriority()), '\0'};
            SerializeString(spec.width, 1, digit, spec.id, out);
        } else {
            WriteField(spec, value, out);
        }
    }
    record += CStream(reinterpret_cast<const unsigned char*>(out.c_str()), out.length());
}

void CSessionConfigBase::ReadFamilyFields(const ConfigField* fields, std::size_t count,
                                          const char* className, CStream& rest) {
    const unsigned char* cursor = rest.data();
    auto remaining = static_cast<std::int32_t>(rest.length());
    while (remaining > 0) {
        char id[3] = {};
        GetFieldID(id, cursor, remaining, rest);
        const FieldSpec* spec = nullptr;
        for (std::size_t i = 0; i < count && spec == nullptr; ++i) {
            if (std::strcmp(fields[i].spec.id, id) == 0) {
                spec = &fields[i].spec;
            }
        }
        if (spec == nullptr) {
            ThrowUnknownField(className, id, rest, remaining);
        }
        const UTKString::CString text = ReadField(*spec, cursor, remaining, rest);
        if (spec->kind == EFieldKind::TrueFalse) {
            _SetValue(spec->key, text == "1" ? "TRUE" : "FALSE", true);
        } else if (spec->kind == EFieldKind::Priority) {
            _SetValue(spec->key, PriorityFromDigit(text.c_str()[0]), true);
        } else {
            _SetValue(spec->key, text, true);
        }
    }
}

char CSessionConfigBase::PriorityDigit(EPRIORITY priority) {
    for (const PriorityName& entry : kPriorities) {
        if (entry.priority == priority) {
            return entry.digit;
        }
    }
    return '0';
}

CSessionConfigBase::EPRIORITY CSessionConfigBase::PriorityFromDigit(char digit) {
    for (const PriorityName& entry : kPriorities) {
        if (entry.digit == digit) {
            return entry.priority;
        }
    }
    return P::DEBUG;
}

}  // namespace SessionNS
