#include "CallbackRelay.h"

#include <strings.h>

#include <utility>

namespace brxconn {
namespace {

constexpr platform::UINT kDeliverCallbacks = platform::WM_APP + 0x1B0;
constexpr BRXError kTextInBinaryMode = 1039;
constexpr int kBinaryModeOption = 4;

bool StandsForMessage(BRXError code) {
    return (code >= 1029 && code <= 1031) || (code >= 1033 && code <= 1035);
}

// Option 4 reads "true" while the provider's binary transport is on; a provider without one
// refuses the option.
bool InBinaryMode(BRXConn_& provider) {
    char value[64] = {};
    return provider.GetOption(kBinaryModeOption, value) == BRX_SUCCESS &&
           strcasecmp(value, "true") == 0;
}

Delivery Of(Delivery::Kind kind, BRXError code, int number = 0) {
    Delivery d;
    d.kind = kind;
    d.code = code;
    d.number = number;
    return d;
}

}  // namespace

CallbackRelay::CallbackRelay(BRXConn& owner)
    : m_owner(owner), m_loop(platform::EventLoop::Current()) {
    if (m_loop) m_target = m_loop->AddTarget(*this);
}

CallbackRelay::~CallbackRelay() {
    Close();
}

void CallbackRelay::Close() {
    {
        std::lock_guard<std::mutex> lock(m_cs);
        m_closed = true;
        m_queue.clear();
    }
    if (m_target) platform::RemoveTarget(m_target);
    m_target = 0;
}

void CallbackRelay::OnReceive(BRXError error) {
    Delivery d = Of(Delivery::Receive, error);
    // The provider frees the data when this call returns: take it now, whole, as the
    // creator's Receive would: the text form, which a provider may assemble from several
    // messages it queued; in binary mode the pointer form, which gives the reassembled
    // message. A text that ends binary mode comes with 1039.
    if (m_provider &&
        (error == BRX_SUCCESS || error == BRX_VUVE_MESSAGE || error == kTextInBinaryMode)) {
        if (InBinaryMode(*m_provider)) {
            char* data = nullptr;
            int length = 0;
            d.received = m_provider->Receive(&data, &length);
            if (d.received == BRX_SUCCESS && data && length > 0)
                d.message.assign(data, static_cast<std::size_t>(length));
        } else {
            d.received = m_provider->Receive(d.message);
            if (d.received != BRX_SUCCESS) d.message.clear();
        }
    }
    if (m_provider && StandsForMessage(error)) {
        d.hasErrorText = true;
        m_provider->LastErrorMessage(d.errorText);
    }
    Pass(std::move(d));
}

void CallbackRelay::OnSend(BRXError error) {
    Pass(Of(Delivery::Send, error));
}

void CallbackRelay::OnConnect(BRXError error) {
    Pass(Of(Delivery::Connect, error));
}

void CallbackRelay::OnDisconnect(BRXError error) {
    Pass(Of(Delivery::Disconnect, error));
}

void CallbackRelay::OnLock(BRXError error) {
    Pass(Of(Delivery::Lock, error));
}

void CallbackRelay::OnResource(std::string lniata, int isNew) {
    Delivery d = Of(Delivery::Resource, 0, isNew);
    d.text = std::move(lniata);
    Pass(std::move(d));
}

void CallbackRelay::OnSystemAvailable(int available) {
    Pass(Of(Delivery::SystemAvailable, 0, available));
}

void CallbackRelay::Pass(Delivery delivery) {
    if (!m_loop || m_loop->IsLoopThread()) {
        {
            std::lock_guard<std::mutex> lock(m_cs);
            if (m_closed) return;
        }
        // Callbacks posted from other threads before this one go first.
        DeliverQueued();
        Deliver(delivery);
        return;
    }
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_cs);
        if (m_closed) return;
        first = m_queue.empty();
        m_queue.push_back(std::move(delivery));
    }
    if (first) static_cast<void>(platform::PostMessage(m_target, kDeliverCallbacks, 0, 0));
}

platform::LRESULT CallbackRelay::OnMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) {
    if (msg == kDeliverCallbacks) DeliverQueued();
    return 0;
}

void CallbackRelay::DeliverQueued() {
    for (;;) {
        Delivery next;
        {
            std::lock_guard<std::mutex> lock(m_cs);
            if (m_closed || m_queue.empty()) return;
            next = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Deliver(next);
    }
}

void CallbackRelay::Deliver(const Delivery& d) {
    switch (d.kind) {
        case Delivery::Receive: {
            Link& link = *m_owner.m_link;
            const Delivery* outer = link.receiving;
            link.receiving = &d;
            m_owner.OnReceive(d.code);
            link.receiving = outer;
            break;
        }
        case Delivery::Send:
            m_owner.OnSend(d.code);
            break;
        case Delivery::Connect:
            m_owner.OnConnect(d.code);
            break;
        case Delivery::Disconnect:
            m_owner.OnDisconnect(d.code);
            break;
        case Delivery::Lock:
            m_owner.OnLock(d.code);
            break;
        case Delivery::Resource:
            m_owner.OnResource(d.text, d.number);
            break;
        case Delivery::SystemAvailable:
            m_owner.OnSystemAvailable(d.number);
            break;
    }
}

}  // namespace brxconn
