// The ARLO and ZEL states: the same shape, each with its own field table.
#include <strings.h>

#include "StateProtocolCheck.h"
#include "session/ARLOSessionState.h"
#include "session/SessionConfigBase.h"
#include "session/ZELSessionState.h"

namespace SessionNS {
namespace {

using Kind = CSerializable::EFieldKind;

constexpr CSerializable::FieldSpec kZelFields[] = {
    {"20", "HOSTBASE", "HOSTADDRESS", 3, Kind::Text},
    {"10", "PORTBASE", "PORT", 6, Kind::Unsigned},
    {"02", "LNIATA", "LNIATA", 1, Kind::Text},
};

constexpr CSerializable::FieldSpec kArloFields[] = {
    {"34", "ARLO", "ARLO", 3, Kind::Text},
    {"10", "PORTBASE", "PORT", 6, Kind::Unsigned},
    {"02", "LNIATA", "LNIATA", 1, Kind::Text},
};

const char* ZelKey(const char* key) {
    if (strcasecmp(key, "HOSTADDRESS") == 0) {
        return "HOSTBASE";
    }
    return strcasecmp(key, "PORT") == 0 ? "PORTBASE" : nullptr;
}

const char* ArloKey(const char* key) {
    return strcasecmp(key, "PORT") == 0 ? "PORTBASE" : nullptr;
}

}  // namespace

// The common body of both families: serialising and reading with the family's table, and
// the keyed access with its renamed keys.
#define FAMILY_STATE_COMMON(Class, Family, ConfigClass, Fields, MapKey)                       \
    Class::Class(CStream& record) : CSessionStateBase(Family) {                               \
        Deserialize(record);                                                                  \
    }                                                                                         \
    Class& Class::operator=(const Class& other) {                                             \
        CopyBase(other);                                                                      \
        return *this;                                                                         \
    }                                                                                         \
    Class::~Class() = default;                                                                \
    CStream Class::Serialize() {                                                              \
        CStream record = SerializeBase();                                                     \
        UTKString::CString out;                                                               \
        for (const FieldSpec& spec : Fields) {                                                \
            WriteField(spec, _GetValue(spec.key).Get(), out);                                 \
        }                                                                                     \
        record += CStream(reinterpret_cast<const unsigned char*>(out.c_str()), out.length()); \
        return record;                                                                        \
    }                                                                                         \
    void Class::Deserialize(CStream& record) {                                                \
        CStream rest = DeserializeBase(record);                                               \
        const unsigned char* cursor = rest.data();                                            \
        auto remaining = static_cast<std::int32_t>(rest.length());                            \
        while (remaining > 0) {                                                               \
            char id[3] = {};                                                                  \
            GetFieldID(id, cursor, remaining, rest);                                          \
            const FieldSpec* spec = FindField(Fields, id);                                    \
            if (spec == nullptr) {                                                            \
                ThrowUnknownField(#Class, id, rest, remaining);                               \
            }                                                                                 \
            _SetValue(spec->key, ReadField(*spec, cursor, remaining, rest), true);            \
        }                                                                                     \
    }                                                                                         \
    void Class::SetString(const char* key, const char* value, int length) {                   \
        if (key == nullptr) {                                                                 \
            return;                                                                           \
        }                                                                                     \
        if (const char* mapped = MapKey(key)) {                                               \
            _SetValue(mapped, value, length, true);                                           \
            return;                                                                           \
        }                                                                                     \
        SetStringBase(key, value, length);                                                    \
    }                                                                                         \
    const char* Class::GetString(const char* key) {                                           \
        if (key == nullptr) {                                                                 \
            return "";                                                                        \
        }                                                                                     \
        const char* mapped = MapKey(key);                                                     \
        return mapped != nullptr ? _GetValue(mapped).GetString() : GetStringBase(key);        \
    }                                                                                         \
    void Class::ConfirmConfigProtocol(CSessionConfigBase& config) const {                     \
        detail::ConfirmStateProtocol(#Class, #ConfigClass, Family, config);                   \
    }

FAMILY_STATE_COMMON(CZELSessionState, ZEL, CZELSessionConfig, kZelFields, ZelKey)
FAMILY_STATE_COMMON(CARLOSessionState, ARLO, CARLOSessionConfig, kArloFields, ArloKey)

#undef FAMILY_STATE_COMMON

void CZELSessionState::Fill(CSessionConfigBase& config) {
    FillBase(config);
    _SetValue("HOSTBASE", config.GetString("HOSTBASE"), false);
    _SetValue("PORTBASE", config.GetString("PORTBASE"), false);
    _SetValue("LNIATA", config.GetString("LNIATA"), false);
}

void CARLOSessionState::Fill(CSessionConfigBase& config) {
    FillBase(config);
    _SetValue("ARLO", "", false);
    _SetValue("PORTBASE", config.GetString("PORTBASE"), false);
    _SetValue("LNIATA", config.GetString("LNIATA"), false);
}

}  // namespace SessionNS
