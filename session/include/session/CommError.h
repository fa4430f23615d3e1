// COMMError: the result codes of the Session library and of every host protocol driver it
// loads. 0 is success; failures run from 1001. A driver may return codes up to 1053; the
// session passes them on unchanged (SessionNS::Convert), any other value becomes
// COMM_ERR_UNKNOWN. Header only: the host driver compiles against it without linking Session.
#pragma once

#include <cstdint>

enum COMMError : std::int32_t {
    COMM_NO_ERROR = 0,
    COMM_CONNECT_FAILED = 1001,
    COMM_SEND_FAILED = 1002,
    COMM_WAITING = 1003,
    COMM_CONNECTION_RESET = 1004,
    COMM_SUBSYSTEM_FAILED = 1005,
    COMM_FAILED_TO_CREATE_SOCKET = 1006,
    COMM_NO_RECV_DATA = 1007,
    COMM_FAILED_TO_BIND_TO_PORT = 1008,
    COMM_ERR_RECONNECT = 1009,
    COMM_ERR_UNKNOWN = 1010,
    COMM_ERR_DUPETA = 1011,
    COMM_ERR_PTA = 1012,
    COMM_ERR_BADTA = 1013,
    COMM_ERR_TANOCFG = 1014,
    COMM_ERR_HOSTAVAIL = 1015,
    COMM_ERR_HOSTUNAVAIL = 1016,
    COMM_ERR_NOPOOLTAVAIL = 1017,
    COMM_ERR_OUTOFMEMORY = 1018,
    COMM_ERR_BADINPUT = 1019,
    COMM_ERR_MISSINGDLL = 1020,
    COMM_ERR_BADAPIOPTION = 1021,
    COMM_ERR_TIMEOUT = 1022,
    COMM_ERR_NOCFGFILE = 1023,
    COMM_ERR_DNSERROR = 1024,
    COMM_ERR_NOCONNECTION = 1025,
    COMM_ERR_NOCFGCHANGE = 1026,
    COMM_ERR_CFGCHANGED = 1027,
    COMM_ERR_TRANLATION_FAILED = 1028,
    COMM_ERR_SEND_IN_PROGRESS = 1029,
    COMM_ERR_SYSTEMCALL_FAILED = 1030,
    COMM_ERR_BAD_CONFIG_VALUE = 1031,
    COMM_ERR_VER_INCORRECT = 1032,
    COMM_ERR_HDR_INCORRECT = 1033,
    COMM_ERR_INVALID_TA = 1034,
    COMM_ERR_SESS_UNAVAIL = 1035,
    COMM_ERR_NO_TA_AVAIL = 1036,
    COMM_ERR_CANT_READ_SESS_REC = 1037,
    COMM_ERR_SEC_VIOLATION = 1038,
    COMM_ERR_RAGS = 1039,
    COMM_ERR_STAGING_ERR = 1040,
    COMM_ERR_SITE_OUT = 1041,
    COMM_ERR_HOST_NOT_AVAIL = 1042,
    COMM_ERR_OPTION_ERR = 1043,
    COMM_ERR_PROXY_ERR = 1044,
    COMM_ERR_HOST_UNREACHABLE = 1045,
};

// The highest code a driver may hand on unchanged (1046 to 1053 have neither name nor text).
inline constexpr std::int32_t COMM_LAST_DRIVER_CODE = 1053;
