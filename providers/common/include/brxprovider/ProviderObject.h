// What a provider builds under the export layer: its provider object, which does the work of
// one connection, and the four texts that name the provider. The export layer
// (providers/common, compiled into each provider) owns the object and forwards the
// connection's slots to it.
//
// A provider defines, once in its library:
//   brxprovider::IProviderObject* brxprovider::CreateProviderObject(BRXConn_& owner);
//   const brxprovider::ProviderTexts& brxprovider::ProviderDescription();
// The object reports events by calling its owner's callbacks (owner.OnReceive(...) ...), from
// any thread. Nothing may throw out of its members; the export layer still catches what
// Connect throws.
#pragma once

#include <string>

#include "brxprovider/BRXConn_.h"

namespace brxprovider {

class IProviderObject {
public:
    virtual ~IProviderObject() = default;

    [[nodiscard]] virtual BRXError LastError() = 0;
    [[nodiscard]] virtual BRXState Status() = 0;
    [[nodiscard]] virtual int ProtocolLastError() = 0;
    virtual void LastErrorMessage(std::string& text) = 0;
    virtual void ProtocolLastErrorMessage(std::string& text) = 0;
    [[nodiscard]] virtual BRXError SetOption(int option, char* value) = 0;
    [[nodiscard]] virtual BRXError GetOption(int option, char* value) = 0;
    [[nodiscard]] virtual BRXError GetServiceProviderOption(int option, char* value) = 0;
    [[nodiscard]] virtual int SetServiceProviderOption(int option, char* value) = 0;
    [[nodiscard]] virtual BRXError Connect(char* route, char* endSystem) = 0;
    [[nodiscard]] virtual BRXError Send(CMessage& message) = 0;
    [[nodiscard]] virtual BRXError Send(std::string& data) = 0;
    [[nodiscard]] virtual BRXError Send(int length, char* data) = 0;
    [[nodiscard]] virtual BRXError Receive(CMessage& message) = 0;
    [[nodiscard]] virtual BRXError Receive(std::string& data) = 0;
    [[nodiscard]] virtual BRXError Receive(char** data, int* length) = 0;
    [[nodiscard]] virtual BRXError Disconnect() = 0;
    // What a provider without these answers: no application header, no locks, nothing held.
    [[nodiscard]] virtual int SetAppHeader(const VXTAppHeader&) { return 0; }
    [[nodiscard]] virtual BRXError Lock() { return BRX_NOT_IMPLEMENTED; }
    [[nodiscard]] virtual BRXError Unlock() { return BRX_NOT_IMPLEMENTED; }
    [[nodiscard]] virtual BRXError ReleaseWaitingMessages() { return BRX_SUCCESS; }
};

// The texts slots 10-13 give while the provider object exists.
struct ProviderTexts {
    const char* version;   // "Version 1.0"
    const char* revision;  // "Revision 0.2"
    const char* protocol;  // "TCP/IP"
    const char* name;      // "QUIL Service Provider"
};

// Defined by each provider.
IProviderObject* CreateProviderObject(BRXConn_& owner);
const ProviderTexts& ProviderDescription();

}  // namespace brxprovider
