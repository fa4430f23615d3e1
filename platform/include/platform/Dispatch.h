// The dispatch interface of an automation object: every method and property is reached by
// its dispatch id. Objects are shared (std::shared_ptr); the module that made one stays
// loaded while any of its objects lives (platform/ComRegistry.h).
#pragma once

#include <cstdint>
#include <span>

#include "platform/HResult.h"
#include "platform/Variant.h"

namespace platform {

using DISPID = std::int32_t;

class IConnectionPoint;

enum class DispatchKind : std::uint16_t {
    Method = 1,       // DISPATCH_METHOD
    PropertyGet = 2,  // DISPATCH_PROPERTYGET
    PropertyPut = 4,  // DISPATCH_PROPERTYPUT
};

class IDispatch {
public:
    virtual ~IDispatch() = default;

    // Calls member `id`. `args` are in the order of the member's declaration (first argument
    // first); an out argument is a reference (Variant::ByRef) to the caller's value. A put
    // passes the new value as the one argument. `result` (may be null) receives the return
    // value; it is left empty by a member that returns nothing. Results: S_OK,
    // DISP_E_MEMBERNOTFOUND (no such member, or not of that kind), DISP_E_BADPARAMCOUNT,
    // DISP_E_TYPEMISMATCH / DISP_E_OVERFLOW (an argument that cannot be coerced), or the
    // member's own failure. Runs on the calling thread; whether an object may be called from
    // more threads than the one that created it is that object's own contract.
    [[nodiscard]] virtual HRESULT Invoke(DISPID id, DispatchKind kind,
                                         std::span<const Variant> args, Variant* result) = 0;

    // The object's source of events, alive as long as the object; null when it fires none.
    [[nodiscard]] virtual IConnectionPoint* EventSource() noexcept { return nullptr; }
};

}  // namespace platform
