#include "toolkit/TimeStamp.h"

#include "platform/Clock.h"

namespace UTKTools {
namespace {

// Days from 1970-01-01 to the given civil date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

CTimeStamp::CTimeStamp() : m_bDaylight(false) {
    const platform::IClock& clock = platform::CurrentClock();
    const std::int64_t wallMs = clock.WallMs();
    const platform::SystemTime local = clock.LocalTime();
    m_nSeconds = wallMs >= 0 ? wallMs / 1000 : (wallMs - 999) / 1000;
    m_uMilliseconds = static_cast<std::uint16_t>(wallMs - m_nSeconds * 1000);
    const std::int64_t localSeconds = DaysFromCivil(local.wYear, local.wMonth, local.wDay) * 86400 +
                                      local.wHour * 3600 + local.wMinute * 60 + local.wSecond;
    const std::int64_t westSeconds = m_nSeconds - localSeconds;
    m_nTimeZone = static_cast<std::int16_t>((westSeconds + (westSeconds >= 0 ? 30 : -30)) / 60);
}

CTimeStamp::~CTimeStamp() = default;

}  // namespace UTKTools
