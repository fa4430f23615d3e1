#include "SessionInfo.h"

#include <cstring>

namespace SessionNS::detail {
namespace {

// Copies `count` characters behind `key` when the text holds them all.
bool Take(const char* info, const char* key, std::size_t count, char* out) {
    const char* at = std::strstr(info, key);
    if (at == nullptr) {
        return false;
    }
    const char* value = at + std::strlen(key);
    if (::strnlen(value, count) < count) {
        return false;
    }
    std::memcpy(out, value, count);
    out[count] = '\0';
    return true;
}

}  // namespace

SessionInfoFields ParseSessionInfo(const char* info) {
    SessionInfoFields fields;
    if (info != nullptr) {
        fields.hasLniata = Take(info, "LNIATA=", 6, fields.lniata);
        fields.hasLockId = Take(info, "LID=", 8, fields.lockId);
    }
    return fields;
}

}  // namespace SessionNS::detail
