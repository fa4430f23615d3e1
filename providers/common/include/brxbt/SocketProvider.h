// What the binary transport needs of the socket provider beneath it, and what that provider
// calls back on its owner (the transport). Both run on the owner's event-loop thread; only
// the provider's own timer services may run elsewhere, and they reach it only by posting.
#pragma once

#include <string>

#include "brxprovider/BRXConn_.h"

class CMessage;

namespace brxbt {

class ISocketOwner {
public:
    virtual void OnConnect(BRXError code) = 0;
    virtual void OnDisconnect(BRXError code) = 0;
    virtual void OnSend(BRXError code) = 0;
    virtual void OnReceive(BRXError code) = 0;
    virtual void OnResource(std::string resource, int number) = 0;
    virtual void OnSystemAvailable(int available) = 0;
    virtual void OnLock(BRXError code) = 0;

protected:
    ~ISocketOwner() = default;
};

class ISocketProvider {
public:
    virtual ~ISocketProvider() = default;

    [[nodiscard]] virtual BRXError Connect(const char* route, const char* endSystem) = 0;
    [[nodiscard]] virtual BRXError Disconnect() = 0;
    // A raw block: 0 when it went out, 1009 when it is queued (OnSend follows).
    [[nodiscard]] virtual BRXError Send(int length, const char* data) = 0;
    [[nodiscard]] virtual BRXError Send(CMessage& message) = 0;
    [[nodiscard]] virtual BRXError Send(std::string& data) = 0;
    // The head of the receive queue; the buffer stays valid until the next call. 1011 when
    // nothing waits.
    [[nodiscard]] virtual BRXError ReceiveMsg(char** data, int* length) = 0;
    [[nodiscard]] virtual BRXError Receive(CMessage& message) = 0;
    [[nodiscard]] virtual BRXError Receive(std::string& data) = 0;

    [[nodiscard]] virtual BRXError SetOption(int option, const char* value) = 0;
    [[nodiscard]] virtual BRXError GetOption(int option, char* value) = 0;
    [[nodiscard]] virtual BRXError GetServiceProviderOption(int option, char* value) = 0;
    [[nodiscard]] virtual int SetServiceProviderOption(int option, const char* value) = 0;

    [[nodiscard]] virtual int Status() = 0;
    [[nodiscard]] virtual BRXError LastError() = 0;
    virtual void LastErrorMessage(std::string& text) = 0;
    [[nodiscard]] virtual int ProtocolLastError() = 0;
    virtual void ProtocolLastErrorMessage(std::string& text) = 0;

    [[nodiscard]] virtual const char* GetName() const = 0;
    [[nodiscard]] virtual const char* GetVersion() const = 0;
    [[nodiscard]] virtual const char* GetRevision() const = 0;
    [[nodiscard]] virtual const char* GetProtocol() const = 0;

    [[nodiscard]] virtual BRXError Lock() = 0;
    [[nodiscard]] virtual BRXError Unlock() = 0;
    [[nodiscard]] virtual BRXError ReleaseWaitingMessages() = 0;
};

}  // namespace brxbt
