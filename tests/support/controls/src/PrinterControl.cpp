#include "PrinterControl.h"

#include <utility>

namespace testcontrol {

using platform::DispatchKind;
using platform::FAILED;
using platform::HRESULT;
using platform::SUCCEEDED;
using platform::Variant;
namespace id = support::printer;
namespace event = support::printer_event;

namespace {

// Device error codes the control reports, with their texts.
constexpr std::int16_t kNoError = 0;
constexpr std::int16_t kNoConnection = 14;
constexpr std::int16_t kQueueEmpty = 17;
constexpr std::int16_t kMoreWaiting = 19;
constexpr std::int16_t kConnectInProgress = 20;
constexpr std::int16_t kDisconnectInProgress = 21;
constexpr std::int16_t kBusy = 22;
constexpr std::int16_t kConnectionLost = 24;
constexpr std::int16_t kHostUnavailable = 28;

const char* ErrorText(std::int16_t code) {
    switch (code) {
        case kNoError:
            return "There is no error";
        case kNoConnection:
            return "There is no valid connection at present.";
        case kQueueEmpty:
            return "There is no data in the receive queue.";
        case kMoreWaiting:
            return "There is data in the queue.";
        case kConnectInProgress:
            return "There is a connection in progress.";
        case kDisconnectInProgress:
            return "There is a disconnect in progress.";
        case kBusy:
            return "The Device Object is busy.";
        case kConnectionLost:
            return "Host connection lost. Please reconnect again...";
        default:
            return "There has been an unknown error in the device object.";
    }
}

Variant Result(bool ok) {
    return Variant::Bool(ok);
}

}  // namespace

PrinterControl::PrinterControl() {
    SetError(kNoError);
}

PrinterControl::~PrinterControl() = default;

void PrinterControl::Fire(platform::DISPID eventId, bool flag) {
    const Variant arg = Variant::Bool(flag);
    (void)m_events.Fire(eventId, std::span(&arg, 1));
}

void PrinterControl::Fire(platform::DISPID eventId) {
    (void)m_events.Fire(eventId, {});
}

void PrinterControl::SetError(std::int16_t code) {
    SetError(code, ErrorText(code));
}

void PrinterControl::SetError(std::int16_t code, const std::string& text) {
    m_lastError = code;
    m_lastErrorText = text;
}

bool PrinterControl::Receive(std::string& message) {
    if (m_received.empty()) {
        SetError(kQueueEmpty);
        return false;
    }
    message = std::move(m_received.front());
    m_received.pop_front();
    SetError(m_received.empty() ? kNoError : kMoreWaiting);
    return true;
}

// The state is marked as receiving for the call and then put back as it was.
std::string PrinterControl::TakeMessage() {
    std::lock_guard<std::mutex> lock(m_mutex);
    const PrinterState before = m_state;
    m_state = PrinterState::Receiving;
    std::string message;
    (void)Receive(message);
    m_state = before;
    return message;
}

HRESULT PrinterControl::ConnectToHost(std::span<const Variant> args, bool& ok) {
    support::ConnectRequest request;
    HRESULT hr = args[0].ToBStr(request.application);
    if (SUCCEEDED(hr)) hr = args[1].ToBStr(request.session);
    if (SUCCEEDED(hr)) hr = args[2].ToBool(request.shared);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(m_mutex);
    ok = false;
    if (m_connectPending) {
        SetError(kConnectInProgress);
    } else if (Effective() != PrinterState::NotConnected) {
        SetError(kConnectionLost);
    } else {
        m_connects.push_back(request);
        if (m_refuseConnect != 0) {
            SetError(std::exchange(m_refuseConnect, 0), m_refuseConnectText);
        } else {
            m_state = PrinterState::Connecting;
            m_connectPending = true;
            m_resource = "000000";
            SetError(kNoError);
            ok = true;
        }
    }
    return platform::S_OK;
}

HRESULT PrinterControl::SendString(std::span<const Variant> args, bool& ok) {
    std::string data;
    const HRESULT hr = args[0].ToBStr(data);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(m_mutex);
    ok = false;
    if (!m_connected || Effective() == PrinterState::NotConnected) {
        SetError(kNoConnection);
    } else if (Effective() != PrinterState::Idle) {
        SetError(kBusy);
    } else if (data.empty()) {
        SetError(kQueueEmpty);
    } else if (m_refuseSend != 0) {
        SetError(m_refuseSend, m_refuseSendText);
    } else {
        m_sent.push_back(std::move(data));
        SetError(kNoError);
        ok = true;
    }
    return platform::S_OK;
}

bool PrinterControl::DisconnectFromHost() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Effective() == PrinterState::NotConnected) {
        SetError(kNoConnection);
    } else if (m_connectPending) {
        SetError(kConnectInProgress);
    } else if (Effective() == PrinterState::Disconnecting) {
        SetError(kDisconnectInProgress);
    } else {
        m_state = PrinterState::Disconnecting;
        SetError(kNoError);
        return true;
    }
    return false;
}

HRESULT PrinterControl::TranslateMessages(std::span<const Variant> args, bool& ok) {
    bool translate = false;
    const HRESULT hr = args[0].ToBool(translate);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(m_mutex);
    ok = false;
    if (Effective() == PrinterState::NotConnected || !m_connected) {
        SetError(kNoConnection);
    } else {
        m_translate = translate;
        ok = true;
    }
    return platform::S_OK;
}

HRESULT PrinterControl::Invoke(platform::DISPID member, DispatchKind kind,
                               std::span<const Variant> args, Variant* result) {
    struct Member {
        platform::DISPID id;
        DispatchKind kind;
        std::size_t args;
    };
    static constexpr Member kMembers[] = {
        {id::Resource, DispatchKind::PropertyGet, 0},
        {id::LastError, DispatchKind::PropertyGet, 0},
        {id::SendString, DispatchKind::Method, 1},
        {id::DisconnectFromHost, DispatchKind::Method, 0},
        {id::ReceiveString, DispatchKind::Method, 0},
        {id::GetLastErrorMessage, DispatchKind::Method, 0},
        {id::TranslateMessages, DispatchKind::Method, 1},
        {id::ConnectToHost, DispatchKind::Method, 3},
        {id::Lock, DispatchKind::Method, 0},
        {id::UnLock, DispatchKind::Method, 0},
        {id::ReceiveBString, DispatchKind::Method, 1},
    };
    const Member* found = nullptr;
    for (const Member& m : kMembers) {
        if (m.id == member && m.kind == kind) found = &m;
    }
    if (!found) return platform::DISP_E_MEMBERNOTFOUND;
    if (args.size() != found->args) return platform::DISP_E_BADPARAMCOUNT;

    Variant value;
    bool ok = false;
    HRESULT hr = platform::S_OK;
    switch (member) {
        case id::Resource: {
            std::lock_guard<std::mutex> lock(m_mutex);
            value = Variant::BStr(m_resource);
            break;
        }
        case id::LastError: {
            std::lock_guard<std::mutex> lock(m_mutex);
            value = Variant::I2(m_lastError);
            break;
        }
        case id::GetLastErrorMessage: {
            std::lock_guard<std::mutex> lock(m_mutex);
            value = Variant::BStr(m_lastErrorText);
            break;
        }
        case id::SendString:
            hr = SendString(args, ok);
            value = Result(ok);
            break;
        case id::DisconnectFromHost:
            value = Result(DisconnectFromHost());
            break;
        case id::ReceiveString:
            value = Variant::BStr(TakeMessage());
            break;
        case id::ReceiveBString: {
            Variant* out = args[0].Referenced();
            if (!out) return platform::DISP_E_TYPEMISMATCH;
            const std::string message = TakeMessage();
            std::vector<std::uint8_t> bytes(message.begin(), message.end());
            bytes.push_back(0);
            *out = Variant::ByteArray(std::move(bytes));
            break;
        }
        case id::TranslateMessages:
            hr = TranslateMessages(args, ok);
            value = Result(ok);
            break;
        case id::ConnectToHost:
            hr = ConnectToHost(args, ok);
            value = Result(ok);
            break;
        case id::Lock:
            Fire(event::OnLock, true);
            value = Result(true);
            break;
        case id::UnLock:
            Fire(event::OnUnLock, true);
            value = Result(true);
            break;
        default:
            return platform::DISP_E_MEMBERNOTFOUND;
    }
    if (FAILED(hr)) return hr;
    if (result) *result = std::move(value);
    return platform::S_OK;
}

// ---- the host's side ----

std::vector<std::string> PrinterControl::Sent() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sent;
}

std::vector<support::ConnectRequest> PrinterControl::Connects() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connects;
}

PrinterState PrinterControl::State() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return Effective();
}

bool PrinterControl::Translating() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_translate;
}

std::size_t PrinterControl::Waiting() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received.size();
}

void PrinterControl::RefuseNextConnect(std::int16_t code, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuseConnect = code;
    m_refuseConnectText = text;
}

void PrinterControl::RefuseSends(std::int16_t code, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuseSend = code;
    m_refuseSendText = text;
}

void PrinterControl::SetBusy(bool busy) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = busy;
}

bool PrinterControl::CompleteConnect(bool ok, std::int16_t code) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connectPending || m_connected) return false;
        if (ok) {
            m_state = PrinterState::Connecting;
            m_connected = true;
            SetError(kNoError);
        } else {
            m_connectPending = false;
            m_state = PrinterState::NotConnected;
            SetError(code);
        }
    }
    Fire(event::OnConnect, ok);
    return true;
}

bool PrinterControl::AssignResource(const std::string& lniata) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected) return false;
        m_connectPending = false;
        m_state = PrinterState::Idle;
        m_resource = lniata;
        // The container takes each message untranslated.
        m_translate = false;
    }
    Fire(event::OnResource, true);
    return true;
}

bool PrinterControl::SystemAvailable(bool available) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected) return false;
        SetError(available ? kNoError : kHostUnavailable);
    }
    Fire(event::OnSystemAvailable, available);
    return true;
}

bool PrinterControl::Deliver(const std::string& message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected || m_connectPending || message.empty()) return false;
        m_received.push_back(message);
    }
    Fire(event::OnReceive);
    return true;
}

bool PrinterControl::CompleteSend(bool ok, std::int16_t code) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected) return false;
        SetError(ok ? kNoError : code);
    }
    Fire(event::OnSend, ok);
    return true;
}

bool PrinterControl::CompleteDisconnect() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != PrinterState::Disconnecting) return false;
        m_received.clear();
        m_connected = false;
        m_state = PrinterState::NotConnected;
        SetError(kNoError);
    }
    Fire(event::OnDisconnect, true);
    return true;
}

bool PrinterControl::LoseConnection(std::int16_t code, const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected) return false;
        m_received.clear();
        m_connected = false;
        m_connectPending = false;
        m_state = PrinterState::NotConnected;
        SetError(code, text);
    }
    Fire(event::OnDisconnect, false);
    return true;
}

}  // namespace testcontrol
