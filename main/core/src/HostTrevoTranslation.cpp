// Translation of what the host link sends to the host.
#include <exception>

#include "HostTrevoInternal.h"
#include "core/HostTrevo.h"
#include "core/TraceLog.h"
#include "core/Translation.h"

namespace core {

using namespace hostlink;

void CHostTrevo::MsgTranslateAsciiToEbcdic(std::string& msg) {
    static const char* const kLabel = "CHostTrevo::MsgTranslateAsciiToEbcdic():";
    TRACE_FORMAT(0, kLabel, "'%s', Before translation: %i bytes", m_strDeviceName.c_str(),
                 static_cast<int>(msg.size()));
    TraceLog().TraceMessage(0, msg);
    try {
        const auto in = Bytes(msg);
        CHostLengthScanner scanner(Settings().m_bPassThrough, Settings().m_bPlatformTitle);
        const std::size_t length = scanner.AsciiToEbcdicLength(in);
        std::string out(length, '\0');
        std::size_t dropped = 0;
        const std::size_t written = scanner.TranslateAsciiToEbcdic(
            in, {reinterpret_cast<std::uint8_t*>(out.data()), out.size()}, dropped);
        out.resize(written);
        if (dropped) {
            TRACE_FORMAT(2, kLabel, "'%s', %i characters without a host character left out",
                         m_strDeviceName.c_str(), static_cast<int>(dropped));
        }
        msg.swap(out);
    } catch (const std::exception& e) {
        SetLastError(TRACE_EXCEPTION(e, kLabel, "Exception:"));
    }
    TRACE_FORMAT(0, kLabel, "'%s', After translation: %i bytes", m_strDeviceName.c_str(),
                 static_cast<int>(msg.size()));
    TraceLog().TraceMessage(0, msg);
}

}  // namespace core
