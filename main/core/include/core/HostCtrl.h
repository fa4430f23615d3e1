// The wrapper through which a host link drives its host control: it creates the Printer
// control by its class id and calls it only by dispatch id. The control belongs to the thread
// that created it (the user-interface thread, with its event loop): a call from any other
// thread is handed to that thread and waited for. The control's events do not pass through
// here: the application's view advises its own sink on Control(). The owner's event loop
// must outlive the wrapper.
//
// Lock order: m_csPending only, never held while a call or a handed-over piece of work runs.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "core/HostTrevoSeams.h"
#include "platform/Dispatch.h"
#include "platform/EventLoop.h"
#include "platform/Guid.h"
#include "platform/Variant.h"

namespace core {

class CHostCtrl final : public IHostControl, private platform::IMessageTarget {
public:
    // The Printer control's class id.
    static const platform::Guid kClassId;

    // Dispatch ids of the control's members.
    enum : platform::DISPID {
        DISPID_RESOURCE = 2,
        DISPID_LASTERROR = 4,
        DISPID_SENDSTRING = 6,
        DISPID_DISCONNECTFROMHOST = 7,
        DISPID_RECEIVESTRING = 8,
        DISPID_GETLASTERRORMESSAGE = 9,
        DISPID_TRANSLATEMESSAGES = 16,
        DISPID_CONNECTTOHOST = 19,
        DISPID_LOCK = 20,
        DISPID_RECEIVEBSTRING = 23,
    };

    CHostCtrl();
    ~CHostCtrl() override;
    CHostCtrl(const CHostCtrl&) = delete;
    CHostCtrl& operator=(const CHostCtrl&) = delete;

    // Creates the control by its class id on the calling thread, which owns it from then on.
    // FALSE when it cannot be created (CreateErrorText says why) or was created already.
    [[nodiscard]] bool Create(platform::HWND hParent, std::uint32_t nID);
    [[nodiscard]] bool IsCreated() const noexcept { return m_pControl != nullptr; }
    // "(%d) %s": the code and text of the failed creation.
    [[nodiscard]] std::string CreateErrorText() const { return m_strCreateError; }
    // The control, for the view to advise its event sink on; null before Create.
    [[nodiscard]] std::shared_ptr<platform::IDispatch> Control() const { return m_pControl; }
    [[nodiscard]] std::uint32_t ControlId() const noexcept { return m_nID; }
    [[nodiscard]] platform::HWND Parent() const noexcept { return m_hParent; }

    // The control's members.
    std::string GetResource() override;
    std::int16_t GetLastError() override;
    bool SendString(const std::string& szData) override;
    bool DisconnectFromHost() override;
    std::string ReceiveString() override;
    std::string GetLastErrorMessage() override;
    bool TranslateMessages(bool bTrlMsg) override;
    bool ConnectToHost(const std::string& szAppName, const std::string& szSession,
                       bool blShared) override;
    bool Lock() override;
    // Fills *pvData with the next message as an array of bytes (the message and a zero).
    void ReceiveBString(platform::Variant* pvData);
    // The next message's bytes, zeros inside it included, without the array's closing zero.
    bool ReceiveBString(std::string& bytes) override;

    bool RunOnControlThread(const std::function<void()>& work,
                            platform::Waitable* pCancel) override;

    // Whether the text is a dotted IPv4 address other than the all-ones "no address".
    static bool IsValidHostAddress(const char* pszAddress);

private:
    struct Request;

    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;
    // One dispatch call on the owning thread; a failure is logged and leaves result empty.
    platform::HRESULT Invoke(platform::DISPID id, platform::DispatchKind kind,
                             std::span<const platform::Variant> args, platform::Variant* result);
    bool CallBool(platform::DISPID id, std::span<const platform::Variant> args);
    std::string CallString(platform::DISPID id, platform::DispatchKind kind);
    bool OnOwnerThread() const;

    std::shared_ptr<platform::IDispatch> m_pControl;
    std::string m_strCreateError;
    std::uint32_t m_nID = 0;
    platform::HWND m_hParent = 0;
    platform::EventLoop* m_pLoop = nullptr;
    platform::HWND m_hWnd = 0;  // this wrapper as a target on the owner's loop
    std::mutex m_csPending;
    std::deque<std::shared_ptr<Request>> m_pending;
};

}  // namespace core
