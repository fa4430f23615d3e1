// The boundary between the connection library and a service provider: the result codes and
// their texts, the connection states, the connection class every provider exports and the
// factory the connection library calls once per connection.
//
// The connection library loads the provider named by a route, calls CreateBRXConn_ with the
// object that asked for the connection (its creator) and from then on drives the connection
// only through the virtual members of BRXConn_, in the order declared here. The provider
// reports back only through its BRXConn_'s callbacks (OnReceive ... OnSystemAvailable),
// which pass each call on to the creator unchanged. Nothing throws across this boundary.
//
// Texts travel as std::string (any byte, zeros included). Option values travel as char*; an
// option whose value is a number (the device type, option 3) carries the number in place of
// the pointer, which is then never dereferenced.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Export.h"

class BRXConn;
class CMessage;

// Result of most operations; 0 is success.
using BRXError = std::int32_t;

inline constexpr BRXError BRX_SUCCESS = 0;
inline constexpr BRXError BRX_TIMEOUT = 1001;
inline constexpr BRXError BRX_COMM_ERROR = 1002;
inline constexpr BRXError BRX_CONNECTION_LOST = 1003;
inline constexpr BRXError BRX_INVALID_OPTION = 1005;
inline constexpr BRXError BRX_NO_CONNECT = 1006;
inline constexpr BRXError BRX_REFUSED = 1007;
inline constexpr BRXError BRX_NOT_IMPLEMENTED = 1008;
inline constexpr BRXError BRX_WAITING = 1009;
inline constexpr BRXError BRX_INVALID_CONFIGURATION = 1010;
inline constexpr BRXError BRX_NO_DATA = 1011;
inline constexpr BRXError BRX_NO_HOST_AVAILABLE = 1013;
inline constexpr BRXError BRX_INTERNAL_ERROR = 1014;
inline constexpr BRXError BRX_VUVE_MESSAGE = 1028;
inline constexpr BRXError BRX_PROTOCOL_ERROR = 1029;
inline constexpr BRXError BRX_SESSION_ERROR = 1030;

// The text the connection gives for a code: the same for every provider.
[[nodiscard]] inline const char* BRXErrorText(BRXError code) noexcept {
    switch (code) {
        case 0:
            return "Function Completed Successfully";
        case 1001:
            return "Timeout Period Expired, No Response from Host";
        case 1002:
            return "Buffer full";
        case 1003:
            return "Connectivity to Host was Lost, Please Reconnect";
        case 1004:
            return "Buffer full";
        case 1005:
            return "Invalid Option or Command";
        case 1006:
            return "No Connection Has Been Created, Call Connect Function";
        case 1007:
            return "Connection was Refused by the Service Provider";
        case 1008:
            return "Function has not been implemented by this Service Provider";
        case 1009:
            return "Common TREVO API is Waiting for a Response";
        case 1010:
            return "Invalid Configuration, Please reconfigure and try again";
        case 1011:
            return "No Data was Received";
        case 1012:
            return "A strange error occurred, please contact the Help Desk";
        case 1013:
            return "The Common TREVO API was not able to connect to the Host you requested.  "
                   "Contact the Help Desk.";
        case 1014:
            return "An Internal Error has occurred in the Common TREVO API which should not "
                   "logically occur.  Contact the Help Desk.";
        case 1015:
            return "Either the LNIATA or the CLASS Name requested is invalid.  Please use "
                   "another name.";
        case 1016:
            return "All LNIATAs for a specific CLASS Name have been given out.  Retry again "
                   "until a LNIATA becomes available.";
        case 1017:
            return "The LNIATA you requested is currently in use.  Please wait and retry again "
                   "after this LNIATA becomes available.";
        case 1018:
        case 1019:
        case 1020:
        case 1021:
        case 1023:
            return "Host intiated error";
        case 1022:
            return "This entry was rejected because the session is not ready for input.  "
                   "Please wait for a confirmation of your connection before sending input.";
        case 1024:
            return "Unable to complete the Registration Process for this User, Please Contact "
                   "Helpdesk";
        case 1025:
            return "An Error which should not logically occur has happened.  Contact the Help "
                   "Desk.";
        case 1026:
            return "A Recoverable Windows Sockets Error has Occurred.  Please wait a few "
                   "seconds and retry your entry.";
        case 1027:
            return "An error has occurred in Windows Sockets which has terminated your "
                   "session.  Please reconnect.";
        case 1028:
            return "Vuve Message error";
        case 1029:
            return "A Protocol Error has occurred";
        case 1030:
            return "A Session Error has occurred";
        case 1031:
            return "A NARLO Error has occurred";
        case 1032:
            return "The host name is not resolved";
        case 1033:
            return "All Sessions in use for Pseudo City provided";
        case 1034:
            return "Invalid Pseudo City provided";
        case 1035:
            return "No Pooled LNIATAs defined for Pseudo City provided";
        default:
            return "Unknown error";
    }
}

// Result of Status (32-bit). A provider may answer values beyond these (a QUIL provider
// without a session answers 7).
enum BRXState : std::int32_t {
    BRX_NOT_CONNECTED = 0,
    BRX_CONNECTING = 1,
    BRX_IDLE = 2,
    BRX_DISCONNECTING_SESSION = 6,
};
inline constexpr BRXState BRX_NO_SESSION = static_cast<BRXState>(7);

// The application header a creator hands to its connection: in binary mode its two bytes
// travel in every segment header.
struct VXTAppHeader {
    std::uint8_t bytes[2] = {0, 0};
};

// The connection object of a provider. Its virtual members are the connection's slots, in
// order: the destructor stands for the five slots of the class library's base object, then
// LastError (slot 5) ... OnSystemAvailable (slot 37). The export layer of each provider
// (providers/common) implements them: it keeps the creator (not owned) and the provider
// object (owned), and a connection whose provider object could not be made answers as that
// layer says.
class BRXConn_ {
public:
    virtual ~BRXConn_() = default;
    BRXConn_(const BRXConn_&) = delete;
    BRXConn_& operator=(const BRXConn_&) = delete;

    virtual BRXError LastError() = 0;                                          // 5
    virtual BRXState Status() = 0;                                             // 6
    virtual int ProtocolLastError() = 0;                                       // 7
    virtual void LastErrorMessage(std::string& text) = 0;                      // 8
    virtual void ProtocolLastErrorMessage(std::string& text) = 0;              // 9
    virtual void GetVersion(std::string& text) = 0;                            // 10
    virtual void GetRevision(std::string& text) = 0;                           // 11
    virtual void GetProtocol(std::string& text) = 0;                           // 12
    virtual void GetName(std::string& text) = 0;                               // 13
    virtual BRXError SetOption(int option, char* value) = 0;                   // 14
    virtual BRXError GetOption(int option, char* value) = 0;                   // 15
    virtual BRXError GetServiceProviderOption(int option, char* value) = 0;    // 16
    virtual int SetServiceProviderOption(int option, char* value) = 0;         // 17
    virtual int SetAppHeader(const VXTAppHeader& header) = 0;                  // 18
    virtual BRXError Connect(std::string& route, std::string& endSystem) = 0;  // 19
    virtual BRXError Connect(char* route, char* endSystem) = 0;                // 20
    virtual BRXError Send(CMessage& message) = 0;                              // 21
    virtual BRXError Send(std::string& data) = 0;                              // 22
    virtual BRXError Send(int length, char* data) = 0;                         // 23
    virtual BRXError Receive(CMessage& message) = 0;                           // 24
    virtual BRXError Receive(std::string& data) = 0;                           // 25
    virtual BRXError Receive(char** data, int* length) = 0;                    // 26
    virtual BRXError Disconnect() = 0;                                         // 27
    virtual BRXError Lock() = 0;                                               // 28
    virtual BRXError Unlock() = 0;                                             // 29
    virtual BRXError ReleaseWaitingMessages() = 0;                             // 30
    // The way up: the provider object calls these on its owner; each passes its arguments
    // on to the creator's callback of the same name.
    virtual void OnReceive(BRXError error) = 0;                     // 31
    virtual void OnSend(BRXError error) = 0;                        // 32
    virtual void OnConnect(BRXError error) = 0;                     // 33
    virtual void OnDisconnect(BRXError error) = 0;                  // 34
    virtual void OnLock(BRXError error) = 0;                        // 35
    virtual void OnResource(std::string resource, int number) = 0;  // 36
    virtual void OnSystemAvailable(int available) = 0;              // 37

protected:
    BRXConn_() = default;
};

// Exported by every provider under this plain name: a new connection for the creator, or
// null when it cannot be made. The text is not used.
extern "C" TREVO_EXPORT BRXConn_* CreateBRXConn_(BRXConn* creator, const char* unused);
using CreateBRXConnFunction = BRXConn_* (*)(BRXConn* creator, const char* unused);
inline constexpr char kCreateBRXConnSymbol[] = "CreateBRXConn_";
