// The passport reader's target window when it lives in another program: each character goes
// to that window's endpoint as one WM_CHAR message (the character as first parameter, 0 as
// second), sent from an endpoint of this program that its loop keeps reading, so that
// letters waiting for a slow reader go out as soon as it reads.
//
// Threads: any; the endpoint serialises the sends.
#pragma once

#include <cstdint>
#include <memory>

#include "devices/DevicePassport.h"
#include "platform/WindowEndpoint.h"

namespace devices {

class CPassportWindowEndpoint final : public IPassportWindow {
public:
    static constexpr platform::UINT WM_CHAR = 0x0102;

    CPassportWindowEndpoint(std::shared_ptr<platform::WindowEndpoint> pSender,
                            platform::WindowHandle target);

    // False only when the target window is gone; a letter lost to a reader that does not
    // read is logged and the typing goes on.
    [[nodiscard]] bool SendChar(std::uint8_t ch) override;

    [[nodiscard]] platform::WindowHandle Target() const noexcept { return m_target; }

private:
    std::shared_ptr<platform::WindowEndpoint> m_pSender;
    platform::WindowHandle m_target;
};

}  // namespace devices
