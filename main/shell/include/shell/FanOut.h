// The host controls of the devices and the road of their events. Each device with a host
// link gets one Printer control in its slot (the device's position in the document's list),
// with control id 1028 + slot, and its first connection, one device after the other with a
// pause of 1000 ms between them. Each event of a control goes, with the slot of its control
// id, to the document, which hands it to the slot's device.
//
// Only 16 slots exist: a device at position 16 or later gets no control and is never
// connected. Slots without a device have no control at all.
//
// The slot objects are handed to the devices' host links, which keep using them: close the
// document (which deletes the devices) before the fan-out is destroyed.
//
// Threads: user-interface thread only (the controls deliver their events on its loop).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "core/HostCtrl.h"
#include "platform/EventLoop.h"
#include "platform/EventSink.h"

namespace shell {

class CVekaDoc;

// What the view adds around some events.
class IFanOutListener {
public:
    virtual ~IFanOutListener() = default;
    // Around the host message of a slot (activity shown, the slot's row refreshed after).
    virtual void BeforeReceive(std::size_t /*slot*/) {}
    virtual void AfterReceive(std::size_t /*slot*/) {}
    // After a control reported the host system (un)available: the whole list is refreshed.
    virtual void AfterSystemAvailable() {}
};

class CFanOut {
public:
    static constexpr std::size_t kSlots = 16;
    static constexpr std::uint32_t kFirstControlId = 1028;
    static constexpr platform::DWORD kConnectPauseMs = 1000;

    // Event ids of the Printer control.
    enum : platform::DISPID {
        EVENT_RECEIVE = 1,
        EVENT_RESOURCE = 2,
        EVENT_CONNECT = 3,
        EVENT_DISCONNECT = 4,
        EVENT_SEND = 5,
        EVENT_SYSTEM_AVAILABLE = 6,
        EVENT_LOCK = 7,
        EVENT_UNLOCK = 8,
    };

    // hParent: the view's window, the controls' parent. The listener may be null.
    CFanOut(CVekaDoc* pDoc, platform::HWND hParent, IFanOutListener* pListener);
    ~CFanOut();
    CFanOut(const CFanOut&) = delete;
    CFanOut& operator=(const CFanOut&) = delete;

    // Makes the control of every device with a host link in its slot and starts its first
    // connection, pausing 1000 ms (on the current clock) after each device connected.
    void CreateConnections();

    // The document events go to; null once it is gone.
    void SetDocument(CVekaDoc* pDoc) noexcept { m_pDoc = pDoc; }

    // One event of the control with this id (what each control's sink calls).
    void OnControlEvent(std::uint32_t nControlId, platform::DISPID id,
                        std::span<const platform::Variant> args);

    // 1028 + slot for slots 0 to 15, else 0.
    static std::uint32_t ControlIdOf(std::size_t slot) noexcept;
    // The slot object of a slot, or null (outside 0 to 15, or no control made there).
    [[nodiscard]] core::CHostCtrl* SlotObject(std::size_t slot) const noexcept;

private:
    class SlotSink;
    struct Slot {
        std::unique_ptr<core::CHostCtrl> ctrl;
        std::shared_ptr<SlotSink> sink;
        platform::DWORD cookie = 0;
    };

    CVekaDoc* m_pDoc;
    platform::HWND m_hParent;
    IFanOutListener* m_pListener;
    std::array<Slot, kSlots> m_slots;
};

}  // namespace shell
