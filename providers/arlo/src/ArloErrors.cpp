#include "arlo/ArloErrors.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

namespace arlo {
namespace {

constexpr char kHelpDesk[] = " Contact Help Desk.";

bool In(int n, std::initializer_list<int> set) {
    for (const int v : set)
        if (v == n) return true;
    return false;
}

ErrorText WithCode(BRXError error, std::string text, const std::string& codeText) {
    if (error == 1013 || error == 1014 || error == 1018 || error == 1019 || error == 1025)
        text += kHelpDesk;
    text += " Error Code : ";
    text += codeText;
    return {error, std::move(text)};
}

}  // namespace

const char* WinsockName(int code) noexcept {
    switch (code) {
        case 10004:
            return "Interrupted System Call";
        case 10009:
            return "Bad File Number";
        case 10013:
            return "Permission Denied";
        case 10014:
            return "Bad Address";
        case 10022:
            return "Invalid Argument";
        case 10024:
            return "Too Many Open Files";
        case 10035:
            return "Operation Would Block";
        case 10036:
            return "Operation Now in Progress";
        case 10037:
            return "Operation Already in Progress";
        case 10038:
            return "Socket Operation on a Non-Socket";
        case 10039:
            return "Destination Address Required";
        case 10040:
            return "Message Too Long";
        case 10041:
            return "Protocol Wrong Type for Socket";
        case 10042:
            return "Bad Protocol Option";
        case 10043:
            return "Protocol Not Supported";
        case 10044:
            return "Socket Type Not Supported";
        case 10045:
            return "Operation Not Support on Socket";
        case 10046:
            return "Protocol Family Not Supported";
        case 10047:
            return "Address Family Not Supported by Protocol Family";
        case 10048:
            return "Address Already in Use";
        case 10049:
            return "Can't Assign Requested Address";
        case 10050:
            return "Network is Down";
        case 10051:
            return "Network is Unreachable";
        case 10052:
            return "Net Dropped Connection or Reset";
        case 10053:
            return "Software Cause Connection Abort";
        case 10054:
            return "Connection Reset by Peer";
        case 10055:
            return "No Buffer Space Available";
        case 10056:
            return "Socket is Already Connected";
        case 10057:
            return "Socket is Not Connected";
        case 10058:
            return "Can't Send After Socket Shutdown";
        case 10059:
            return "Too Many References Can't Splice";
        case 10060:
            return "Connection Timed Out";
        case 10061:
            return "Connection Refused";
        case 10062:
            return "Too Many Levels of Symbolic Links";
        case 10063:
            return "File Name Too Long";
        case 10064:
            return "Host Is Down";
        case 10065:
            return "No Route To Host";
        case 10066:
            return "Directory Not Empty";
        case 10067:
            return "Too Many Processes";
        case 10068:
            return "Too Many Users";
        case 10069:
            return "Disk Quota Exceeded";
        case 10070:
            return "Stale NFS File Handle";
        case 10071:
            return "Too Many Levels of Remote in Path";
        case 10091:
            return "Network Sub-System is Unavailable";
        case 10092:
            return "WINSOCK DLL Version is Out of Range";
        case 10093:
            return "Successful WSASTARTUP not yet performed";
        case 11001:
            return "Host Not Found";
        case 11002:
            return "Non-Authoritative Host Not Found";
        case 11003:
            return "Non-Recoverable Errors: FORMERR, REFUSED, NOTIMP";
        case 11004:
            return "Valid Name, No Data Record of Requested Type (Name Service Problem)";
        default:
            return nullptr;
    }
}

ErrorText WinsockErrorText(int code) {
    if (In(code, {10035, 10036, 10037, 10040, 10093})) return {1026, BRXErrorText(1026)};
    return {1027, BRXErrorText(1027)};
}

ErrorText LoadBalancerErrorText(int n, const std::string& codeText) {
    if (In(n, {10, 20, 21, 22, 23, 24, 25, 60, 95, 100}))
        return WithCode(1013,
                        "The Common TREVO API was not able to connect to the Host you requested.",
                        codeText);
    if (In(n, {30, 40, 50}))
        return WithCode(1014, "An Internal Error has occurred in the Common TREVO API.", codeText);
    if (In(n, {55, 75}))
        return WithCode(
            1015,
            "Either the LNIATA or the CLASS Name requested is invalid.  Please use another name.",
            codeText);
    if (n == 70)
        return WithCode(1016,
                        "All LNIATAs for a specific CLASS Name have been given out.  Retry again "
                        "until a LNIATA becomes available.",
                        codeText);
    if (n == 80)
        return WithCode(1017,
                        "The LNIATA you requested is currently in use.  Please wait and retry "
                        "again after this LNIATA becomes available.",
                        codeText);
    if (n == 110)
        return WithCode(1018, "The System Administrator is currently blocking access to this host.",
                        codeText);
    return WithCode(1025, "A Host default error occured.", codeText);
}

ErrorText SessionErrorText(int n, const std::string& codeText) {
    std::string code = codeText;
    if (code.empty()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "  -%03d.", n);
        code = buf;
    }
    if (In(n, {10, 20, 50, 51, 60, 61, 62, 63, 64, 65, 66, 120, 140}))
        return WithCode(1013, "BRXAPI was unable to connect to the Host you requested.", code);
    if (In(n, {30, 40, 41, 90}))
        return WithCode(1014, "An Internal Error has occurred in BRXAPI.", code);
    if (In(n, {70, 100}))
        return WithCode(1019, "The System Administrator has terminated this session on the host.",
                        code);
    if (n == 71)
        return WithCode(
            1015,
            "Either the LNIATA or the CLASS Name requested is invalid. Please use other Name.",
            code);
    if (n == 80)
        return WithCode(1022,
                        "This entry was rejected because the session is not ready for input.  "
                        "Please wait for a confirmation of your connection before sending input.",
                        code);
    if (n == 110)
        return WithCode(
            1020,
            "This session has been terminated due to inactivity. Please reconnect as you need it.",
            code);
    if (n == 130)
        return WithCode(1023,
                        "The input limit for this session has been exceeded.  Please wait for some "
                        "responses to arrive before send more input on this session.",
                        code);
    if (n == 141)
        return WithCode(1021,
                        "This session has been terminated due to insufficient resources.  Please "
                        "reconnect when system resources available.",
                        code);
    if (n == 150)
        return WithCode(1018, "The System Administrator is currently blocking access to this host.",
                        code);
    return WithCode(1025, "A Host default error occured.", code);
}

}  // namespace arlo
