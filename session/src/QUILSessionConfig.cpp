#include "session/QUILSessionConfig.h"

#include <strings.h>

#include <cstring>
#include <iterator>

namespace SessionNS {
namespace {

using Kind = CSerializable::EFieldKind;
using Section = CSessionConfigBase::ESection;

#define F(id, key, name, width, kind, section) \
    { {id, key, name, width, Kind::kind}, name, Section::section }
// In the order Serialize writes them. The file key is the name the readers' messages give
// a field, but for "78" and "45", which go by their identifiers.
constexpr CSessionConfigBase::ConfigField kFields[] = {
    F("40", "HOSTBASE", "DEFAULTHOST", 3, Text, Route),
    F("10", "PORTBASE", "PORT", 6, Unsigned, Route),
    F("41", "AUTOBID", "AUTOBID", 1, Bool, Route),
    F("42", "DEBUG", "DEBUG", 1, Bool, Route),
    F("43", "ENDTOENDLOGGING", "ENDTOENDLOGGING", 1, Bool, Route),
    F("44", "NOLDAP", "NOLDAP", 1, Bool, Route),
    F("11", "KEEPALIVE", "KEEPALIVE", 1, Bool, Route),
    {{"78", "LDAPCONNECTTIMEOUT", "78", 6, Kind::Unsigned}, "LDAPCONNECTTIMEOUT", Section::Route},
    {{"45", "SEGMENTOVERRIDE", "45", 1, Kind::Unsigned}, "SEGMENTOVERRIDE", Section::Route},
    F("46", "IDLETIMEOUT", "IDLETIMEOUT", 6, Unsigned, Route),
    F("47", "POOLTYPE", "POOLTYPE", 2, Text, Route),
    F("48", "POOLNAME", "POOLNAME", 2, Text, Route),
    F("49", "BASEPCC", "BASEPCC", 2, Text, Route),
    F("50", "BRANCHPCC", "BRANCHPCC", 2, Text, Route),
    F("51", "LDAPADDR", "LDAPADDR", 3, Text, Global),
    F("52", "LDAPPORT", "LDAPPORT", 6, Unsigned, Global),
    F("53", "CITYCODE", "CITYCODE", 1, Text, Route),
    F("54", "PARTITION", "PARTITION", 3, Text, Route),
    F("55", "KEYNAME", "KEYNAME", 3, Text, Route),
    F("64", "DEVTYPE", "DEVTYPE", 1, Text, Route),
    F("65", "THINCLIENT", "THINCLIENT", 1, Bool, Global),
    F("66", "DEFAULTCONXVERIFY", "DEFAULTCONXVERIFY", 1, TrueFalse, GlobalThenRoute),
    F("67", "DEVSET", "DEVSET", 1, Bool, Route),
    F("73", "HOSTINFO", "HOSTINFO", 4, Text, GlobalThenRoute),
    F("68", "CN", "CN", 2, Text, GlobalThenRoute),
    F("69", "OU", "OU", 2, Text, GlobalThenRoute),
    F("70", "O", "O", 2, Text, GlobalThenRoute),
    F("71", "SVRSOCKETINSURANCE", "SVRSOCKETINSURANCE", 1, Bool, Global),
    F("72", "INSURANCEINTERVAL", "INSURANCEINTERVAL", 6, Unsigned, Global),
    F("56", "SOCKETLOGGINGTHRESHOLD", "SOCKETLOGGINGTHRESHOLD", 1, Priority, Route),
};
#undef F

}  // namespace

CQUILSessionConfig::CQUILSessionConfig(CStream& record) : CSessionConfigBase(QUIL, "") {
    Deserialize(record);
}

CQUILSessionConfig& CQUILSessionConfig::operator=(const CQUILSessionConfig& other) {
    CopyBase(other);
    return *this;
}

CQUILSessionConfig::~CQUILSessionConfig() = default;

void CQUILSessionConfig::SetDefaultConxVerify(bool on) {
    _SetValue("DEFAULTCONXVERIFY", on ? "TRUE" : "FALSE", true);
}

bool CQUILSessionConfig::GetDefaultConxVerify() const {
    return strcasecmp(_GetString("DEFAULTCONXVERIFY"), "TRUE") == 0;
}

const char* CQUILSessionConfig::GetString(const char* key) {
    if (key == nullptr || *key == '\0') {
        return "";
    }
    if (strcasecmp(key, "DEFAULTHOST") == 0) {
        return _GetString("HOSTBASE");
    }
    if (strcasecmp(key, "PORT") == 0) {
        return _GetString("PORTBASE");
    }
    return _GetString(key);
}

void CQUILSessionConfig::SetString(const char* key, const char* value, int length) {
    if (key != nullptr && strcasecmp(key, "DEFAULTHOST") == 0) {
        _SetValue("HOSTBASE", value, length, true);
    } else if (key != nullptr && strcasecmp(key, "PORT") == 0) {
        _SetValue("PORTBASE", value, length, true);
    } else {
        SetStringBase(key, value, length);
    }
}

CStream CQUILSessionConfig::Serialize() {
    CStream record = SerializeBase();
    WriteFamilyFields(kFields, std::size(kFields), record);
    return record;
}

void CQUILSessionConfig::Deserialize(CStream& record) {
    CStream rest = DeserializeBase(record);
    ReadFamilyFields(kFields, std::size(kFields), "CQUILSessionConfig", rest);
}

void CQUILSessionConfig::Fill(UTKTools::CConfigFileAdapter& adapter) {
    CSessionConfigBase::Fill(adapter);
    // The table's order, but HOSTINFO comes just before the logging threshold.
    const ConfigField* hostInfo = nullptr;
    for (const ConfigField& field : kFields) {
        if (std::strcmp(field.spec.key, "HOSTINFO") == 0) {
            hostInfo = &field;
            continue;
        }
        if (std::strcmp(field.spec.key, "SOCKETLOGGINGTHRESHOLD") == 0 && hostInfo != nullptr) {
            FillField(adapter, *hostInfo);
        }
        FillField(adapter, field);
    }
}

}  // namespace SessionNS
