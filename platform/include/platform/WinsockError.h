// Socket error numbers as the rest of the system speaks them, their texts, and the mapping
// from the host's errno and resolver codes. The last socket error is the thread's last error
// (the two share one slot, as they always have).
#pragma once

#include <string>

namespace platform {

enum WinsockError : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAESOCKTNOSUPPORT = 10044,
    WSAEOPNOTSUPP = 10045,
    WSAEPFNOSUPPORT = 10046,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETOOMANYREFS = 10059,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAELOOP = 10062,
    WSAENAMETOOLONG = 10063,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
    WSAENOTEMPTY = 10066,
    WSAEPROCLIM = 10067,
    WSAEUSERS = 10068,
    WSAEDQUOT = 10069,
    WSAESTALE = 10070,
    WSAEREMOTE = 10071,
    WSASYSNOTREADY = 10091,
    WSAVERNOTSUPPORTED = 10092,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// The calling thread's last socket error (the same slot as GetLastError).
int WSAGetLastError() noexcept;
void WSASetLastError(int code) noexcept;

// Maps an errno value to the socket error that the same failure gives. 0 stays 0; a value
// without a better match gives WSAEINVAL.
int WinsockErrorFromErrno(int err) noexcept;
// Sets the last socket error from errno and returns it.
int SetWinsockErrorFromErrno() noexcept;
// Maps a name-resolution failure (an EAI_ code; EAI_SYSTEM takes errno) to a socket error.
int WinsockErrorFromResolver(int eaiCode) noexcept;

// The system's message for a socket error, without a line break; empty for an unknown code.
std::string WinsockErrorText(int code);
// The short conventional name of a socket error ("Connection Refused", "Host Not Found");
// empty for a code that has none.
std::string WinsockErrorName(int code);

}  // namespace platform
