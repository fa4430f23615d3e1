// The fields a session takes from its driver's session information text
// ("PROTOCOL=QUIL/RID=...LID=xxxxxxxxLNIATA=xxxxxxHOSTSYS=..."): the six characters after
// "LNIATA=" and the eight after "LID=", each only when the text holds that many.
#pragma once

namespace SessionNS::detail {

struct SessionInfoFields {
    bool hasLniata = false;
    char lniata[7] = {};
    bool hasLockId = false;
    char lockId[9] = {};
};

SessionInfoFields ParseSessionInfo(const char* info);

}  // namespace SessionNS::detail
