#include "session/QUILSessionState.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "StateProtocolCheck.h"
#include "session/Exceptions.h"
#include "session/SessionConfigBase.h"

namespace SessionNS {
namespace {

using Kind = CSerializable::EFieldKind;

// In the order Serialize writes them.
constexpr CSerializable::FieldSpec kFields[] = {
    {"40", "HOSTBASE", "DEFAULTHOST", 3, Kind::Text},
    {"60", "ACTIVEHOST", "ACTIVEHOST", 3, Kind::Text},
    {"10", "PORTBASE", "PORT", 6, Kind::Unsigned},
    {"61", "OTHERHOSTS", "OTHERHOSTS", 4, Kind::Text},
    {"62", "PTRURLLIST", "PTRURLLIST", 4, Kind::Text},
    {"74", "STATE", "STATE", 1, Kind::Text},
    {"02", "LNIATA", "LNIATA", 1, Kind::Text},
};
constexpr CSerializable::FieldSpec kLockIdField = {"75", "LID", "LID", 6, Kind::Unsigned};
constexpr CSerializable::FieldSpec kOptionsHostField = {"63", "", "OPTIONDATAHOST", 3, Kind::Text};
constexpr CSerializable::FieldSpec kOptionsDataField = {"76", "", "OPTIONDATA", 3, Kind::Text};

const char* MapKey(const char* key) {
    if (strcasecmp(key, "DEFAULTHOST") == 0) {
        return "HOSTBASE";
    }
    if (strcasecmp(key, "PORT") == 0) {
        return "PORTBASE";
    }
    if (strcasecmp(key, "RID") == 0) {
        return "LNIATA";
    }
    return nullptr;
}

}  // namespace

CQUILSessionState::CQUILSessionState(CStream& record) : CSessionStateBase(QUIL) {
    Deserialize(record);
}

CQUILSessionState::CQUILSessionState(const CQUILSessionState& other)
    : CSessionStateBase(other), m_OptionsData(other.m_OptionsData) {}

CQUILSessionState& CQUILSessionState::operator=(const CQUILSessionState& other) {
    if (this != &other) {
        CopyBase(other);
        m_OptionsData = other.m_OptionsData;
    }
    return *this;
}

CQUILSessionState::~CQUILSessionState() {
    m_OptionsData.clear();
}

void CQUILSessionState::SetState(char state) {
    const char text[2] = {state, '\0'};
    _SetValue("STATE", text, true);
}

void CQUILSessionState::SetLockID(unsigned lockId) {
    char text[16];
    std::snprintf(text, sizeof text, "%.8X", lockId);
    _SetValue("LID", text, true);
}

void CQUILSessionState::SetOptionsData(const CStream& data) {
    const UTKString::CString host = _GetValue("ACTIVEHOST").Get();
    if (!host.empty()) {
        m_OptionsData[host] = data;
    }
}

CStream CQUILSessionState::GetOptionsData() const {
    const UTKString::CString host = _GetValue("ACTIVEHOST").Get();
    const auto it = host.empty() ? m_OptionsData.end() : m_OptionsData.find(host);
    return it != m_OptionsData.end() ? it->second : CStream();
}

void CQUILSessionState::Fill(CSessionConfigBase& config) {
    FillBase(config);
    _SetValue("HOSTBASE", config.GetString("HOSTBASE"), false);
    _SetValue("ACTIVEHOST", config.GetString("HOSTBASE"), false);
    _SetValue("PORTBASE", config.GetString("PORTBASE"), false);
    _SetValue("LNIATA", config.GetString("LNIATA"), false);
    for (const char* key : {"OTHERHOSTS", "PTRURLLIST", "STATE", "LID"}) {
        _SetValue(key, "", false);
    }
    m_OptionsData.clear();
}

void CQUILSessionState::Erase() {
    EraseBase();
    m_OptionsData.clear();
}

CStream CQUILSessionState::Serialize() {
    CStream record = SerializeBase();
    UTKString::CString out;
    for (const FieldSpec& spec : kFields) {
        WriteField(spec, _GetValue(spec.key).Get(), out);
    }
    if (!_GetValue("LID").Get().empty()) {
        SerializeUINT(kLockIdField.width, GetLockID(), kLockIdField.id, out);
    }
    for (const auto& [host, data] : m_OptionsData) {
        if (host.empty() || data.empty()) {
            continue;  // a host name without data could not be read back
        }
        SerializeString(kOptionsHostField.width, host.length(), host.c_str(), kOptionsHostField.id,
                        out);
        const UTKString::CString hex = ConvertToHexString(data);
        SerializeString(kOptionsDataField.width, hex.length(), hex.c_str(), kOptionsDataField.id,
                        out);
    }
    record += CStream(reinterpret_cast<const unsigned char*>(out.c_str()), out.length());
    return record;
}

void CQUILSessionState::Deserialize(CStream& record) {
    Erase();
    CStream rest = DeserializeBase(record);
    const unsigned char* cursor = rest.data();
    auto remaining = static_cast<std::int32_t>(rest.length());
    UTKString::CString pendingHost;  // a "63" waiting for its "76"
    while (remaining > 0) {
        char id[3] = {};
        GetFieldID(id, cursor, remaining, rest);
        const bool optionsData = std::strcmp(id, kOptionsDataField.id) == 0;
        if (optionsData && !pendingHost.empty()) {
            const UTKString::CString hex = ReadField(kOptionsDataField, cursor, remaining, rest);
            unsigned char bytes[kMaxOptionsData] = {};
            unsigned count = 0;
            for (unsigned i = 0; i + 1 < hex.length() && count < kMaxOptionsData; i += 2) {
                const char pair[3] = {hex.c_str()[i], hex.c_str()[i + 1], '\0'};
                bytes[count++] = static_cast<unsigned char>(ParseHex(pair));
            }
            m_OptionsData[pendingHost] = CStream(bytes, count);
            pendingHost = "";
            continue;
        }
        pendingHost = "";  // a host name not followed by its data is dropped
        if (std::strcmp(id, kOptionsHostField.id) == 0) {
            pendingHost = ReadField(kOptionsHostField, cursor, remaining, rest);
        } else if (std::strcmp(id, kLockIdField.id) == 0) {
            SetLockID(ParseHex(
                ReadFieldText(kLockIdField.width, cursor, remaining, kLockIdField.name, rest)
                    .c_str()));
        } else if (const FieldSpec* spec = FindField(kFields, id)) {
            _SetValue(spec->key, ReadField(*spec, cursor, remaining, rest), true);
        } else {
            ThrowUnknownField("CQUILSessionState", id, rest, remaining);
        }
    }
}

void CQUILSessionState::SetString(const char* key, const char* value, int length) {
    if (key == nullptr) {
        return;
    }
    if (strcasecmp(key, "REMOVE") == 0) {
        Erase();
    }
    if (const char* mapped = MapKey(key)) {
        _SetValue(mapped, value, length, true);
        return;
    }
    SetStringBase(key, value, length);
}

const char* CQUILSessionState::GetString(const char* key) {
    if (key == nullptr) {
        return "";
    }
    const char* mapped = MapKey(key);
    return mapped != nullptr ? _GetValue(mapped).GetString() : GetStringBase(key);
}

void CQUILSessionState::ConfirmConfigProtocol(CSessionConfigBase& config) const {
    detail::ConfirmStateProtocol("CQUILSessionState", "CQUILSessionConfig", QUIL, config);
}

}  // namespace SessionNS
