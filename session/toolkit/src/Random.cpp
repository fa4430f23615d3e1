#include "toolkit/Random.h"

#include <exception>

#include "platform/Process.h"
#include "toolkit/Mutex.h"
#include "toolkit/SyncException.h"
#include "toolkit/TimeStamp.h"

namespace UTKTools {
namespace {

// The generator of the process (of this copy of the toolkit), defined before the static
// initialiser below that seeds it.
MTRand g_generator;
bool g_seeded = false;  // under g_mutex
CRecursiveMutex g_mutex;

}  // namespace

void CRandom::BuildSeedKey(std::int64_t seconds, std::uint32_t milliseconds,
                           std::uint32_t processId, std::uint32_t (&key)[MTRand::N]) {
    const auto now =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds) * 1000U + milliseconds);
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(MTRand::N); ++i) {
        key[i] = 23U * i + processId + now;
    }
}

int CRandom::Init() {
    CGuard guard(g_mutex);
    if (g_seeded) {
        return 0;
    }
    g_seeded = true;
    try {
        const CTimeStamp stamp;
        std::uint32_t key[MTRand::N];
        BuildSeedKey(stamp.Seconds(), stamp.Milliseconds(), platform::GetCurrentProcessId(), key);
        g_generator.seed(key, MTRand::N);
    } catch (const CSyncException&) {
        throw;
    } catch (...) {
        throw CSyncException(-1,
                             "CRandom::CRandom> An exception was caught while seeding the rand");
    }
    return 0;
}

const int CRandom::sm_nInitialised = CRandom::Init();

std::int32_t CRandom::Get() {
    CGuard guard(g_mutex);
    if (!g_seeded) {
        (void)Init();  // asked for before the library's own initialiser ran
    }
    return static_cast<std::int32_t>(g_generator.randInt());
}

}  // namespace UTKTools
