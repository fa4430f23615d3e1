// A QUIL provider module (QUILSP, and QUIL2SP built from this source with QUIL2SP defined):
// the provider object of each connection under the common export layer, the provider's
// texts, and its configuration entry. In QUIL2SP every call from the creator holds the
// module's provider lock, which the sessions' worker threads take too.
#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "brxconn/CMessage.h"
#include "brxprovider/ProviderObject.h"
#include "platform/Export.h"
#include "quilsp/MainDlg.h"
#include "quilsp/SPImp.h"
#if defined(QUIL2SP)
#include "quil2sp/ProviderLock.h"
#endif

namespace {

#if defined(QUIL2SP)
using CallGuard = quilsp::ProviderLock::Guard;
#else
// QUILSP's calls, sockets and timers share one thread.
struct CallGuard {
    CallGuard() {}
    ~CallGuard() {}
};
#endif

class QuilProvider final : public brxprovider::IProviderObject, public quilsp::IProviderCallbacks {
public:
    explicit QuilProvider(BRXConn_& owner) : m_owner(owner) {
        const CallGuard guard;
        m_imp.emplace(*this);
    }
    ~QuilProvider() override {
        const CallGuard guard;
        m_imp.reset();
    }

    // ---- the provider object ----
    BRXError LastError() override {
        const CallGuard guard;
        return m_imp->LastError();
    }
    BRXState Status() override {
        const CallGuard guard;
        return static_cast<BRXState>(m_imp->Status());
    }
    int ProtocolLastError() override {
        const CallGuard guard;
        return m_imp->ProtocolLastError();
    }
    void LastErrorMessage(std::string& text) override {
        const CallGuard guard;
        text = BRXErrorText(m_imp->LastError());
    }
    void ProtocolLastErrorMessage(std::string& text) override {
        const CallGuard guard;
        m_imp->ProtocolLastErrorMessage(text);
    }
    BRXError SetOption(int option, char* value) override {
        const CallGuard guard;
        return m_imp->SetOption(option, value);
    }
    BRXError GetOption(int option, char* value) override {
        const CallGuard guard;
        return m_imp->GetOption(option, value);
    }
    BRXError GetServiceProviderOption(int option, char* value) override {
        const CallGuard guard;
        return m_imp->GetServiceProviderOption(option, value);
    }
    int SetServiceProviderOption(int option, char* value) override {
        const CallGuard guard;
        return m_imp->SetServiceProviderOption(option, value);
    }
    BRXError Connect(char* route, char* endSystem) override {
        const CallGuard guard;
        return m_imp->Connect(route != nullptr ? route : "", endSystem != nullptr ? endSystem : "");
    }
    BRXError Send(CMessage& message) override {
        const CallGuard guard;
        return Guarded([&] {
            std::vector<std::uint8_t> copy(
                static_cast<std::size_t>(std::max(message.GetLength(), 0)));
            if (!copy.empty())
                (void)message.GetDataAt(0, copy.data(), static_cast<int>(copy.size()));
            return m_imp->SendMsg(copy);
        });
    }
    BRXError Send(std::string& data) override {
        const CallGuard guard;
        if (data.empty()) return BRX_NO_DATA;
        return Guarded(
            [&] { return m_imp->SendMsg(std::vector<std::uint8_t>(data.begin(), data.end())); });
    }
    BRXError Send(int length, char* data) override {
        const CallGuard guard;
        if (length < 0 || (data == nullptr && length > 0)) return BRX_INVALID_OPTION;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        return Guarded(
            [&] { return m_imp->SendMsg(std::vector<std::uint8_t>(bytes, bytes + length)); });
    }
    BRXError Receive(CMessage& message) override {
        const CallGuard guard;
        std::string data;
        const BRXError rc = m_imp->Receive(data);
        if (rc == BRX_SUCCESS) (void)message.AddData(data);
        return rc;
    }
    BRXError Receive(std::string& data) override {
        const CallGuard guard;
        return m_imp->Receive(data);
    }
    BRXError Receive(char** data, int* length) override {
        const CallGuard guard;
        const std::uint8_t* bytes = nullptr;
        const BRXError rc = m_imp->ReceiveMsg(&bytes, length);
        if (rc == BRX_SUCCESS && data != nullptr)
            *data = const_cast<char*>(reinterpret_cast<const char*>(bytes));
        return rc;
    }
    BRXError Disconnect() override {
        const CallGuard guard;
        return m_imp->Disconnect();
    }

    // ---- the way up ----
    void OnReceive(int error) override { m_owner.OnReceive(error); }
    void OnSend(int error) override { m_owner.OnSend(error); }
    void OnConnect(int error) override { m_owner.OnConnect(error); }
    void OnDisconnect(int error) override { m_owner.OnDisconnect(error); }
    void OnResource(std::string resource, int number) override {
        m_owner.OnResource(std::move(resource), number);
    }

private:
    // A send that cannot copy its message fails instead of throwing across the boundary.
    template <typename F>
    static BRXError Guarded(F&& send) noexcept {
        try {
            return send();
        } catch (...) {
            return BRX_INTERNAL_ERROR;
        }
    }

    BRXConn_& m_owner;
    std::optional<quilsp::spimp> m_imp;
};

}  // namespace

namespace brxprovider {

IProviderObject* CreateProviderObject(BRXConn_& owner) {
    return new (std::nothrow) QuilProvider(owner);
}

const ProviderTexts& ProviderDescription() {
    static const ProviderTexts texts{"Version 1.0", "Revision 0.2", "TCP/IP",
                                     "QUIL Service Provider"};
    return texts;
}

}  // namespace brxprovider

// The route's configuration dialog, run through the host program's modal runner: IDOK when
// the route was written, IDCANCEL otherwise (always without a display).
extern "C" TREVO_EXPORT int SPConfig(const char* route, int deviceKind) {
    try {
        quilsp::CMainDlg dialog(route != nullptr ? route : "", deviceKind,
                                quilsp::CMainDlg::StoreWritable());
        return uikit::RunModal(dialog);
    } catch (...) {
        return uikit::IDCANCEL;
    }
}
