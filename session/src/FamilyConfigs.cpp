// The ARLO and ZEL configurations: a few keys each, read and written with their tables.
#include <strings.h>

#include <cstring>
#include <iterator>

#include "session/ARLOSessionConfig.h"
#include "session/ZELSessionConfig.h"

namespace SessionNS {
namespace {

using Kind = CSerializable::EFieldKind;
using Section = CSessionConfigBase::ESection;

constexpr CSessionConfigBase::ConfigField kZelFields[] = {
    {{"20", "HOSTBASE", "HOSTADDRESS", 3, Kind::Text}, "HOSTADDRESS", Section::Route},
    {{"10", "PORTBASE", "PORT", 6, Kind::Unsigned}, "PORT", Section::Route},
};

// In the order Serialize writes them; Fill reads POOLCLASS before KEEPALIVE.
constexpr CSessionConfigBase::ConfigField kArloFields[] = {
    {{"30", "HOSTBASE", "LB1", 3, Kind::Text}, "LB1", Section::Route},
    {{"31", "LB2", "LB2", 3, Kind::Text}, "LB2", Section::Route},
    {{"32", "PORTBASE", "LBPORT", 6, Kind::Unsigned}, "LBPORT", Section::Route},
    {{"11", "KEEPALIVE", "KEEPALIVE", 1, Kind::Bool}, "KEEPALIVE", Section::Route},
    {{"33", "POOLCLASS", "POOLCLASS", 2, Kind::Text}, "POOLCLASS", Section::Route},
};
constexpr int kArloFillOrder[] = {0, 1, 2, 4, 3};

// The stored key behind a renamed file key, or null.
template <std::size_t N>
const char* StoredKey(const CSessionConfigBase::ConfigField (&fields)[N], const char* key) {
    for (const auto& field : fields) {
        if (std::strcmp(field.spec.key, field.fileKey) != 0 &&
            strcasecmp(key, field.fileKey) == 0) {
            return field.spec.key;
        }
    }
    return nullptr;
}

}  // namespace

CZELSessionConfig::CZELSessionConfig(CStream& record) : CSessionConfigBase(ZEL, "") {
    Deserialize(record);
}

CZELSessionConfig& CZELSessionConfig::operator=(const CZELSessionConfig& other) {
    CopyBase(other);
    return *this;
}

CZELSessionConfig::~CZELSessionConfig() = default;

const char* CZELSessionConfig::GetString(const char* key) {
    if (key == nullptr) {
        return "";
    }
    const char* stored = StoredKey(kZelFields, key);
    return stored != nullptr ? _GetString(stored) : GetStringBase(key);
}

void CZELSessionConfig::SetString(const char* key, const char* value, int length) {
    const char* stored = key != nullptr ? StoredKey(kZelFields, key) : nullptr;
    SetStringBase(stored != nullptr ? stored : key, value, length);
}

CStream CZELSessionConfig::Serialize() {
    CStream record = SerializeBase();
    WriteFamilyFields(kZelFields, std::size(kZelFields), record);
    return record;
}

void CZELSessionConfig::Deserialize(CStream& record) {
    CStream rest = DeserializeBase(record);
    ReadFamilyFields(kZelFields, std::size(kZelFields), "CZELSessionConfig", rest);
}

void CZELSessionConfig::Fill(UTKTools::CConfigFileAdapter& adapter) {
    CSessionConfigBase::Fill(adapter);
    for (const ConfigField& field : kZelFields) {
        FillField(adapter, field);
    }
}

CARLOSessionConfig::CARLOSessionConfig(CStream& record) : CSessionConfigBase(ARLO, "") {
    Deserialize(record);
}

CARLOSessionConfig& CARLOSessionConfig::operator=(const CARLOSessionConfig& other) {
    CopyBase(other);
    return *this;
}

CARLOSessionConfig::~CARLOSessionConfig() = default;

const char* CARLOSessionConfig::GetString(const char* key) {
    if (key == nullptr || *key == '\0') {
        return "";
    }
    const char* stored = StoredKey(kArloFields, key);
    return _GetString(stored != nullptr ? stored : key);
}

void CARLOSessionConfig::SetString(const char* key, const char* value, int length) {
    const char* stored = key != nullptr ? StoredKey(kArloFields, key) : nullptr;
    SetStringBase(stored != nullptr ? stored : key, value, length);
}

CStream CARLOSessionConfig::Serialize() {
    CStream record = SerializeBase();
    WriteFamilyFields(kArloFields, std::size(kArloFields), record);
    return record;
}

void CARLOSessionConfig::Deserialize(CStream& record) {
    CStream rest = DeserializeBase(record);
    ReadFamilyFields(kArloFields, std::size(kArloFields), "CARLOSessionConfig", rest);
}

void CARLOSessionConfig::Fill(UTKTools::CConfigFileAdapter& adapter) {
    CSessionConfigBase::Fill(adapter);
    for (int index : kArloFillOrder) {
        FillField(adapter, kArloFields[index]);
    }
}

}  // namespace SessionNS
