// The status relay as the program binds it in service mode: the module "VEKAUTIL.DLL" from
// the plug-in folder (never from a search path), with its four entry points bound all
// together or not at all. A missing module or entry point leaves the program without a
// relay, silently. Once loaded the module stays loaded for as long as the binding lives.
//
// Threads: user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/DynamicLibrary.h"
#include "platform/EventLoop.h"
#include "shell/ViewStatusList.h"
#include "statusrelay/VekaUtil.h"

namespace shell {

// The icon state as the relay takes it: the icon's index (0 to 5) and the tray's tip.
struct IconStatusRecord {
    std::uint32_t index;
    char tip[256];
};
static_assert(sizeof(IconStatusRecord) == sizeof(ICONSTATUS) && sizeof(IconStatusRecord) == 260 &&
              offsetof(IconStatusRecord, tip) == 4);

class CRelayBinding {
public:
    static constexpr const char* kLibraryName = "VEKAUTIL.DLL";

    CRelayBinding() = default;
    CRelayBinding(const CRelayBinding&) = delete;
    CRelayBinding& operator=(const CRelayBinding&) = delete;

    // Loads the module and binds its entry points (once); true when the relay is bound.
    bool Bind();
    [[nodiscard]] bool Bound() const noexcept { return m_bBound; }

    // The window the relay tells of a new monitor, then the relay's listener (once each).
    void SetCallbackInterface(platform::HWND window);
    void BeginListening();
    // One status-list row (SendStatusToRelay) and the tray's state, when bound.
    void SendDeviceStatus(const CStatusList::Row& row) const;
    void SendDeviceIconStatus(int index, const std::string& tip) const;

    // The record of a row: an empty text as one blank, the message cut to 127 characters,
    // every other text to its field less one.
    [[nodiscard]] static DEVICESTATUS MakeDeviceStatus(const CStatusList::Row& row);
    [[nodiscard]] static IconStatusRecord MakeIconStatus(int index, const std::string& tip);

private:
    platform::DynamicLibrary m_library;
    SendDeviceStatusFn* m_sendDeviceStatus = nullptr;
    SetCallbackInterfaceFn* m_setCallbackInterface = nullptr;
    BeginListeningFn* m_beginListening = nullptr;
    SendDeviceIconStatusFn* m_sendDeviceIconStatus = nullptr;
    bool m_bTried = false;
    bool m_bBound = false;
};

}  // namespace shell
