// The object a provider is given as its creator: it takes each callback from the provider's
// thread and hands it to the connection's owner on the thread that called Connect.
// Lock order: m_cs only; never held while a callback runs.
#pragma once

#include <deque>
#include <mutex>
#include <string>

#include "brxconn/BRXConn.h"
#include "platform/EventLoop.h"

namespace brxconn {

// One callback on its way to the owner.
struct Delivery {
    enum Kind { Receive, Send, Connect, Disconnect, Lock, Resource, SystemAvailable };
    Kind kind = Receive;
    BRXError code = 0;
    std::string text;  // OnResource's LNIATA
    int number = 0;
    // OnReceive: what the provider's Receive gave inside its callback.
    BRXError received = BRX_NO_DATA;
    std::string message;
    // OnReceive of an error that stands for a message: the provider's text at that moment.
    bool hasErrorText = false;
    std::string errorText;
};

class CallbackRelay final : public BRXConn, private platform::IMessageTarget {
public:
    // On the thread that calls Connect.
    explicit CallbackRelay(BRXConn& owner);
    ~CallbackRelay() override;

    // The provider's connection, before any call on it.
    void Bind(BRXConn_* provider) noexcept { m_provider = provider; }
    // Drops every callback from now on (on the owner's thread, before the provider goes).
    void Close();

protected:
    void OnReceive(BRXError error) override;
    void OnSend(BRXError error) override;
    void OnConnect(BRXError error) override;
    void OnDisconnect(BRXError error) override;
    void OnLock(BRXError error) override;
    void OnResource(std::string lniata, int isNew) override;
    void OnSystemAvailable(int available) override;

private:
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;
    void Pass(Delivery delivery);
    void DeliverQueued();
    void Deliver(const Delivery& delivery);

    BRXConn& m_owner;
    BRXConn_* m_provider = nullptr;
    platform::EventLoop* m_loop;
    platform::HWND m_target = 0;
    std::mutex m_cs;
    std::deque<Delivery> m_queue;
    bool m_closed = false;
};

// What a BRXConn keeps of its connection.
struct Link {
    struct Option {
        int option = 0;
        std::string text;
        char* number = nullptr;  // option 3: the number in place of the pointer
    };

    std::unique_ptr<CallbackRelay> relay;
    BRXConn_* provider = nullptr;
    std::vector<Option> options;  // set before the provider was there
    BRXError lastError = 0;
    const Delivery* receiving = nullptr;  // the OnReceive being delivered
};

}  // namespace brxconn
