// The module's entry points: the class factory of the Printer control, the unload query,
// self-registration, and the tests' way to the host side of a live control.
#include <mutex>
#include <new>
#include <set>

#include "PrinterControl.h"
#include "platform/ClassFactory.h"
#include "platform/ComRegistry.h"
#include "platform/Export.h"

namespace testcontrol {
namespace {

// The live controls, so that a test can reach a control's host side and the module can
// tell whether it may be unloaded.
struct LiveControls {
    std::mutex mutex;
    std::set<PrinterControl*> controls;
};

LiveControls& Live() {
    static LiveControls live;
    return live;
}

class Factory final : public platform::IClassFactory {
public:
    platform::HRESULT CreateInstance(std::shared_ptr<platform::IDispatch>* object) override {
        if (!object) return platform::E_POINTER;
        auto* control = new (std::nothrow) PrinterControl;
        if (!control) return platform::E_OUTOFMEMORY;
        {
            std::lock_guard<std::mutex> lock(Live().mutex);
            Live().controls.insert(control);
        }
        *object = std::shared_ptr<platform::IDispatch>(control, [](platform::IDispatch* p) {
            auto* c = static_cast<PrinterControl*>(p);
            {
                std::lock_guard<std::mutex> lock(Live().mutex);
                Live().controls.erase(c);
            }
            delete c;
        });
        return platform::S_OK;
    }
};

Factory g_factory;

}  // namespace
}  // namespace testcontrol

using namespace platform;

extern "C" {

TREVO_EXPORT HRESULT TrevoGetClassObject(const Guid* classId, IClassFactory** factory) {
    if (!classId || !factory) return E_POINTER;
    *factory = nullptr;
    if (*classId != support::kPrinterControlClassId) return CLASS_E_CLASSNOTAVAILABLE;
    *factory = &testcontrol::g_factory;
    return S_OK;
}

TREVO_EXPORT HRESULT TrevoCanUnloadNow() {
    std::lock_guard<std::mutex> lock(testcontrol::Live().mutex);
    return testcontrol::Live().controls.empty() ? S_OK : S_FALSE;
}

TREVO_EXPORT HRESULT TrevoRegisterServer() {
    try {
        const std::filesystem::path self =
            ModuleFileOf(reinterpret_cast<const void*>(&TrevoRegisterServer));
        if (self.empty()) return SELFREG_E_CLASS;
        if (FAILED(RegisterComTypeLib(
                {support::kControlTypeLibId, "1.0", 0x409, "Test printer control module", self}))) {
            return SELFREG_E_TYPELIB;
        }
        if (FAILED(RegisterComClass({support::kPrinterControlClassId,
                                     support::kPrinterControlProgId, "Printer Control", self,
                                     "Apartment", support::kControlTypeLibId, "1.0"}))) {
            return SELFREG_E_CLASS;
        }
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

TREVO_EXPORT HRESULT TrevoUnregisterServer() {
    try {
        if (FAILED(UnregisterComTypeLib(support::kControlTypeLibId, "1.0"))) {
            return SELFREG_E_TYPELIB;
        }
        if (FAILED(UnregisterComClass(support::kPrinterControlClassId,
                                      support::kPrinterControlProgId))) {
            return SELFREG_E_CLASS;
        }
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

TREVO_EXPORT support::TestPrinterHost* TrevoTestPrinterHostOf(IDispatch* control) {
    std::lock_guard<std::mutex> lock(testcontrol::Live().mutex);
    for (testcontrol::PrinterControl* live : testcontrol::Live().controls) {
        if (static_cast<IDispatch*>(live) == control) return live;
    }
    return nullptr;
}
}
