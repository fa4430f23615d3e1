// The creator's side of a provider connection. A caller derives from BRXConn, overrides the
// callbacks it wants, and calls Connect(route, end system): the route's "Service Provider"
// names a provider key below "Service Providers", whose "DLL Name" names the provider module
// (in the plug-in folder). The module is loaded once per process and stays loaded; its
// CreateBRXConn_ makes the connection, which is told the options set so far and then
// Connect. A route, provider or module that is missing or cannot be loaded gives 1010.
//
// Callbacks reach the object on the thread that called Connect: at once when the provider
// calls back on that thread, otherwise posted to that thread's event loop and delivered in
// the order the provider called (a thread without a loop gets them on the provider's
// thread). For OnReceive the message is taken from the provider inside the provider's own
// callback, while its data is valid; during the delivery of that OnReceive, Receive gives
// that message (zero bytes included), as often as it is called, and never a further one.
// Once the object is destroyed no callback reaches it.
//
// Calls on the object belong to the thread that called Connect, one at a time.
// Lock order: a connection's callback queue only; never held while a callback runs.
#pragma once

#include <memory>
#include <string>

#include "brxconn/CLniata.h"
#include "brxprovider/BRXConn_.h"

namespace brxconn {
class CallbackRelay;
struct Link;
}  // namespace brxconn
namespace brxprovider {
class Connection;
}  // namespace brxprovider

class BRXConn {
public:
    BRXConn();
    // Disconnects nothing: it drops the provider's connection (whose destructor ends its
    // work) and every callback still on its way.
    virtual ~BRXConn();
    BRXConn(const BRXConn&) = delete;
    BRXConn& operator=(const BRXConn&) = delete;

    // The provider's answer (1 when it took the header); 0 before Connect.
    virtual int SetAppHeader(const VXTAppHeader& header);

    // 0 or 1009: the attempt goes on and ends in OnConnect; anything else: it failed at once
    // and no callback follows.
    BRXError Connect(const char* route, const char* endSystem);
    BRXError Disconnect();
    BRXError Send(std::string& data);
    // A block of bytes: in binary mode one application message for the binary transport.
    BRXError Send(int length, char* data);
    BRXError Receive(std::string& data);
    BRXError ReleaseWaitingMessages();
    // Before Connect the option is kept and handed to the provider before its Connect.
    // Option 3 carries a number in place of the pointer.
    BRXError SetOption(int option, char* value);

    BRXState Status();
    BRXError LastError();
    int ProtocolLastError();
    void LastErrorMessage(std::string& text);
    void ProtocolLastErrorMessage(std::string& text);

    // The end system this connection is for, and its terminal address; kept by the caller.
    std::string m_EndSystem;
    CLniata m_Lniata;

protected:
    virtual void OnReceive(BRXError error);
    virtual void OnSend(BRXError error);
    virtual void OnConnect(BRXError error);
    virtual void OnDisconnect(BRXError error);
    virtual void OnLock(BRXError error);
    virtual void OnResource(std::string lniata, int isNew);
    virtual void OnSystemAvailable(int available);

private:
    friend class brxprovider::Connection;
    friend class brxconn::CallbackRelay;

    std::unique_ptr<brxconn::Link> m_link;
};
