// UTKTools::CTimeStamp: the wall-clock time with milliseconds, taken when the object is
// made, from the process's current clock.
#pragma once

#include <cstdint>

#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API CTimeStamp {
public:
    CTimeStamp();
    virtual ~CTimeStamp();

    std::int64_t Seconds() const { return m_nSeconds; }  // since 1970, UTC
    std::uint16_t Milliseconds() const { return m_uMilliseconds; }
    std::int16_t TimeZone() const { return m_nTimeZone; }  // minutes west of UTC
    bool Daylight() const { return m_bDaylight; }

private:
    std::int64_t m_nSeconds;
    std::uint16_t m_uMilliseconds;
    std::int16_t m_nTimeZone;
    bool m_bDaylight;
};

}  // namespace UTKTools
