// A small module that carries its own hidden copy of the toolkit, for the test that shows
// that every module keeps its own toolkit statics.
#include <cstddef>

#include "Heap.h"
#include "platform/Export.h"
#include "toolkit/Toolkit.h"

namespace {
void* NoBlock(std::size_t) {
    return nullptr;
}
}  // namespace

// The address of this copy's static empty text.
extern "C" TREVO_EXPORT const void* ToolkitProbeEmptyText() {
    return UTKString::CString().c_str();
}

// A draw from this copy's random generator.
extern "C" TREVO_EXPORT int ToolkitProbeRandom() {
    return UTKTools::CRandom::Get();
}

// Makes every allocation of this copy's heap fail (1) or work again (0).
extern "C" TREVO_EXPORT void ToolkitProbeFailAllocations(int fail) {
    (void)UTKTools::detail::SetHeapAllocator(fail != 0 ? &NoBlock : nullptr);
}

// Whether a string of this copy can hold a text right now.
extern "C" TREVO_EXPORT int ToolkitProbeHoldsText() {
    const UTKString::CString text("abc");
    return text.length() == 3 ? 1 : 0;
}
