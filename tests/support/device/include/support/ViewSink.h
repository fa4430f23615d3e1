// The view's part in the road of a host message: each event of a device's Printer control
// goes to the device of its slot, as the application's view hands them over.
#pragma once

#include <span>

#include "core/Device.h"
#include "platform/EventSink.h"
#include "support/TestPrinterControl.h"

namespace support {

class ViewSink final : public platform::IEventSink {
public:
    explicit ViewSink(core::CDevice& device) : m_device(device) {}
    void OnEvent(platform::DISPID id, std::span<const platform::Variant> args) override {
        bool flag = false;
        if (!args.empty()) static_cast<void>(args[0].ToBool(flag));
        const long lFlag = flag ? 1 : 0;
        namespace ev = printer_event;
        switch (id) {
            case ev::OnReceive:
                m_device.OnHostReceive();
                break;
            case ev::OnResource:
                m_device.OnResource(lFlag);
                break;
            case ev::OnConnect:
                m_device.OnConnect(lFlag);
                break;
            case ev::OnDisconnect:
                m_device.OnDisconnect(lFlag);
                break;
            case ev::OnSend:
                m_device.OnSend(lFlag);
                break;
            case ev::OnSystemAvailable:
                m_device.OnSystemAvailable(lFlag);
                break;
            case ev::OnLock:
                m_device.OnLock(lFlag);
                break;
            case ev::OnUnLock:
                m_device.OnUnLock(lFlag);
                break;
            default:
                break;
        }
    }

private:
    core::CDevice& m_device;
};

}  // namespace support
