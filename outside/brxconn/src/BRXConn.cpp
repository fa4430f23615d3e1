#include "brxconn/BRXConn.h"

#include <cstdint>

#include "CallbackRelay.h"
#include "brxconn/ProviderModules.h"

using brxconn::Link;

namespace {

// Option 3 carries the device type in place of the text pointer.
constexpr int kNumberOption = 3;

}  // namespace

BRXConn::BRXConn() = default;

BRXConn::~BRXConn() {
    if (!m_link) return;
    if (m_link->relay) m_link->relay->Close();
    try {
        delete m_link->provider;
    } catch (...) {
        // The provider's destructor must not throw; if it does, the connection is gone anyway.
    }
}

int BRXConn::SetAppHeader(const VXTAppHeader& header) {
    if (!m_link || !m_link->provider) return 0;
    return m_link->provider->SetAppHeader(header);
}

BRXError BRXConn::Connect(const char* route, const char* endSystem) {
    if (!m_link) m_link = std::make_unique<Link>();
    Link& link = *m_link;
    std::string routeName = route ? route : "";
    std::string endSystemName = endSystem ? endSystem : "";
    try {
        if (!link.provider) {
            std::string provider;
            const brxconn::ProviderModule* module = nullptr;
            if (!brxconn::ProviderOfRoute(routeName, provider) ||
                !(module = brxconn::LoadProvider(provider)) || !module->create) {
                return link.lastError = BRX_INVALID_CONFIGURATION;
            }
            auto relay = std::make_unique<brxconn::CallbackRelay>(*this);
            BRXConn_* conn = module->create(relay.get(), "");
            if (!conn) return link.lastError = BRX_INTERNAL_ERROR;
            relay->Bind(conn);
            link.relay = std::move(relay);
            link.provider = conn;
            for (Link::Option& o : link.options) {
                static_cast<void>(conn->SetOption(
                    o.option, o.option == kNumberOption ? o.number : o.text.data()));
            }
            link.options.clear();
        }
        return link.lastError = link.provider->Connect(routeName, endSystemName);
    } catch (...) {
        return link.lastError = BRX_INTERNAL_ERROR;
    }
}

BRXError BRXConn::Disconnect() {
    if (!m_link || !m_link->provider) return BRX_NO_CONNECT;
    return m_link->provider->Disconnect();
}

BRXError BRXConn::Send(std::string& data) {
    if (!m_link || !m_link->provider) return BRX_NO_CONNECT;
    return m_link->provider->Send(data);
}

BRXError BRXConn::Send(int length, char* data) {
    if (!m_link || !m_link->provider) return BRX_NO_CONNECT;
    return m_link->provider->Send(length, data);
}

BRXError BRXConn::Receive(std::string& data) {
    if (m_link && m_link->receiving) {
        data = m_link->receiving->message;
        return m_link->receiving->received;
    }
    if (!m_link || !m_link->provider) return BRX_NO_CONNECT;
    return m_link->provider->Receive(data);
}

BRXError BRXConn::ReleaseWaitingMessages() {
    if (!m_link || !m_link->provider) return BRX_NO_CONNECT;
    return m_link->provider->ReleaseWaitingMessages();
}

BRXError BRXConn::SetOption(int option, char* value) {
    if (!m_link) m_link = std::make_unique<Link>();
    if (m_link->provider) return m_link->provider->SetOption(option, value);
    Link::Option kept;
    kept.option = option;
    if (option == kNumberOption) {
        kept.number = value;
    } else if (value) {
        kept.text = value;
    }
    m_link->options.push_back(std::move(kept));
    return BRX_SUCCESS;
}

BRXState BRXConn::Status() {
    if (!m_link || !m_link->provider) return BRX_NOT_CONNECTED;
    return m_link->provider->Status();
}

BRXError BRXConn::LastError() {
    if (!m_link) return BRX_SUCCESS;
    if (!m_link->provider) return m_link->lastError;
    return m_link->provider->LastError();
}

int BRXConn::ProtocolLastError() {
    if (!m_link || !m_link->provider) return 0;
    return m_link->provider->ProtocolLastError();
}

void BRXConn::LastErrorMessage(std::string& text) {
    if (m_link && m_link->receiving && m_link->receiving->hasErrorText) {
        text = m_link->receiving->errorText;
    } else if (m_link && m_link->provider) {
        m_link->provider->LastErrorMessage(text);
    } else {
        text = BRXErrorText(m_link ? m_link->lastError : BRX_SUCCESS);
    }
}

void BRXConn::ProtocolLastErrorMessage(std::string& text) {
    if (m_link && m_link->provider) {
        m_link->provider->ProtocolLastErrorMessage(text);
    } else {
        text.clear();
    }
}

void BRXConn::OnReceive(BRXError) {}
void BRXConn::OnSend(BRXError) {}
void BRXConn::OnConnect(BRXError) {}
void BRXConn::OnDisconnect(BRXError) {}
void BRXConn::OnLock(BRXError) {}
void BRXConn::OnResource(std::string, int) {}
void BRXConn::OnSystemAvailable(int) {}
