#include "devices/PassportWindowEndpoint.h"

#include <utility>

#include "core/TraceLog.h"
#include "platform/Win32Error.h"

namespace devices {

CPassportWindowEndpoint::CPassportWindowEndpoint(std::shared_ptr<platform::WindowEndpoint> pSender,
                                                 platform::WindowHandle target)
    : m_pSender(std::move(pSender)), m_target(target) {}

bool CPassportWindowEndpoint::SendChar(std::uint8_t ch) {
    if (m_pSender->Send(m_target, platform::WindowFrame::Numbered(WM_CHAR, ch, 0))) return true;
    if (platform::GetLastError() == platform::ERROR_INVALID_WINDOW_HANDLE) return false;
    TRACE_LAST_ERROR("CPassportWindowEndpoint::SendChar(): Send()");
    return true;
}

}  // namespace devices
