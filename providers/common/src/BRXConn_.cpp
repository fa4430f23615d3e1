// The export layer of a provider: the connection's slots, each forwarded to the provider
// object, and the way back up to the creator. Nothing thrown by the provider object passes
// this layer; a connection without a provider object answers 1014 (state 7).
#include "brxprovider/BRXConn_.h"

#include <new>
#include <utility>

#include "brxconn/BRXConn.h"
#include "brxprovider/ProviderObject.h"
#include "notify/Notify.h"

namespace brxprovider {

// A provider's connection: the creator (not owned) and the provider object (owned; none when
// it could not be made).
class Connection final : public BRXConn_ {
public:
    explicit Connection(BRXConn* creator);
    ~Connection() override;

    BRXError LastError() override;
    BRXState Status() override;
    int ProtocolLastError() override;
    void LastErrorMessage(std::string& text) override;
    void ProtocolLastErrorMessage(std::string& text) override;
    void GetVersion(std::string& text) override;
    void GetRevision(std::string& text) override;
    void GetProtocol(std::string& text) override;
    void GetName(std::string& text) override;
    BRXError SetOption(int option, char* value) override;
    BRXError GetOption(int option, char* value) override;
    BRXError GetServiceProviderOption(int option, char* value) override;
    int SetServiceProviderOption(int option, char* value) override;
    int SetAppHeader(const VXTAppHeader& header) override;
    BRXError Connect(std::string& route, std::string& endSystem) override;
    BRXError Connect(char* route, char* endSystem) override;
    BRXError Send(CMessage& message) override;
    BRXError Send(std::string& data) override;
    BRXError Send(int length, char* data) override;
    BRXError Receive(CMessage& message) override;
    BRXError Receive(std::string& data) override;
    BRXError Receive(char** data, int* length) override;
    BRXError Disconnect() override;
    BRXError Lock() override;
    BRXError Unlock() override;
    BRXError ReleaseWaitingMessages() override;
    void OnReceive(BRXError error) override;
    void OnSend(BRXError error) override;
    void OnConnect(BRXError error) override;
    void OnDisconnect(BRXError error) override;
    void OnLock(BRXError error) override;
    void OnResource(std::string resource, int number) override;
    void OnSystemAvailable(int available) override;

private:
    BRXConn* m_pCreator;
    IProviderObject* m_pImp;
};

namespace {

constexpr char kNotAvailable[] = "Not Available";

// Calls `work` on the provider object; `fallback` without one, or when it throws.
template <typename R, typename F>
R Forward(IProviderObject* imp, R fallback, F&& work) noexcept {
    if (!imp) return fallback;
    try {
        return std::forward<F>(work)(*imp);
    } catch (...) {
        return fallback;
    }
}

template <typename F>
void ForwardText(IProviderObject* imp, std::string& text, F&& work) noexcept {
    try {
        if (imp) {
            std::forward<F>(work)(*imp);
        } else {
            text = BRXErrorText(BRX_INTERNAL_ERROR);
        }
    } catch (...) {
        text = BRXErrorText(BRX_INTERNAL_ERROR);
    }
}

void Describe(IProviderObject* imp, std::string& text, const char* ProviderTexts::*which) {
    text = imp ? ProviderDescription().*which : kNotAvailable;
}

}  // namespace

Connection::Connection(BRXConn* creator) : m_pCreator(creator), m_pImp(nullptr) {
    try {
        m_pImp = CreateProviderObject(*this);
    } catch (...) {
        m_pImp = nullptr;
    }
}

Connection::~Connection() {
    delete m_pImp;
}

BRXError Connection::LastError() {
    return Forward(m_pImp, BRX_INTERNAL_ERROR, [](IProviderObject& p) { return p.LastError(); });
}

BRXState Connection::Status() {
    return Forward(m_pImp, BRX_NO_SESSION, [](IProviderObject& p) { return p.Status(); });
}

int Connection::ProtocolLastError() {
    return Forward(m_pImp, 0, [](IProviderObject& p) { return p.ProtocolLastError(); });
}

void Connection::LastErrorMessage(std::string& text) {
    ForwardText(m_pImp, text, [&](IProviderObject& p) { p.LastErrorMessage(text); });
}

void Connection::ProtocolLastErrorMessage(std::string& text) {
    ForwardText(m_pImp, text, [&](IProviderObject& p) { p.ProtocolLastErrorMessage(text); });
}

void Connection::GetVersion(std::string& text) {
    Describe(m_pImp, text, &ProviderTexts::version);
}

void Connection::GetRevision(std::string& text) {
    Describe(m_pImp, text, &ProviderTexts::revision);
}

void Connection::GetProtocol(std::string& text) {
    Describe(m_pImp, text, &ProviderTexts::protocol);
}

void Connection::GetName(std::string& text) {
    Describe(m_pImp, text, &ProviderTexts::name);
}

BRXError Connection::SetOption(int option, char* value) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR,
                   [&](IProviderObject& p) { return p.SetOption(option, value); });
}

BRXError Connection::GetOption(int option, char* value) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR,
                   [&](IProviderObject& p) { return p.GetOption(option, value); });
}

BRXError Connection::GetServiceProviderOption(int option, char* value) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR,
                   [&](IProviderObject& p) { return p.GetServiceProviderOption(option, value); });
}

int Connection::SetServiceProviderOption(int option, char* value) {
    return Forward(m_pImp, static_cast<int>(BRX_INTERNAL_ERROR),
                   [&](IProviderObject& p) { return p.SetServiceProviderOption(option, value); });
}

int Connection::SetAppHeader(const VXTAppHeader& header) {
    return Forward(m_pImp, 0, [&](IProviderObject& p) { return p.SetAppHeader(header); });
}

BRXError Connection::Connect(std::string& route, std::string& endSystem) {
    return Connect(route.data(), endSystem.data());
}

BRXError Connection::Connect(char* route, char* endSystem) {
    if (!m_pImp) return BRX_INTERNAL_ERROR;
    try {
        return m_pImp->Connect(route, endSystem);
    } catch (...) {
        Notify log;
        log.printLog(2, __LINE__, __FILE__, "Exception :: spimp::Connect(CString&, CString&)");
        return BRX_INTERNAL_ERROR;
    }
}

BRXError Connection::Send(CMessage& message) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR, [&](IProviderObject& p) { return p.Send(message); });
}

BRXError Connection::Send(std::string& data) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR, [&](IProviderObject& p) { return p.Send(data); });
}

BRXError Connection::Send(int length, char* data) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR,
                   [&](IProviderObject& p) { return p.Send(length, data); });
}

BRXError Connection::Receive(CMessage& message) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR,
                   [&](IProviderObject& p) { return p.Receive(message); });
}

BRXError Connection::Receive(std::string& data) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR, [&](IProviderObject& p) { return p.Receive(data); });
}

BRXError Connection::Receive(char** data, int* length) {
    return Forward(m_pImp, BRX_INTERNAL_ERROR,
                   [&](IProviderObject& p) { return p.Receive(data, length); });
}

BRXError Connection::Disconnect() {
    // Without a provider object there is nothing to end.
    return Forward(m_pImp, BRX_SUCCESS, [](IProviderObject& p) { return p.Disconnect(); });
}

BRXError Connection::Lock() {
    return Forward(m_pImp, BRX_NOT_IMPLEMENTED, [](IProviderObject& p) { return p.Lock(); });
}

BRXError Connection::Unlock() {
    return Forward(m_pImp, BRX_NOT_IMPLEMENTED, [](IProviderObject& p) { return p.Unlock(); });
}

BRXError Connection::ReleaseWaitingMessages() {
    return Forward(m_pImp, BRX_SUCCESS,
                   [](IProviderObject& p) { return p.ReleaseWaitingMessages(); });
}

void Connection::OnReceive(BRXError error) {
    if (m_pCreator) m_pCreator->OnReceive(error);
}

void Connection::OnSend(BRXError error) {
    if (m_pCreator) m_pCreator->OnSend(error);
}

void Connection::OnConnect(BRXError error) {
    if (m_pCreator) m_pCreator->OnConnect(error);
}

void Connection::OnDisconnect(BRXError error) {
    if (m_pCreator) m_pCreator->OnDisconnect(error);
}

void Connection::OnLock(BRXError error) {
    if (m_pCreator) m_pCreator->OnLock(error);
}

void Connection::OnResource(std::string resource, int number) {
    if (m_pCreator) m_pCreator->OnResource(std::move(resource), number);
}

void Connection::OnSystemAvailable(int available) {
    if (m_pCreator) m_pCreator->OnSystemAvailable(available);
}

}  // namespace brxprovider

extern "C" TREVO_EXPORT BRXConn_* CreateBRXConn_(BRXConn* creator, const char*) {
    try {
        return new (std::nothrow) brxprovider::Connection(creator);
    } catch (...) {
        return nullptr;
    }
}
