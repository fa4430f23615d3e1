// UTKTools::CRandom: one process-wide source of 32-bit pseudo-random numbers (MT19937),
// seeded once, when the library is loaded, from the clock and the process identifier.
#pragma once

#include <cstdint>

#include "toolkit/MTRand.h"
#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API CRandom {
public:
    // The next output of the process's generator, as a signed 32-bit value.
    static std::int32_t Get();

    // The seeding key: word i is 23 * i + processId + (seconds * 1000 + milliseconds),
    // modulo 2 to the 32nd.
    static void BuildSeedKey(std::int64_t seconds, std::uint32_t milliseconds,
                             std::uint32_t processId, std::uint32_t (&key)[MTRand::N]);

private:
    CRandom() = default;
    ~CRandom() = default;

    // Seeds the generator unless it already is; returns 0.
    static int Init();
    static const int sm_nInitialised;
};

}  // namespace UTKTools
