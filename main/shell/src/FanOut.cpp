#include "shell/FanOut.h"

#include "core/Device.h"
#include "core/TraceLog.h"
#include "platform/Time.h"
#include "shell/Document.h"

namespace shell {

class CFanOut::SlotSink final : public platform::IEventSink {
public:
    SlotSink(CFanOut& owner, std::uint32_t nControlId) : m_owner(owner), m_nControlId(nControlId) {}
    void OnEvent(platform::DISPID id, std::span<const platform::Variant> args) override {
        m_owner.OnControlEvent(m_nControlId, id, args);
    }

private:
    CFanOut& m_owner;
    std::uint32_t m_nControlId;
};

CFanOut::CFanOut(CVekaDoc* pDoc, platform::HWND hParent, IFanOutListener* pListener)
    : m_pDoc(pDoc), m_hParent(hParent), m_pListener(pListener) {}

CFanOut::~CFanOut() {
    for (Slot& slot : m_slots) {
        if (slot.cookie && slot.ctrl && slot.ctrl->Control())
            static_cast<void>(slot.ctrl->Control()->EventSource()->Unadvise(slot.cookie));
    }
}

std::uint32_t CFanOut::ControlIdOf(std::size_t slot) noexcept {
    return slot < kSlots ? kFirstControlId + static_cast<std::uint32_t>(slot) : 0;
}

core::CHostCtrl* CFanOut::SlotObject(std::size_t slot) const noexcept {
    return slot < kSlots ? m_slots[slot].ctrl.get() : nullptr;
}

void CFanOut::CreateConnections() {
    static const char* const kLabel = "CVekaView::OnCreate():";
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel, "%s", "");
    if (!m_pDoc) return;
    const std::size_t count = std::min(m_pDoc->DeviceCount(), kSlots);
    for (std::size_t i = 0; i < count; ++i) {
        core::CDevice* device = m_pDoc->Device(i);
        core::CHostTrevo* host = device ? device->GetHost() : nullptr;
        if (!host) continue;
        const std::string key = device->GetDeviceKey();
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel,
                     "Create: '%s', Type='%s', Name='%s', Session='%s'", key.c_str(),
                     device->GetDeviceType().c_str(), device->GetDeviceName().c_str(),
                     device->GetSession().c_str());
        Slot& slot = m_slots[i];
        slot.ctrl = std::make_unique<core::CHostCtrl>();
        if (!device->CreateHostConnection(slot.ctrl.get(), ControlIdOf(i), m_hParent)) {
            TRACE_STRING(CTraceLog::LEVEL_ERROR,
                         "CVekaView::OnCreate(): pDevice->CreateHostConnection()",
                         device->GetLastError());
            continue;
        }
        slot.sink = std::make_shared<SlotSink>(*this, ControlIdOf(i));
        if (slot.ctrl->Control()->EventSource()->Advise(slot.sink, &slot.cookie) != platform::S_OK)
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaView::OnCreate(): Advise()", "'%s'",
                         key.c_str());
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel,
                     "Connect: '%s', Type='%s', Name='%s', Session=%s", key.c_str(),
                     device->GetDeviceType().c_str(), device->GetDeviceName().c_str(),
                     device->GetSession().c_str());
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel,
                     "Connect: '%s', Host='%s', RemoteHostAddress=%s, LNIATA=%s", key.c_str(),
                     host->GetHost().c_str(), host->GetHostAddress().c_str(),
                     host->GetLNIATA().c_str());
        TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel, "Connect: '%s', ServiceProvider='%s', Port=%d",
                     key.c_str(), host->GetServiceProvider().c_str(),
                     static_cast<int>(host->GetHostPort()));
        if (!device->HostConnectUnlessPending())
            TRACE_STRING(CTraceLog::LEVEL_ERROR, "CVekaView::OnCreate(): pDevice->HostConnect()",
                         device->GetLastError());
        platform::Sleep(kConnectPauseMs);
    }
}

void CFanOut::OnControlEvent(std::uint32_t nControlId, platform::DISPID id,
                             std::span<const platform::Variant> args) {
    if (nControlId < kFirstControlId || nControlId >= kFirstControlId + kSlots) return;
    const std::size_t slot = nControlId - kFirstControlId;
    bool b = false;
    if (!args.empty()) static_cast<void>(args[0].ToBool(b));
    switch (id) {
        case EVENT_RECEIVE:
            if (m_pListener) m_pListener->BeforeReceive(slot);
            if (m_pDoc) m_pDoc->OnReceive(slot);
            if (m_pListener) m_pListener->AfterReceive(slot);
            break;
        case EVENT_RESOURCE:
            if (m_pDoc) m_pDoc->OnResource(slot, b);
            break;
        case EVENT_CONNECT:
            if (m_pDoc) m_pDoc->OnConnect(slot, b);
            break;
        case EVENT_DISCONNECT:
            TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CVekaView::OnDisconnect():", "%s", "");
            if (!m_pDoc) {
                TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaView::OnDisconnect():", "Null Document");
                break;
            }
            m_pDoc->OnDisconnect(slot, b);
            break;
        case EVENT_SEND:
            if (m_pDoc) m_pDoc->OnSend(slot, b);
            break;
        case EVENT_SYSTEM_AVAILABLE:
            if (!m_pDoc) {
                TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                             "CVekaView::OnSystemAvailable():", "Null Document");
                break;
            }
            m_pDoc->OnSystemAvailable(slot, b);
            if (m_pListener) m_pListener->AfterSystemAvailable();
            break;
        case EVENT_LOCK:
            if (m_pDoc) m_pDoc->OnLock(slot, b);
            break;
        case EVENT_UNLOCK:
            if (m_pDoc) m_pDoc->OnUnLock(slot, b);
            break;
        default:
            break;
    }
}

}  // namespace shell
