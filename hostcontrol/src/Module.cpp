// The module's entry points: the class objects of the two controls, the unload query and
// self-registration. Nothing thrown inside leaves them.
#include <atomic>
#include <memory>
#include <new>

#include "hostcontrol/ControlIds.h"
#include "hostcontrol/Controls.h"
#include "hostcontrol/Registration.h"
#include "platform/ClassFactory.h"
#include "platform/ComRegistry.h"
#include "platform/Export.h"

namespace hostcontrol {
namespace {

std::atomic<long> g_liveObjects{0};

template <typename Control>
class Factory final : public platform::IClassFactory {
public:
    platform::HRESULT CreateInstance(std::shared_ptr<platform::IDispatch>* object) override {
        if (!object) return platform::E_POINTER;
        try {
            auto* control = new (std::nothrow) Control;
            if (!control) return platform::E_OUTOFMEMORY;
            ++g_liveObjects;
            *object = std::shared_ptr<platform::IDispatch>(control, [](platform::IDispatch* p) {
                delete static_cast<Control*>(p);
                --g_liveObjects;
            });
            return platform::S_OK;
        } catch (...) {
            return platform::E_OUTOFMEMORY;
        }
    }
};

Factory<CPrinterCtrl> g_printerFactory;
Factory<CTerminalCtrl> g_terminalFactory;

std::filesystem::path ThisModule();

}  // namespace
}  // namespace hostcontrol

using namespace platform;

extern "C" {

TREVO_EXPORT HRESULT TrevoGetClassObject(const Guid* classId, IClassFactory** factory) {
    if (!classId || !factory) return E_POINTER;
    *factory = nullptr;
    if (*classId == hostcontrol::kPrinterClassId) {
        *factory = &hostcontrol::g_printerFactory;
    } else if (*classId == hostcontrol::kTerminalClassId) {
        *factory = &hostcontrol::g_terminalFactory;
    } else {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return S_OK;
}

TREVO_EXPORT HRESULT TrevoCanUnloadNow() {
    return hostcontrol::g_liveObjects.load() == 0 ? S_OK : S_FALSE;
}

TREVO_EXPORT HRESULT TrevoRegisterServer() {
    try {
        const std::filesystem::path self = hostcontrol::ThisModule();
        if (self.empty()) return SELFREG_E_TYPELIB;
        return hostcontrol::RegisterModule(self);
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

TREVO_EXPORT HRESULT TrevoUnregisterServer() {
    try {
        return hostcontrol::UnregisterModule();
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}
}

namespace hostcontrol {
namespace {

std::filesystem::path ThisModule() {
    return ModuleFileOf(reinterpret_cast<const void*>(&TrevoRegisterServer));
}

}  // namespace
}  // namespace hostcontrol
