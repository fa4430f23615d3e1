// The provider object of a provider built on the binary transport: each slot of the export
// layer goes to the transport or to the socket provider beneath it, and each event of the
// transport goes up to the owning connection. A provider whose socket layer offers no lock
// leaves Lock and Unlock unoffered (1008), holds nothing back (0) and drops lock events.
#pragma once

#include <string>
#include <utility>

#include "brxbt/BRXBT.h"
#include "brxprovider/ProviderObject.h"

namespace brxbt {

class CTransportProvider final : public brxprovider::IProviderObject, public ITransportContainer {
public:
    CTransportProvider(BRXConn_& owner, const BRXBT::ProviderFactory& makeProvider,
                       bool lockOffered)
        : m_owner(owner), m_bt(this, makeProvider), m_lockOffered(lockOffered) {}

    // ---- the export layer's slots ----
    BRXError LastError() override { return m_bt.LastError(); }
    BRXState Status() override { return static_cast<BRXState>(Sp().Status()); }
    int ProtocolLastError() override { return Sp().ProtocolLastError(); }
    void LastErrorMessage(std::string& text) override { m_bt.LastErrorMessage(text); }
    void ProtocolLastErrorMessage(std::string& text) override {
        Sp().ProtocolLastErrorMessage(text);
    }
    BRXError SetOption(int option, char* value) override { return m_bt.SetOption(option, value); }
    BRXError GetOption(int option, char* value) override { return m_bt.GetOption(option, value); }
    BRXError GetServiceProviderOption(int option, char* value) override {
        return Sp().GetServiceProviderOption(option, value);
    }
    int SetServiceProviderOption(int option, char* value) override {
        return Sp().SetServiceProviderOption(option, value);
    }
    int SetAppHeader(const VXTAppHeader& header) override {
        return m_bt.SetAppHeader(header.bytes) ? 1 : 0;
    }
    BRXError Connect(char* route, char* endSystem) override {
        return m_bt.Connect(route, endSystem);
    }
    BRXError Send(CMessage& message) override { return Sp().Send(message); }
    BRXError Send(std::string& data) override { return Sp().Send(data); }
    BRXError Send(int length, char* data) override { return m_bt.SendData(length, data); }
    BRXError Receive(CMessage& message) override { return Sp().Receive(message); }
    BRXError Receive(std::string& data) override { return Sp().Receive(data); }
    BRXError Receive(char** data, int* length) override { return m_bt.Receive(data, length); }
    BRXError Disconnect() override { return m_bt.Disconnect(); }
    BRXError Lock() override {
        return m_lockOffered ? Sp().Lock() : brxprovider::IProviderObject::Lock();
    }
    BRXError Unlock() override {
        return m_lockOffered ? Sp().Unlock() : brxprovider::IProviderObject::Unlock();
    }
    BRXError ReleaseWaitingMessages() override {
        return m_lockOffered ? Sp().ReleaseWaitingMessages()
                             : brxprovider::IProviderObject::ReleaseWaitingMessages();
    }

    // ---- the transport's way up ----
    void OnReceive(BRXError code) override { m_owner.OnReceive(code); }
    void OnSend(BRXError code) override { m_owner.OnSend(code); }
    void OnConnect(BRXError code) override { m_owner.OnConnect(code); }
    void OnDisconnect(BRXError code) override { m_owner.OnDisconnect(code); }
    void OnLock(BRXError code) override {
        if (m_lockOffered) m_owner.OnLock(code);
    }
    void OnResource(std::string resource, int number) override {
        m_owner.OnResource(std::move(resource), number);
    }
    void OnSystemAvailable(int available) override { m_owner.OnSystemAvailable(available); }

private:
    ISocketProvider& Sp() { return *m_bt.Provider(); }

    BRXConn_& m_owner;
    BRXBT m_bt;
    const bool m_lockOffered;
};

}  // namespace brxbt
