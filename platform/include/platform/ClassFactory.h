// How a loadable module hands out its automation objects: one exported entry point gives the
// factory of a class id; the factory makes the objects.
//
// A module exports, with C linkage and TREVO_EXPORT:
//   HRESULT TrevoGetClassObject(const platform::Guid* classId, platform::IClassFactory** out)
//       the module's factory for the class (it lives as long as the module is loaded), or
//       CLASS_E_CLASSNOTAVAILABLE;
//   HRESULT TrevoCanUnloadNow()            S_OK when none of its objects lives, else S_FALSE
//   HRESULT TrevoRegisterServer()          writes its classes into the store (ComRegistry.h)
//   HRESULT TrevoUnregisterServer()        removes them
// Only the first is required for creation; self-registration needs the other two. Nothing
// may throw across these entry points.
#pragma once

#include <memory>

#include "platform/Dispatch.h"
#include "platform/Guid.h"
#include "platform/HResult.h"

namespace platform {

class IClassFactory {
public:
    // A new object, or the reason none was made.
    [[nodiscard]] virtual HRESULT CreateInstance(std::shared_ptr<IDispatch>* object) = 0;

protected:
    virtual ~IClassFactory() = default;  // owned by its module
};

using GetClassObjectFunction = HRESULT (*)(const Guid* classId, IClassFactory** factory);
using ModuleFunction = HRESULT (*)();

inline constexpr char kGetClassObjectSymbol[] = "TrevoGetClassObject";
inline constexpr char kCanUnloadNowSymbol[] = "TrevoCanUnloadNow";
inline constexpr char kRegisterServerSymbol[] = "TrevoRegisterServer";
inline constexpr char kUnregisterServerSymbol[] = "TrevoUnregisterServer";

}  // namespace platform
