// Registration of automation classes in the configuration store and creation of objects by
// class id.
//
// A class is kept under HKEY_CLASSES_ROOT as:
//   CLSID\{class id}                  @ = type name
//     InprocServer32                  @ = module path, "ThreadingModel" = threading model
//     ProgID                          @ = ProgID
//     TypeLib                         @ = {library id}
//     Version                         @ = version
//     Control, Insertable             (empty keys, when asked for)
//     MiscStatus                      @ = "0"
//       1                             @ = misc status, decimal (when asked for)
//     ToolboxBitmap32                 @ = "<module path>, <n>" (when asked for)
//   <ProgID>                          @ = type name
//     CLSID                           @ = {class id}
//     Insertable                      (when asked for)
// and a type library as:
//   TypeLib\{library id}\<version>    @ = help string
//     <locale, hex>\linux             @ = module path
//     FLAGS                           @ = "0"
// Class and library ids are written in capitals.
//
// Creation looks the module up in the store, loads it once per process (platform::
// DynamicLibrary) and keeps it loaded: a module is closed only by FreeUnusedModules, when it
// says none of its objects lives, or at process end. Safe to call from any thread.
//
// Lock order: the table of loaded modules, then the configuration store's. A module's own
// entry points and its objects run with no lock of this file held, except the unload query.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/ClassFactory.h"
#include "platform/Dispatch.h"
#include "platform/Guid.h"
#include "platform/HResult.h"

namespace platform {

// Every member has a default, so that a registration names only what it needs.
struct ClassRegistration {
    Guid classId{};
    std::string progId{};  // none written when empty
    std::string typeName{};
    std::filesystem::path module{};
    std::string threadingModel = "Apartment";
    Guid typeLibId{};  // none written when null
    std::string version = "1.0";
    bool control = false;     // a control a container may host
    bool insertable = false;  // may be inserted into a document
    std::optional<DWORD> miscStatus{};
    int toolboxBitmap = 0;  // resource number of its toolbox bitmap; none when 0
};

struct TypeLibRegistration {
    Guid libId{};
    std::string version = "1.0";
    DWORD locale = 0;
    std::string helpString{};
    std::filesystem::path module{};
};

// Writes the keys above. A store failure gives HRESULT_FROM_WIN32 of its error.
[[nodiscard]] HRESULT RegisterComClass(const ClassRegistration& registration);
// Removes the class's key and its ProgID's key (a ProgID key that names another class id is
// left alone). S_OK also when they were not there.
[[nodiscard]] HRESULT UnregisterComClass(const Guid& classId, const std::string& progId);
[[nodiscard]] HRESULT RegisterComTypeLib(const TypeLibRegistration& registration);
// Removes TypeLib\{library id}\<version>, and the library's key when no version is left.
[[nodiscard]] HRESULT UnregisterComTypeLib(const Guid& libId, const std::string& version);

// The module path of a registered class (InprocServer32). REGDB_E_CLASSNOTREG when the class
// or its module value is missing. A stored name that is not an absolute path is taken as a
// library name in the plug-in folder (MapLibraryName).
[[nodiscard]] HRESULT ModulePathOfClass(const Guid& classId, std::filesystem::path* module);

// A new object of a registered class. Failures: REGDB_E_CLASSNOTREG (class not in the store),
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) (module missing or not loadable),
// HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) (no TrevoGetClassObject), the module's own code
// when it refuses the class (CLASS_E_CLASSNOTAVAILABLE) or the object, E_POINTER for a null
// `object`. ComLastErrorText() tells more about the last failure on this thread.
[[nodiscard]] HRESULT CreateInstanceByClassId(const Guid& classId,
                                              std::shared_ptr<IDispatch>* object);

// Loads the module (kept loaded as above) and calls its TrevoRegisterServer or
// TrevoUnregisterServer; the module's result, or the load failures of CreateInstanceByClassId.
[[nodiscard]] HRESULT RegisterServer(const std::filesystem::path& module);
[[nodiscard]] HRESULT UnregisterServer(const std::filesystem::path& module);

// Closes every loaded module whose TrevoCanUnloadNow gives S_OK (modules without it stay).
// Returns how many were closed.
std::size_t FreeUnusedModules();

// The file of the loaded module that holds `address` (a module's own function), for its
// self-registration; empty when unknown.
[[nodiscard]] std::filesystem::path ModuleFileOf(const void* address);

// What went wrong in the last failed call above on this thread ("" after a success).
[[nodiscard]] std::string ComLastErrorText();

}  // namespace platform
