// A small module that carries its own hidden copy of the toolkit, for the test that shows
// that every module keeps its own toolkit statics.
#include "platform/Export.h"
#include "toolkit/Toolkit.h"

// The address of this copy's static empty text.
extern "C" TREVO_EXPORT const void* ToolkitProbeEmptyText() {
    return UTKString::CString().c_str();
}

// A draw from this copy's random generator.
extern "C" TREVO_EXPORT int ToolkitProbeRandom() {
    return UTKTools::CRandom::Get();
}
