#include "core/Terminator.h"

#include <algorithm>
#include <string>

#include "core/Registry.h"

using platform::DWORD;

namespace {

constexpr bool kRequired = true;
constexpr bool kLog = true;

}  // namespace

void BuildTerminatorData(CRegistry* pRegistry) {
    if (!pRegistry) return;
    std::string existing;
    if (pRegistry->RegistryQueryString("Terminator Data", &existing, kRequired, kLog)) return;

    CRegistry& global = GlobalRegistry();
    std::string deviceType;
    DWORD deleteFormFeed = 0;
    DWORD insertLineFeed = 0;
    (void)global.RegistryQueryString("Device Type", &deviceType, kRequired, kLog);
    (void)global.RegistryQueryDWORD("Delete Form Feed", &deleteFormFeed, kRequired, kLog);
    (void)global.RegistryQueryDWORD("Insert Line Feed", &insertLineFeed, kRequired, kLog);

    std::string terminator;  // T
    std::string readable;    // R
    DWORD type = 1;
    if (deviceType == kDeviceTypeInterfaceQueue) {
        DWORD separator = 0;
        DWORD nativeFormat = 0;  // read as the device reads it; it does not change the bytes
        (void)global.RegistryQueryDWORD("QSeperator", &separator, kRequired, kLog);
        (void)global.RegistryQueryDWORD("NativeFormat", &nativeFormat, kRequired, kLog);
        if (separator == 0) {
            terminator += '\r';
            readable += "~0D";
            if (insertLineFeed != 0) {
                terminator += '\n';
                readable += "~0A";
            }
            terminator += "*** EOM ***";
            readable += "*** EOM ***";
            terminator += '\xFF';
            readable += "~FF";
            terminator += '\r';
            readable += "~0D";
        } else {
            terminator += '\f';
            readable += "~0C";
        }
        if (insertLineFeed != 0) {
            terminator += '\n';
            readable += "~0A";
        }
        (void)pRegistry->RegistrySetString("Terminator Field", readable, kRequired, kLog);
        type = 4;
    } else if (deviceType == kDeviceTypeFile) {
        DWORD multipleFiles = 0;
        (void)global.RegistryQueryDWORD("Multiple Files", &multipleFiles, kRequired, kLog);
        if (multipleFiles == 0) {
            std::string eom;
            (void)global.RegistryQueryString("EOM", &eom, kRequired, kLog);
            terminator = "\r\n" + eom + "\r\n\f";
            readable = "~0D~0A" + eom + "~0D~0A~0C";
        } else {
            terminator = "\r\n";
        }
        (void)pRegistry->RegistrySetString("Terminator Field", readable, kRequired, kLog);
        type = 4;
    } else {
        terminator += '\r';
        if (deleteFormFeed != 0) {
            DWORD finalLineFeeds = 0;
            (void)pRegistry->RegistryQueryDWORD("Final Line Feeds", &finalLineFeeds, kRequired,
                                                kLog);
            // A count from the configuration: the bytes are bounded by what a value may hold.
            const DWORD count = std::min<DWORD>(finalLineFeeds, CRegistryBase::kBufferSize - 1);
            if (count > 0) {
                terminator.append(count, '\n');
                type = 3;
            } else {
                type = 2;
            }
        } else {
            terminator += '\f';
        }
    }
    (void)pRegistry->RegistrySetDWORD("Terminator Type", type, kRequired, kLog);
    (void)pRegistry->RegistrySetString("Terminator Data", terminator, kRequired, kLog);
}
