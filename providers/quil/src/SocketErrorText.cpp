#include "quil/SocketErrorText.h"

namespace quil {

const char* OwnSocketErrorText(int socketError) noexcept {
    switch (socketError) {
        case 10022:
            return "The socket is not already bound to an address.";
        case 10035:
        case 10036:
            return "A blocking Windows Sockets operation is in progress.";
        case 10037:
        case 10038:
        case 10039:
            return "A destination address is required.";
        case 10040:
            return "The descriptor is not a socket.";
        case 10041:
            return "PROTOTYPE";
        case 10042:
            return "The option is unknown or unsupported. In particular, SO_BROADCAST is not "
                   "supported on sockets of type SOCK_STREAM, while SO_ACCEPTCONN, SO_DONTLINGER, "
                   "SO_KEEPALIVE, SO_LINGER, and SO_OOBINLINE are not supported on sockets of "
                   "type SOCK_DGRAM.\n";
        case 10043:
            return "PROTONOSUPPORT";
        case 10044:
            return "SOCKTNOSUPPORT";
        case 10045:
            return "MSG_OOB was specified, but the socket is not of type SOCK_STREAM.";
        case 10046:
            return "PFNOSUPPORT";
        case 10047:
            return "Addresses in the specified family cannot be used with this socket.";
        case 10048:
            return "The specified address is already in use.";
        case 10049:
            return "he specified address is not available from the local machine.";
        case 10050:
            return "The Windows Sockets implementation detected that the network subsystem "
                   "failed.";
        case 10051:
            return "The network cannot be reached from this host at this time.";
        case 10052:
            return "NETRESET";
        case 10053:
            return "The virtual circuit was aborted due to timeout or other failure.";
        case 10054:
            return "The virtual circuit was reset by the remote side.";
        case 10055:
        case 10056:
        case 10057:
        case 10058:
        case 10060:
            return "Attempt to connect timed out without establishing a connection.";
        case 10061:
            return "The attempt to connect was rejected.";
        default:
            return nullptr;
    }
}

std::string SocketErrorText(int socketError, std::string_view systemText) {
    if (const char* own = OwnSocketErrorText(socketError)) return own;
    return std::string(systemText);
}

}  // namespace quil
