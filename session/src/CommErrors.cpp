#include <cstdint>

#include "session/Exceptions.h"

namespace SessionNS {
namespace {

struct CodeEntry {
    std::int32_t code;
    const char* name;
    const char* text;  // null: none of its own
};

constexpr const char* kUnrecognizedText =
    "The error code is unrecognized. There is no error string available for this error code";
constexpr const char* kTaInUse = "The operation failed because the TA is already in use";

constexpr CodeEntry kCodes[] = {
    {0, "COMM_NO_ERROR", "No Error To Report"},
    {1001, "COMM_CONNECT_FAILED", "The connection to the specified host has failed"},
    {1002, "COMM_SEND_FAILED", "The send operation did not complete successfully"},
    {1003, "COMM_WAITING", "The current operation is waiting to complete"},
    {1004, "COMM_CONNECTION_RESET", "The TCP connection was reset by the remote peer"},
    {1005, "COMM_SUBSYSTEM_FAILED", "The Physical Network Subsystem has failed"},
    {1006, "COMM_FAILED_TO_CREATE_SOCKET",
     "The operation failed due to failing to create Socket Resource"},
    {1007, "COMM_NO_RECV_DATA", "There is no data in the Receive Chain at this time"},
    {1008, "COMM_FAILED_TO_BIND_TO_PORT",
     "The operation failed due to failing to bind the Socket Resource to the port"},
    {1009, "COMM_ERR_RECONNECT", "The reconnect operation failed"},
    {1010, "COMM_ERR_UNKNOWN",
     "The operation failed for unknown reasons. An unrecognized internal error has occured"},
    {1011, "COMM_ERR_DUPETA", kTaInUse},
    {1012, "COMM_ERR_PTA", kTaInUse},
    {1013, "COMM_ERR_BADTA",
     "The operation failed because an invalid TA was specified during the connect"},
    {1014, "COMM_ERR_TANOCFG",
     "The TA specified in the connect does not have a valid configuration"},
    {1015, "COMM_ERR_HOSTAVAIL", "The WAN connection to the MFE is now available"},
    {1016, "COMM_ERR_HOSTUNAVAIL", "The WAN connection to the MFE is unavailable"},
    {1017, "COMM_ERR_NOPOOLTAVAIL", "There are no Pooled TAs available"},
    {1018, "COMM_ERR_OUTOFMEMORY",
     "The operation failed because the necessary memory could not be allocated"},
    {1019, "COMM_ERR_BADINPUT", "The operation failed because the input was invalid"},
    {1020, "COMM_ERR_MISSINGDLL",
     "The connect operation failed because the required DLL was not located"},
    {1021, "COMM_ERR_BADAPIOPTION",
     "The operation failed because an invalid API option was specified"},
    {1022, "COMM_ERR_TIMEOUT", "The operation timed out while waiting to complete"},
    {1023, "COMM_ERR_NOCFGFILE",
     "The operation failed because the HOSTDRV.INI file could not be located"},
    {1024, "COMM_ERR_DNSERROR", "Could Not Resolve the DNS Name"},
    {1025, "COMM_ERR_NOCONNECTION", "Connect must be called first"},
    {1026, "COMM_ERR_NOCFGCHANGE",
     "No Configuration changes occured when ConfigureSession was called"},
    {1027, "COMM_ERR_CFGCHANGED", "A configuration change occured"},
    {1028, "COMM_ERR_TRANLATION_FAILED",
     "The operation failed because of message translation failure"},
    {1029, "COMM_ERR_SEND_IN_PROGRESS", "Send in progess"},
    {1030, "COMM_ERR_SYSTEMCALL_FAILED", nullptr},
    {1031, "COMM_ERR_BAD_CONFIG_VALUE", nullptr},
    {1032, "COMM_ERR_VER_INCORRECT", nullptr},
    {1033, "COMM_ERR_HDR_INCORRECT", nullptr},
    {1034, "COMM_ERR_INVALID_TA", nullptr},
    {1035, "COMM_ERR_SESS_UNAVAIL", nullptr},
    {1036, "COMM_ERR_NO_TA_AVAIL", nullptr},
    {1037, "COMM_ERR_CANT_READ_SESS_REC", nullptr},
    {1038, "COMM_ERR_SEC_VIOLATION", nullptr},
    {1039, "COMM_ERR_RAGS", nullptr},
    {1040, "COMM_ERR_STAGING_ERR", nullptr},
    {1041, "COMM_ERR_SITE_OUT", nullptr},
    {1042, "COMM_ERR_HOST_NOT_AVAIL", nullptr},
    {1043, "COMM_ERR_OPTION_ERR", nullptr},
    {1044, "COMM_ERR_PROXY_ERR", nullptr},
    {1045, "COMM_ERR_HOST_UNREACHABLE", nullptr},
};

const CodeEntry* Find(std::int32_t code) {
    for (const CodeEntry& entry : kCodes) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

const char* CommErrorName(COMMError code) {
    const CodeEntry* entry = Find(code);
    return entry != nullptr ? entry->name : "UNRECOGNIZED";
}

const char* CommErrorText(int code) {
    const CodeEntry* entry = Find(code);
    return entry != nullptr && entry->text != nullptr ? entry->text : kUnrecognizedText;
}

COMMError ConvertCommError(int code) {
    if (code == 0 || (code >= 1001 && code <= COMM_LAST_DRIVER_CODE)) {
        return static_cast<COMMError>(code);
    }
    return COMM_ERR_UNKNOWN;
}

}  // namespace SessionNS
