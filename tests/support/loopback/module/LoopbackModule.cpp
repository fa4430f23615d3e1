// The loopback provider: the provider object of each connection, the module's control for
// the tests, and the provider's configuration entry.
// Lock order: the control's lock, then a connection's; neither is held while a callback of
// the owner runs.
#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "brxconn/CMessage.h"
#include "brxprovider/ProviderObject.h"
#include "platform/Export.h"
#include "support/LoopbackProvider.h"

namespace loopback {
namespace {

using support::LoopbackOption;

class Control;
Control& TheControl();

class Connection final : public brxprovider::IProviderObject, public support::LoopbackConnection {
public:
    explicit Connection(BRXConn_& owner);
    ~Connection() override;

    // ---- the provider object ----
    BRXError LastError() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_lastError;
    }
    BRXState Status() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_state;
    }
    int ProtocolLastError() override { return 0; }
    void LastErrorMessage(std::string& text) override {
        std::lock_guard<std::mutex> lock(m_cs);
        text = m_lastErrorText;
    }
    void ProtocolLastErrorMessage(std::string& text) override { text.clear(); }
    BRXError SetOption(int option, char* value) override {
        LoopbackOption o;
        o.option = option;
        if (option == 3) {
            o.number = reinterpret_cast<std::intptr_t>(value);
        } else if (value) {
            o.text = value;
        }
        std::lock_guard<std::mutex> lock(m_cs);
        o.beforeConnect = m_connects == 0;
        m_options.push_back(std::move(o));
        return BRX_SUCCESS;
    }
    BRXError GetOption(int, char*) override { return BRX_INVALID_OPTION; }
    BRXError GetServiceProviderOption(int, char*) override { return BRX_INVALID_OPTION; }
    int SetServiceProviderOption(int, char*) override { return BRX_INVALID_OPTION; }
    BRXError Connect(char* route, char* endSystem) override;
    BRXError Send(CMessage& message) override {
        std::string data;
        static_cast<void>(message.GetData(data));
        return Send(data);
    }
    BRXError Send(std::string& data) override;
    BRXError Send(int length, char* data) override {
        if (length < 0 || (!data && length > 0)) return BRX_INVALID_OPTION;
        std::string copy(data, static_cast<std::size_t>(length));
        return Send(copy);
    }
    BRXError Receive(CMessage& message) override {
        std::string data;
        const BRXError rc = Receive(data);
        if (rc == BRX_SUCCESS) static_cast<void>(message.AddData(data));
        return rc;
    }
    BRXError Receive(std::string& data) override {
        std::lock_guard<std::mutex> lock(m_cs);
        if (m_queued.empty()) return BRX_NO_DATA;
        data = std::move(m_queued.front());
        m_queued.pop_front();
        return BRX_SUCCESS;
    }
    BRXError Receive(char** data, int* length) override {
        const BRXError rc = Receive(m_handedOut);
        if (rc == BRX_SUCCESS) {
            if (data) *data = m_handedOut.data();
            if (length) *length = static_cast<int>(m_handedOut.size());
        }
        return rc;
    }
    BRXError Disconnect() override {
        std::lock_guard<std::mutex> lock(m_cs);
        ++m_disconnects;
        if (m_state == BRX_NOT_CONNECTED) return m_lastError = BRX_NO_CONNECT;
        m_state = BRX_DISCONNECTING_SESSION;
        return BRX_SUCCESS;
    }

    // ---- the test's side ----
    std::string Route() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_route;
    }
    std::string EndSystem() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_endSystem;
    }
    int Connects() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_connects;
    }
    std::vector<LoopbackOption> Options() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_options;
    }
    std::vector<std::string> Sent() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_sent;
    }
    int Disconnects() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_disconnects;
    }
    void FromOwnThread(bool ownThread) override {
        std::lock_guard<std::mutex> lock(m_cs);
        m_ownThread = ownThread;
    }
    void SetStatus(BRXState state) override {
        std::lock_guard<std::mutex> lock(m_cs);
        m_state = state;
    }
    void CompleteConnect(BRXError code) override {
        Act([&] {
            {
                std::lock_guard<std::mutex> lock(m_cs);
                m_state = code == BRX_SUCCESS ? BRX_CONNECTING : BRX_NOT_CONNECTED;
                SetError(code, BRXErrorText(code));
            }
            m_owner.OnConnect(code);
        });
    }
    void AssignResource(const std::string& lniata, int isNew) override {
        Act([&] {
            {
                std::lock_guard<std::mutex> lock(m_cs);
                m_state = BRX_IDLE;
            }
            m_owner.OnResource(lniata, isNew);
        });
    }
    void Deliver(const std::string& message, BRXError code) override {
        Act([&] {
            {
                std::lock_guard<std::mutex> lock(m_cs);
                m_queued.push_back(message);
            }
            m_owner.OnReceive(code);
            // The provider's data lives only as long as its callback.
            std::lock_guard<std::mutex> lock(m_cs);
            m_queued.clear();
        });
    }
    void Fail(BRXError code, const std::string& text) override {
        Act([&] {
            {
                std::lock_guard<std::mutex> lock(m_cs);
                SetError(code, text);
            }
            m_owner.OnReceive(code);
        });
    }
    void CompleteSend(BRXError code) override {
        Act([&] { m_owner.OnSend(code); });
    }
    void SystemAvailable(int available) override {
        Act([&] { m_owner.OnSystemAvailable(available); });
    }
    void Drop(BRXError code) override {
        Act([&] {
            {
                std::lock_guard<std::mutex> lock(m_cs);
                m_state = BRX_NOT_CONNECTED;
                if (code != BRX_SUCCESS) SetError(code, BRXErrorText(code));
            }
            m_owner.OnDisconnect(code);
        });
    }

private:
    // Runs an action of the host here, or on a thread of the provider's own.
    void Act(const std::function<void()>& action) {
        bool ownThread = false;
        {
            std::lock_guard<std::mutex> lock(m_cs);
            ownThread = m_ownThread;
        }
        if (!ownThread) {
            action();
            return;
        }
        std::thread worker(action);
        worker.join();
    }
    void SetError(BRXError code, const std::string& text) {
        m_lastError = code;
        m_lastErrorText = text;
    }

    BRXConn_& m_owner;
    std::mutex m_cs;
    std::string m_route;
    std::string m_endSystem;
    int m_connects = 0;
    int m_disconnects = 0;
    BRXState m_state = BRX_NOT_CONNECTED;
    BRXError m_lastError = BRX_SUCCESS;
    std::string m_lastErrorText = BRXErrorText(BRX_SUCCESS);
    std::vector<LoopbackOption> m_options;
    std::vector<std::string> m_sent;
    std::deque<std::string> m_queued;
    std::string m_handedOut;  // what the pointer form of Receive gave last
    bool m_ownThread = false;
};

class Control final : public support::LoopbackControl {
public:
    void SetConnectResult(BRXError code) override {
        std::lock_guard<std::mutex> lock(m_cs);
        m_connectResult = code;
    }
    void SetSendResult(BRXError code) override {
        std::lock_guard<std::mutex> lock(m_cs);
        m_sendResult = code;
    }
    void SetConfigResult(int result) override {
        std::lock_guard<std::mutex> lock(m_cs);
        m_configResult = result;
    }
    support::LoopbackConnection* Last() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_live.empty() ? nullptr : m_live.back();
    }
    std::size_t Live() override {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_live.size();
    }
    void Reset() override {
        std::lock_guard<std::mutex> lock(m_cs);
        m_connectResult = BRX_WAITING;
        m_sendResult = BRX_SUCCESS;
        m_configResult = 1;
    }

    BRXError ConnectResult() {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_connectResult;
    }
    BRXError SendResult() {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_sendResult;
    }
    int ConfigResult() {
        std::lock_guard<std::mutex> lock(m_cs);
        return m_configResult;
    }
    void Add(Connection* c) {
        std::lock_guard<std::mutex> lock(m_cs);
        m_live.push_back(c);
    }
    void Remove(Connection* c) {
        std::lock_guard<std::mutex> lock(m_cs);
        m_live.erase(std::remove(m_live.begin(), m_live.end(), c), m_live.end());
    }

private:
    std::mutex m_cs;
    BRXError m_connectResult = BRX_WAITING;
    BRXError m_sendResult = BRX_SUCCESS;
    int m_configResult = 1;
    std::vector<Connection*> m_live;
};

Control& TheControl() {
    static Control* const control = new Control;
    return *control;
}

Connection::Connection(BRXConn_& owner) : m_owner(owner) {
    TheControl().Add(this);
}

Connection::~Connection() {
    TheControl().Remove(this);
}

BRXError Connection::Connect(char* route, char* endSystem) {
    const BRXError result = TheControl().ConnectResult();
    std::lock_guard<std::mutex> lock(m_cs);
    m_route = route ? route : "";
    m_endSystem = endSystem ? endSystem : "";
    ++m_connects;
    if (result == BRX_SUCCESS || result == BRX_WAITING) {
        m_state = BRX_CONNECTING;
    } else {
        SetError(result, BRXErrorText(result));
    }
    return result;
}

BRXError Connection::Send(std::string& data) {
    const BRXError result = TheControl().SendResult();
    std::lock_guard<std::mutex> lock(m_cs);
    if (result != BRX_SUCCESS) {
        SetError(result, BRXErrorText(result));
        return result;
    }
    m_sent.push_back(data);
    return BRX_SUCCESS;
}

}  // namespace
}  // namespace loopback

namespace brxprovider {

IProviderObject* CreateProviderObject(BRXConn_& owner) {
    return new (std::nothrow) loopback::Connection(owner);
}

const ProviderTexts& ProviderDescription() {
    static const ProviderTexts texts{"Version 1.0", "Revision 0.1", "Loopback",
                                     "Loopback Service Provider"};
    return texts;
}

}  // namespace brxprovider

extern "C" {

TREVO_EXPORT support::LoopbackControl* TrevoLoopbackControl() {
    return &loopback::TheControl();
}

// The provider's configuration of a route: writes its values and answers as scripted.
TREVO_EXPORT int SPConfig(const char* route, int deviceKind) {
    try {
        if (!route) return 0;
        BRXConfig config;
        static_cast<void>(config.SetValue(BRXConfig::kRoutesKey, route, "Service Provider",
                                          support::kLoopbackProvider));
        static_cast<void>(config.SetValue(BRXConfig::kRoutesKey, route, "Device Kind",
                                          static_cast<unsigned long>(deviceKind)));
        return loopback::TheControl().ConfigResult();
    } catch (...) {
        return 0;
    }
}
}
