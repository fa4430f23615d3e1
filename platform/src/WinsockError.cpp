#include "platform/WinsockError.h"

#include <netdb.h>

#include <cerrno>

#include "platform/Win32Error.h"

namespace platform {

namespace {

struct SocketErrorEntry {
    int code;
    const char* name;
    const char* text;
};

constexpr SocketErrorEntry kEntries[] = {
    {WSAEINTR, "Interrupted System Call",
     "A blocking operation was interrupted by a call to WSACancelBlockingCall."},
    {WSAEBADF, "Bad File Number", "The file handle supplied is not valid."},
    {WSAEACCES, "Permission Denied",
     "An attempt was made to access a socket in a way forbidden by its access permissions."},
    {WSAEFAULT, "Bad Address",
     "The system detected an invalid pointer address in attempting to use a pointer argument "
     "in a call."},
    {WSAEINVAL, "Invalid Argument", "An invalid argument was supplied."},
    {WSAEMFILE, "Too Many Open Files", "Too many open sockets."},
    {WSAEWOULDBLOCK, "Operation Would Block",
     "A non-blocking socket operation could not be completed immediately."},
    {WSAEINPROGRESS, "Operation Now in Progress", "A blocking operation is currently executing."},
    {WSAEALREADY, "Operation Already in Progress",
     "An operation was attempted on a non-blocking socket that already had an operation in "
     "progress."},
    {WSAENOTSOCK, "Socket Operation on a Non-Socket",
     "An operation was attempted on something that is not a socket."},
    {WSAEDESTADDRREQ, "Destination Address Required",
     "A required address was omitted from an operation on a socket."},
    {WSAEMSGSIZE, "Message Too Long",
     "A message sent on a datagram socket was larger than the internal message buffer or some "
     "other network limit, or the buffer used to receive a datagram into was smaller than the "
     "datagram itself."},
    {WSAEPROTOTYPE, "Protocol Wrong Type for Socket",
     "A protocol was specified in the socket function call that does not support the semantics "
     "of the socket type requested."},
    {WSAENOPROTOOPT, "Bad Protocol Option",
     "An unknown, invalid, or unsupported option or level was specified in a getsockopt or "
     "setsockopt call."},
    {WSAEPROTONOSUPPORT, "Protocol Not Supported",
     "The requested protocol has not been configured into the system, or no implementation for "
     "it exists."},
    {WSAESOCKTNOSUPPORT, "Socket Type Not Supported",
     "The support for the specified socket type does not exist in this address family."},
    {WSAEOPNOTSUPP, "Operation Not Support on Socket",
     "The attempted operation is not supported for the type of object referenced."},
    {WSAEPFNOSUPPORT, "Protocol Family Not Supported",
     "The protocol family has not been configured into the system or no implementation for it "
     "exists."},
    {WSAEAFNOSUPPORT, "Address Family Not Supported by Protocol Family",
     "An address incompatible with the requested protocol was used."},
    {WSAEADDRINUSE, "Address Already in Use",
     "Only one usage of each socket address (protocol/network address/port) is normally "
     "permitted."},
    {WSAEADDRNOTAVAIL, "Can't Assign Requested Address",
     "The requested address is not valid in its context."},
    {WSAENETDOWN, "Network is Down", "A socket operation encountered a dead network."},
    {WSAENETUNREACH, "Network is Unreachable",
     "A socket operation was attempted to an unreachable network."},
    {WSAENETRESET, "Net Dropped Connection or Reset",
     "The connection has been broken due to keep-alive activity detecting a failure while the "
     "operation was in progress."},
    {WSAECONNABORTED, "Software Cause Connection Abort",
     "An established connection was aborted by the software in your host machine."},
    {WSAECONNRESET, "Connection Reset by Peer",
     "An existing connection was forcibly closed by the remote host."},
    {WSAENOBUFS, "No Buffer Space Available",
     "An operation on a socket could not be performed because the system lacked sufficient "
     "buffer space or because a queue was full."},
    {WSAEISCONN, "Socket is Already Connected",
     "A connect request was made on an already connected socket."},
    {WSAENOTCONN, "Socket is Not Connected",
     "A request to send or receive data was disallowed because the socket is not connected and "
     "(when sending on a datagram socket using a sendto call) no address was supplied."},
    {WSAESHUTDOWN, "Can't Send After Socket Shutdown",
     "A request to send or receive data was disallowed because the socket had already been "
     "shut down in that direction with a previous shutdown call."},
    {WSAETOOMANYREFS, "Too Many References Can't Splice",
     "Too many references to some kernel object."},
    {WSAETIMEDOUT, "Connection Timed Out",
     "A connection attempt failed because the connected party did not properly respond after a "
     "period of time, or established connection failed because connected host has failed to "
     "respond."},
    {WSAECONNREFUSED, "Connection Refused",
     "No connection could be made because the target machine actively refused it."},
    {WSAELOOP, "Too Many Levels of Symbolic Links", "Cannot translate name."},
    {WSAENAMETOOLONG, "File Name Too Long", "Name component or name was too long."},
    {WSAEHOSTDOWN, "Host Is Down",
     "A socket operation failed because the destination host was down."},
    {WSAEHOSTUNREACH, "No Route To Host",
     "A socket operation was attempted to an unreachable host."},
    {WSAENOTEMPTY, "Directory Not Empty", "Cannot remove a directory that is not empty."},
    {WSAEPROCLIM, "Too Many Processes",
     "A Windows Sockets implementation may have a limit on the number of applications that may "
     "use it simultaneously."},
    {WSAEUSERS, "Too Many Users", "Ran out of quota."},
    {WSAEDQUOT, "Disk Quota Exceeded", "Ran out of disk quota."},
    {WSAESTALE, "Stale NFS File Handle", "File handle reference is no longer available."},
    {WSAEREMOTE, "Too Many Levels of Remote in Path", "Item is not available locally."},
    {WSASYSNOTREADY, "Network Sub-System is Unavailable",
     "WSAStartup cannot function at this time because the underlying system it uses to provide "
     "network services is currently unavailable."},
    {WSAVERNOTSUPPORTED, "WINSOCK DLL Version is Out of Range",
     "The Windows Sockets version requested is not supported."},
    {WSANOTINITIALISED, "Successful WSASTARTUP not yet performed",
     "Either the application has not called WSAStartup, or WSAStartup failed."},
    {WSAHOST_NOT_FOUND, "Host Not Found", "No such host is known."},
    {WSATRY_AGAIN, "Non-Authoritative Host Not Found",
     "This is usually a temporary error during hostname resolution and means that the local "
     "server did not receive a response from an authoritative server."},
    {WSANO_RECOVERY, "Non-Recoverable Errors: FORMERR, REFUSED, NOTIMP",
     "A non-recoverable error occurred during a database lookup."},
    {WSANO_DATA, "Valid Name, No Data Record of Requested Type (Name Service Problem)",
     "The requested name is valid, but no data of the requested type was found."},
};

const SocketErrorEntry* Find(int code) {
    for (const auto& entry : kEntries) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

}  // namespace

int WSAGetLastError() noexcept {
    return static_cast<int>(GetLastError());
}

void WSASetLastError(int code) noexcept {
    SetLastError(static_cast<DWORD>(code));
}

int WinsockErrorFromErrno(int err) noexcept {
    switch (err) {
        case 0:
            return 0;
        case EINTR:
            return WSAEINTR;
        case EACCES:
        case EPERM:
            return WSAEACCES;
        case EFAULT:
            return WSAEFAULT;
        case EINVAL:
            return WSAEINVAL;
        case EMFILE:
        case ENFILE:
            return WSAEMFILE;
        // A non-blocking connect that has started reports "would block", as sockets here
        // always have.
        case EWOULDBLOCK:
        case EINPROGRESS:
            return WSAEWOULDBLOCK;
        case EALREADY:
            return WSAEALREADY;
        case EBADF:
        case ENOTSOCK:
            return WSAENOTSOCK;
        case EDESTADDRREQ:
            return WSAEDESTADDRREQ;
        case EMSGSIZE:
            return WSAEMSGSIZE;
        case EPROTOTYPE:
            return WSAEPROTOTYPE;
        case ENOPROTOOPT:
            return WSAENOPROTOOPT;
        case EPROTONOSUPPORT:
            return WSAEPROTONOSUPPORT;
        case ESOCKTNOSUPPORT:
            return WSAESOCKTNOSUPPORT;
        case EOPNOTSUPP:
            return WSAEOPNOTSUPP;
        case EPFNOSUPPORT:
            return WSAEPFNOSUPPORT;
        case EAFNOSUPPORT:
            return WSAEAFNOSUPPORT;
        case EADDRINUSE:
            return WSAEADDRINUSE;
        case EADDRNOTAVAIL:
            return WSAEADDRNOTAVAIL;
        case ENETDOWN:
            return WSAENETDOWN;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case ENETRESET:
            return WSAENETRESET;
        case ECONNABORTED:
            return WSAECONNABORTED;
        // Writing to a connection the peer has already reset.
        case ECONNRESET:
        case EPIPE:
            return WSAECONNRESET;
        case ENOBUFS:
        case ENOMEM:
            return WSAENOBUFS;
        case EISCONN:
            return WSAEISCONN;
        case ENOTCONN:
            return WSAENOTCONN;
        case ESHUTDOWN:
            return WSAESHUTDOWN;
        case ETOOMANYREFS:
            return WSAETOOMANYREFS;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case ELOOP:
            return WSAELOOP;
        case ENAMETOOLONG:
            return WSAENAMETOOLONG;
        case EHOSTDOWN:
            return WSAEHOSTDOWN;
        case EHOSTUNREACH:
            return WSAEHOSTUNREACH;
        case ENOTEMPTY:
            return WSAENOTEMPTY;
        case EUSERS:
            return WSAEUSERS;
        case EDQUOT:
            return WSAEDQUOT;
        case ESTALE:
            return WSAESTALE;
        case EREMOTE:
            return WSAEREMOTE;
        default:
            return WSAEINVAL;
    }
}

int SetWinsockErrorFromErrno() noexcept {
    const int code = WinsockErrorFromErrno(errno);
    WSASetLastError(code);
    return code;
}

int WinsockErrorFromResolver(int eaiCode) noexcept {
    switch (eaiCode) {
        case 0:
            return 0;
        case EAI_NONAME:
            return WSAHOST_NOT_FOUND;
        case EAI_AGAIN:
            return WSATRY_AGAIN;
        case EAI_FAIL:
            return WSANO_RECOVERY;
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return WSANO_DATA;
        case EAI_MEMORY:
            return WSAENOBUFS;
        case EAI_FAMILY:
            return WSAEAFNOSUPPORT;
        case EAI_SOCKTYPE:
            return WSAESOCKTNOSUPPORT;
        case EAI_SERVICE:
            return WSAEINVAL;
        case EAI_SYSTEM:
            return WinsockErrorFromErrno(errno);
        default:
            return WSANO_RECOVERY;
    }
}

std::string WinsockErrorText(int code) {
    const SocketErrorEntry* entry = Find(code);
    return entry ? std::string(entry->text) : std::string();
}

std::string WinsockErrorName(int code) {
    const SocketErrorEntry* entry = Find(code);
    return entry ? std::string(entry->name) : std::string();
}

}  // namespace platform
