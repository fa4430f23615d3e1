#include <atomic>

#include "CupsSpooler.h"
#include "spooler/Spooler.h"

namespace spooler {
namespace {

std::atomic<ISpooler*> g_pInstalled{nullptr};

}  // namespace

ISpooler& Spooler() {
    if (ISpooler* p = g_pInstalled.load()) return *p;
    static CCupsSpooler machine;
    return machine;
}

ISpooler* InstallSpooler(ISpooler* pSpooler) {
    return g_pInstalled.exchange(pSpooler);
}

}  // namespace spooler
