#include "core/HostCtrl.h"

#include <array>
#include <cstdio>

#include "core/TraceLog.h"
#include "platform/ComRegistry.h"
#include "platform/Event.h"
#include "platform/SocketAddress.h"

namespace core {

namespace {

// The message that tells the owning thread that work was handed to it.
constexpr platform::UINT kRunHandedWork = platform::WM_APP + 0x115;

using platform::DispatchKind;
using platform::Variant;

}  // namespace

const platform::Guid CHostCtrl::kClassId{
    0x5A17C0D7, 0x9B2E, 0x4C61, {0xA3, 0xF4, 0x2D, 0x8E, 0x6B, 0x10, 0xC7, 0xA5}};

// One piece of work handed to the owning thread, and how far it got.
struct CHostCtrl::Request {
    enum State { Pending, Running, Done, Dropped };
    const std::function<void()>* work = nullptr;
    std::mutex cs;
    State state = Pending;
    platform::Event done{platform::EventReset::Manual};
};

CHostCtrl::CHostCtrl() = default;

CHostCtrl::~CHostCtrl() {
    if (m_pLoop && m_hWnd) m_pLoop->RemoveTarget(m_hWnd);
}

bool CHostCtrl::Create(platform::HWND hParent, std::uint32_t nID) {
    if (m_pControl) {
        m_strCreateError = "(0) The control has been created already.";
        return false;
    }
    m_hParent = hParent;
    m_nID = nID;
    std::shared_ptr<platform::IDispatch> control;
    const platform::HRESULT hr = platform::CreateInstanceByClassId(kClassId, &control);
    if (platform::FAILED(hr) || !control) {
        char text[600];
        std::snprintf(text, sizeof text, "(%d) %s", static_cast<int>(hr),
                      platform::ComLastErrorText().c_str());
        m_strCreateError = text;
        return false;
    }
    m_pControl = std::move(control);
    m_strCreateError.clear();
    m_pLoop = platform::EventLoop::Current();
    if (m_pLoop) m_hWnd = m_pLoop->AddTarget(*this);
    return true;
}

bool CHostCtrl::OnOwnerThread() const {
    return !m_pLoop || m_pLoop->IsLoopThread();
}

bool CHostCtrl::RunOnControlThread(const std::function<void()>& work, platform::Waitable* pCancel) {
    if (OnOwnerThread() || !m_hWnd) {
        work();
        return true;
    }
    auto request = std::make_shared<Request>();
    request->work = &work;
    {
        std::lock_guard lock(m_csPending);
        m_pending.push_back(request);
    }
    auto drop = [&] {
        std::lock_guard lock(request->cs);
        if (request->state != Request::Pending) return false;
        request->state = Request::Dropped;
        return true;
    };
    if (!platform::PostMessage(m_hWnd, kRunHandedWork, 0, 0) && drop()) return false;
    std::array<platform::Waitable*, 2> objects{&request->done, pCancel};
    const std::size_t count = pCancel ? 2 : 1;
    const platform::DWORD rc = platform::WaitForMultipleObjects(
        std::span<platform::Waitable* const>(objects.data(), count), false, platform::INFINITE);
    if (rc == platform::WAIT_OBJECT_0) return true;
    if (drop()) return false;
    // The owner has begun the work: it refers to the caller's values, so wait for its end.
    static_cast<void>(platform::WaitForSingleObject(request->done, platform::INFINITE));
    return true;
}

platform::LRESULT CHostCtrl::OnMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) {
    if (msg != kRunHandedWork) return 0;
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::lock_guard lock(m_csPending);
            if (m_pending.empty()) break;
            request = std::move(m_pending.front());
            m_pending.pop_front();
        }
        {
            std::lock_guard lock(request->cs);
            if (request->state != Request::Pending) continue;
            request->state = Request::Running;
        }
        (*request->work)();
        std::lock_guard lock(request->cs);
        request->state = Request::Done;
        request->done.Set();
    }
    return 0;
}

platform::HRESULT CHostCtrl::Invoke(platform::DISPID id, DispatchKind kind,
                                    std::span<const Variant> args, Variant* result) {
    if (!m_pControl) {
        TRACE_FORMAT(2, "CHostCtrl::InvokeHelper():", "Dispatch id %d: no control",
                     static_cast<int>(id));
        return platform::E_POINTER;
    }
    platform::HRESULT hr = platform::E_FAIL;
    auto call = [&] { hr = m_pControl->Invoke(id, kind, args, result); };
    if (OnOwnerThread()) {
        call();
    } else {
        static_cast<void>(RunOnControlThread(call, nullptr));
    }
    if (platform::FAILED(hr)) {
        TRACE_FORMAT(2, "CHostCtrl::InvokeHelper():", "Dispatch id %d failed: 0x%08X",
                     static_cast<int>(id), static_cast<unsigned>(hr));
        if (result) result->Clear();
    }
    return hr;
}

bool CHostCtrl::CallBool(platform::DISPID id, std::span<const Variant> args) {
    Variant result;
    if (platform::FAILED(Invoke(id, DispatchKind::Method, args, &result))) return false;
    bool value = false;
    return platform::SUCCEEDED(result.ToBool(value)) && value;
}

std::string CHostCtrl::CallString(platform::DISPID id, DispatchKind kind) {
    Variant result;
    std::string text;
    if (platform::SUCCEEDED(Invoke(id, kind, {}, &result))) {
        static_cast<void>(result.ToBStr(text));
    }
    return text;
}

std::string CHostCtrl::GetResource() {
    return CallString(DISPID_RESOURCE, DispatchKind::PropertyGet);
}

std::int16_t CHostCtrl::GetLastError() {
    Variant result;
    std::int16_t code = 0;
    if (platform::SUCCEEDED(Invoke(DISPID_LASTERROR, DispatchKind::PropertyGet, {}, &result))) {
        static_cast<void>(result.ToI2(code));
    }
    return code;
}

bool CHostCtrl::SendString(const std::string& szData) {
    const std::array<Variant, 1> args{Variant::BStr(szData)};
    return CallBool(DISPID_SENDSTRING, args);
}

bool CHostCtrl::DisconnectFromHost() {
    return CallBool(DISPID_DISCONNECTFROMHOST, {});
}

std::string CHostCtrl::ReceiveString() {
    return CallString(DISPID_RECEIVESTRING, DispatchKind::Method);
}

std::string CHostCtrl::GetLastErrorMessage() {
    // Without a control the error to tell is why it could not be made.
    if (!m_pControl) return m_strCreateError;
    return CallString(DISPID_GETLASTERRORMESSAGE, DispatchKind::Method);
}

bool CHostCtrl::TranslateMessages(bool bTrlMsg) {
    const std::array<Variant, 1> args{Variant::Bool(bTrlMsg)};
    return CallBool(DISPID_TRANSLATEMESSAGES, args);
}

bool CHostCtrl::ConnectToHost(const std::string& szAppName, const std::string& szSession,
                              bool blShared) {
    const std::array<Variant, 3> args{Variant::BStr(szAppName), Variant::BStr(szSession),
                                      Variant::Bool(blShared)};
    return CallBool(DISPID_CONNECTTOHOST, args);
}

bool CHostCtrl::Lock() {
    return CallBool(DISPID_LOCK, {});
}

void CHostCtrl::ReceiveBString(Variant* pvData) {
    if (!pvData) return;
    const std::array<Variant, 1> args{Variant::ByRef(*pvData)};
    static_cast<void>(Invoke(DISPID_RECEIVEBSTRING, DispatchKind::Method, args, nullptr));
}

bool CHostCtrl::ReceiveBString(std::string& bytes) {
    Variant data;
    ReceiveBString(&data);
    std::vector<std::uint8_t> array;
    if (platform::FAILED(data.GetByteArray(array))) return false;
    // The array holds the message and one zero after it; zeros inside are the message's.
    if (!array.empty() && array.back() == 0) array.pop_back();
    bytes.assign(array.begin(), array.end());
    return true;
}

bool CHostCtrl::IsValidHostAddress(const char* pszAddress) {
    if (!pszAddress) return false;
    const auto address = platform::InetAddr(pszAddress);
    return address && *address != 0xFFFFFFFFu;
}

}  // namespace core
