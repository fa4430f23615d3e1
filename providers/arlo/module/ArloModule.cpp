// The ARLO module: the binary transport of each connection, with the ARLO socket provider
// beneath it, under the common export layer; the provider's texts; its configuration entry.
#include <new>
#include <string>

#include "arlo/ArloDlg.h"
#include "arlo/SPImp.h"
#include "brxbt/BRXBT.h"
#include "brxconn/CMessage.h"
#include "brxprovider/ProviderObject.h"
#include "platform/Export.h"

namespace {

class ArloProvider final : public brxprovider::IProviderObject, public brxbt::ITransportContainer {
public:
    explicit ArloProvider(BRXConn_& owner)
        : m_owner(owner),
          m_bt(this, [](brxbt::ISocketOwner& o) { return std::make_unique<arlo::SPimp>(o); }) {}

    // ---- the export layer's slots, each the transport's ----
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
    BRXError Lock() override { return Sp().Lock(); }
    BRXError Unlock() override { return Sp().Unlock(); }
    BRXError ReleaseWaitingMessages() override { return Sp().ReleaseWaitingMessages(); }

    // ---- the transport's way up ----
    void OnReceive(BRXError code) override { m_owner.OnReceive(code); }
    void OnSend(BRXError code) override { m_owner.OnSend(code); }
    void OnConnect(BRXError code) override { m_owner.OnConnect(code); }
    void OnDisconnect(BRXError code) override { m_owner.OnDisconnect(code); }
    void OnLock(BRXError code) override { m_owner.OnLock(code); }
    void OnResource(std::string resource, int number) override {
        m_owner.OnResource(std::move(resource), number);
    }
    void OnSystemAvailable(int available) override { m_owner.OnSystemAvailable(available); }

private:
    brxbt::ISocketProvider& Sp() { return *m_bt.Provider(); }

    BRXConn_& m_owner;
    brxbt::BRXBT m_bt;
};

}  // namespace

namespace brxprovider {

IProviderObject* CreateProviderObject(BRXConn_& owner) {
    return new (std::nothrow) ArloProvider(owner);
}

const ProviderTexts& ProviderDescription() {
    static const ProviderTexts texts{"1.0", "002", "TCP/IP Winsock", "Arlo Front End"};
    return texts;
}

}  // namespace brxprovider

// The route's configuration dialog, run through the host program's modal runner: IDOK when
// the route was written, IDCANCEL otherwise (always without a display).
extern "C" TREVO_EXPORT int SPConfig(const char* route, int) {
    try {
        arlo::CArloDlg dialog(route != nullptr ? route : "", arlo::StoreWritable());
        return uikit::RunModal(dialog);
    } catch (...) {
        return uikit::IDCANCEL;
    }
}
