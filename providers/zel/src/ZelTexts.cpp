#include "zel/ZelTexts.h"

namespace zel {
namespace {

constexpr char kBlocking[] = "A blocking Windows Sockets operation is in progress.";
constexpr char kDestination[] = "A destination address is required.";
constexpr char kRejected[] = "The attempt to connect was rejected.";

}  // namespace

const platform::StringTable& ZelStrings() {
    static const platform::StringTable table{
        {IDS_SOCKETS_FAILED, "Windows sockets initialization failed."},
        {IDS_NAME, "Zel Gateway Service Provider"},
        {IDS_VERSION, "Version 1.2"},
        {IDS_REVISION, "Revision 1.2"},
        {IDS_PROTOCOL, "TCP/IP"},
        {IDS_LNIATA_LENGTH, "LNIATA should be exactly 6 chars"},
        {IDS_LINE_INVALID, "The Line is invalid"},
        {IDS_INTERCHANGE_INVALID, "The Interchange Address is invalid"},
        {IDS_TERMINAL_INVALID, "The Terminal Address is invalid"},
        {IDS_ADDRESS_FORMAT, "Enter the IP address in the format \"XXX.XXX.XXX.XXX\""},
        {IDS_SVC_ZERO, "Cannot have svc0,needs to be from SVC1....SVCF"},
        {IDS_RESULT_BASE, "Function Completed Successfully"},
        {1001, "Timeout Period Expired, No Response from Host"},
        {1006, "No Connection Has Been Created, Call Connect Function"},
        {1007, "Connection was Refused by the Service Provider"},
        {1008, "Function has not been implemented by this Service Provider"},
        {1009, "Common TREVO API is Waiting for a Response"},
        {1010, "Invalid Configuration, Please reconfigure and try again"},
        {1011, "No Data was Received"},
        {1012, "A strange error occurred, please contact the Help Desk"},
        {1013,
         "The Common TREVO API was not able to connect to the Host you requested.  Contact the "
         "Help Desk."},
        {1014,
         "An Internal Error has occurred in the Common TREVO API which should not logically "
         "occur.  Contact the Help Desk."},
        {1015,
         "Either the LNIATA or the CLASS Name requested is invalid.  Please use another name."},
        {1016,
         "All LNIATAs for a specific CLASS Name have been given out.  Retry again until a LNIATA "
         "becomes available."},
        {1017,
         "The LNIATA you requested is currently in use.  Please wait and retry again after this "
         "LNIATA becomes available."},
        {1022,
         "This entry was rejected because the session is not ready for input.  Please wait for "
         "a confirmation of your connection before sending input."},
        {1024,
         "Unable to complete the Registration Process for this User, Please Contact Helpdesk"},
        {1025, "An Error which should not logically occur has happened.  Contact the Help Desk."},
        {1026,
         "A Recoverable Windows Sockets Error has Occurred.  Please wait a few seconds and retry "
         "your entry."},
        {1027,
         "An error has occurred in Windows Sockets which has terminated your session.  Please "
         "reconnect."},
        {10035, kBlocking},
        {10036, kBlocking},
        {10037, kDestination},
        {10038, kDestination},
        {10039, kDestination},
        {10040, "The descriptor is not a socket."},
        {10041, "PROTOTYPE"},
        {10042,
         "The option is unknown or unsupported. In particular, SO_BROADCAST is not supported on "
         "sockets of type SOCK_STREAM, while SO_ACCEPTCONN, SO_DONTLINGER, SO_KEEPALIVE, "
         "SO_LINGER, and SO_OOBINLINE are not supported on sockets of type SOCK_DGRAM.\n"},
        {10043, "PROTONOSUPPORT"},
        {10044, "SOCKTNOSUPPORT"},
        {10045, "MSG_OOB was specified, but the socket is not of type SOCK_STREAM."},
        {10046, "PFNOSUPPORT"},
        {10047, "Addresses in the specified family cannot be used with this socket."},
        {10048, "The specified address is already in use."},
        {10049, "he specified address is not available from the local machine."},
        {10050, "The Windows Sockets implementation detected that the network subsystem failed."},
        {10051, "The network cannot be reached from this host at this time."},
        {10052, "NETRESET"},
        {10053, "The virtual circuit was aborted due to timeout or other failure."},
        {10054, "The virtual circuit was reset by the remote side."},
        {10055, kRejected},
        {10056, kRejected},
        {10057, kRejected},
        {10058, kRejected},
        {10060, kRejected},
        {10061, kRejected},
    };
    return table;
}

std::string ZelText(std::uint32_t id) {
    std::string text;
    (void)ZelStrings().Load(id, text);
    return text;
}

std::string ResultText(BRXError code) {
    if (code != 0 && (code <= 1000 || code >= 2000)) return "Unknown error";
    std::string text;
    if (!ZelStrings().Load(
            IDS_RESULT_BASE + static_cast<std::uint32_t>(code == 0 ? 0 : code - 1000), text))
        return "Unknown error";
    return text;
}

const char* SocketErrorText(int code) {
    if (code < 10000) return nullptr;
    const auto text = ZelStrings().Find(static_cast<std::uint32_t>(code));
    return text ? text->data() : nullptr;
}

}  // namespace zel
