#include "platform/ComRegistry.h"

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"

namespace platform {

namespace {

thread_local std::string t_lastError;

HRESULT Fail(HRESULT hr, std::string text) {
    t_lastError = std::move(text);
    return hr;
}

HRESULT Succeed(HRESULT hr = S_OK) {
    t_lastError.clear();
    return hr;
}

std::string ClassKey(const Guid& classId) {
    return "CLSID\\" + classId.ToString();
}

// Creates `path` below HKEY_CLASSES_ROOT and sets one string value ("" = the default).
LONG WriteString(const std::string& path, const char* name, std::string_view value) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                       static_cast<DWORD>(value.size()));
    RegCloseKey(key);
    return rc;
}

// A string value below HKEY_CLASSES_ROOT, without the terminating zeros a writer may have
// stored; ERROR_FILE_NOT_FOUND when the key or value is missing.
LONG ReadString(const std::string& path, const char* name, std::string& out) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD type = 0;
    DWORD size = 0;
    rc = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
    std::string value(size, '\0');
    if (rc == ERROR_SUCCESS && size) {
        rc = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                             &size);
        value.resize(size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_FILE_NOT_FOUND;
    while (!value.empty() && value.back() == '\0') value.pop_back();
    out = std::move(value);
    return ERROR_SUCCESS;
}

// Deletes `path` below HKEY_CLASSES_ROOT with everything under it; missing is fine.
LONG DeleteTree(const std::string& path) {
    // Keys are deleted deepest first; the walk is bounded by the number of keys it removes.
    for (int guard = 0; guard < 100000; ++guard) {
        HKEY key = nullptr;
        LONG rc = RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key);
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        std::array<char, 512> name{};
        DWORD length = static_cast<DWORD>(name.size());
        rc = RegEnumKeyEx(key, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        if (rc == ERROR_NO_MORE_ITEMS) {
            rc = RegDeleteKey(HKEY_CLASSES_ROOT, path.c_str());
            return rc == ERROR_FILE_NOT_FOUND ? LONG{ERROR_SUCCESS} : rc;
        }
        if (rc != ERROR_SUCCESS) return rc;
        rc = DeleteTree(path + "\\" + std::string(name.data(), length));
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_INVALID_FUNCTION;
}

bool HasSubkeys(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    std::array<char, 512> name{};
    DWORD length = static_cast<DWORD>(name.size());
    const LONG rc = RegEnumKeyEx(key, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
}

HRESULT StoreFailure(LONG rc, const std::string& what) {
    return Fail(HRESULT_FROM_WIN32(static_cast<DWORD>(rc)),
                what + ": " + FormatErrorCode(static_cast<DWORD>(rc)));
}

// ---- loaded modules ----

struct LoadedModule {
    DynamicLibrary library;
    GetClassObjectFunction getClassObject = nullptr;
    ModuleFunction canUnloadNow = nullptr;
    ModuleFunction registerServer = nullptr;
    ModuleFunction unregisterServer = nullptr;
    int callsInProgress = 0;  // a module is not closed while one of its entry points runs
};

struct ModuleTable {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<LoadedModule>> modules;
};

// Never destroyed: modules stay mapped until the process ends, after every static that may
// still hold one of their objects.
ModuleTable& Modules() {
    static ModuleTable* table = new ModuleTable;
    return *table;
}

template <typename F>
F OptionalSymbol(DynamicLibrary& library, const char* name) {
    F function = nullptr;
    const SymbolBinding binding = BindSymbol(name, function);
    (void)library.Bind(std::span(&binding, 1));
    return function;
}

// The loaded module for `path`, loading it on first use, with one call counted as in
// progress (release with EndCall). Null with the last error text set on failure.
LoadedModule* BeginCall(const std::filesystem::path& path, HRESULT& hr) {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    const std::string name = (ec ? path : canonical).string();
    ModuleTable& table = Modules();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.modules.find(name);
    if (it == table.modules.end()) {
        auto module = std::make_unique<LoadedModule>();
        if (!module->library.Open(name)) {
            hr = Fail(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND),
                      "cannot load module " + name + ": " + module->library.error());
            return nullptr;
        }
        module->getClassObject =
            OptionalSymbol<GetClassObjectFunction>(module->library, kGetClassObjectSymbol);
        module->canUnloadNow = OptionalSymbol<ModuleFunction>(module->library, kCanUnloadNowSymbol);
        module->registerServer =
            OptionalSymbol<ModuleFunction>(module->library, kRegisterServerSymbol);
        module->unregisterServer =
            OptionalSymbol<ModuleFunction>(module->library, kUnregisterServerSymbol);
        it = table.modules.emplace(name, std::move(module)).first;
    }
    ++it->second->callsInProgress;
    return it->second.get();
}

void EndCall(LoadedModule* module) {
    std::lock_guard<std::mutex> lock(Modules().mutex);
    --module->callsInProgress;
}

HRESULT CallServerFunction(const std::filesystem::path& path, bool registering) {
    HRESULT hr = S_OK;
    LoadedModule* module = BeginCall(path, hr);
    if (!module) return hr;
    const ModuleFunction function = registering ? module->registerServer : module->unregisterServer;
    if (!function) {
        EndCall(module);
        return Fail(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND),
                    path.string() + " has no " +
                        (registering ? kRegisterServerSymbol : kUnregisterServerSymbol));
    }
    hr = function();
    EndCall(module);
    if (FAILED(hr)) {
        char text[96];
        std::snprintf(text, sizeof text, "self-registration failed with 0x%08X",
                      static_cast<unsigned>(hr));
        return Fail(hr, path.string() + ": " + text);
    }
    return Succeed(hr);
}

}  // namespace

HRESULT RegisterComClass(const ClassRegistration& r) {
    const std::string key = ClassKey(r.classId);
    const std::string id = r.classId.ToString();
    struct Entry {
        std::string path;
        const char* name;
        std::string value;
    };
    std::vector<Entry> entries = {
        {key, "", r.typeName},
        {key + "\\InprocServer32", "", r.module.string()},
        {key + "\\InprocServer32", "ThreadingModel", r.threadingModel},
        {key + "\\Version", "", r.version},
    };
    if (!r.progId.empty()) {
        entries.push_back({key + "\\ProgID", "", r.progId});
        entries.push_back({r.progId, "", r.typeName});
        entries.push_back({r.progId + "\\CLSID", "", id});
    }
    if (!r.typeLibId.IsNull()) entries.push_back({key + "\\TypeLib", "", r.typeLibId.ToString()});
    if (r.control) entries.push_back({key + "\\Control", "", ""});
    if (r.insertable) {
        entries.push_back({key + "\\Insertable", "", ""});
        if (!r.progId.empty()) entries.push_back({r.progId + "\\Insertable", "", ""});
    }
    if (r.miscStatus) {
        entries.push_back({key + "\\MiscStatus", "", "0"});
        entries.push_back({key + "\\MiscStatus\\1", "", std::to_string(*r.miscStatus)});
    }
    if (r.toolboxBitmap > 0) {
        entries.push_back({key + "\\ToolboxBitmap32", "",
                           r.module.string() + ", " + std::to_string(r.toolboxBitmap)});
    }
    for (const Entry& e : entries) {
        const LONG rc = WriteString(e.path, e.name, e.value);
        if (rc != ERROR_SUCCESS) return StoreFailure(rc, "cannot write " + e.path);
    }
    return Succeed();
}

HRESULT UnregisterComClass(const Guid& classId, const std::string& progId) {
    const std::string key = ClassKey(classId);
    if (!progId.empty()) {
        std::string owner;
        const LONG rc = ReadString(progId + "\\CLSID", "", owner);
        const std::optional<Guid> named = Guid::Parse(owner);
        if (rc == ERROR_SUCCESS && named && *named == classId) {
            const LONG deleted = DeleteTree(progId);
            if (deleted != ERROR_SUCCESS) return StoreFailure(deleted, "cannot remove " + progId);
        }
    }
    const LONG rc = DeleteTree(key);
    if (rc != ERROR_SUCCESS) return StoreFailure(rc, "cannot remove " + key);
    return Succeed();
}

HRESULT RegisterComTypeLib(const TypeLibRegistration& r) {
    const std::string key = "TypeLib\\" + r.libId.ToString() + "\\" + r.version;
    char locale[16];
    std::snprintf(locale, sizeof locale, "%x", static_cast<unsigned>(r.locale));
    const std::pair<std::string, std::string> entries[] = {
        {key, r.helpString},
        {key + "\\" + locale + "\\linux", r.module.string()},
        {key + "\\FLAGS", "0"},
    };
    for (const auto& [path, value] : entries) {
        const LONG rc = WriteString(path, "", value);
        if (rc != ERROR_SUCCESS) return StoreFailure(rc, "cannot write " + path);
    }
    return Succeed();
}

HRESULT UnregisterComTypeLib(const Guid& libId, const std::string& version) {
    const std::string library = "TypeLib\\" + libId.ToString();
    LONG rc = DeleteTree(library + "\\" + version);
    if (rc == ERROR_SUCCESS && !HasSubkeys(library)) rc = DeleteTree(library);
    if (rc != ERROR_SUCCESS) return StoreFailure(rc, "cannot remove " + library);
    return Succeed();
}

HRESULT ModulePathOfClass(const Guid& classId, std::filesystem::path* module) {
    if (!module) return Fail(E_POINTER, "no place for the module path");
    std::string stored;
    const LONG rc = ReadString(ClassKey(classId) + "\\InprocServer32", "", stored);
    if (rc != ERROR_SUCCESS || stored.empty()) {
        return Fail(REGDB_E_CLASSNOTREG, "class " + classId.ToString() + " is not registered");
    }
    *module = stored.front() == '/' ? std::filesystem::path(stored) : MapLibraryName(stored);
    return Succeed();
}

HRESULT CreateInstanceByClassId(const Guid& classId, std::shared_ptr<IDispatch>* object) {
    if (!object) return Fail(E_POINTER, "no place for the object");
    std::filesystem::path path;
    HRESULT hr = ModulePathOfClass(classId, &path);
    if (FAILED(hr)) return hr;
    LoadedModule* module = BeginCall(path, hr);
    if (!module) return hr;
    if (!module->getClassObject) {
        EndCall(module);
        return Fail(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND),
                    path.string() + " has no " + kGetClassObjectSymbol);
    }
    IClassFactory* factory = nullptr;
    hr = module->getClassObject(&classId, &factory);
    std::shared_ptr<IDispatch> created;
    if (SUCCEEDED(hr) && factory) hr = factory->CreateInstance(&created);
    EndCall(module);
    if (SUCCEEDED(hr) && !created) hr = E_UNEXPECTED;
    if (FAILED(hr)) {
        char text[128];
        std::snprintf(text, sizeof text, "the module refused class %s with 0x%08X",
                      classId.ToString().c_str(), static_cast<unsigned>(hr));
        return Fail(hr, path.string() + ": " + text);
    }
    *object = std::move(created);
    return Succeed();
}

HRESULT RegisterServer(const std::filesystem::path& module) {
    return CallServerFunction(module, true);
}

HRESULT UnregisterServer(const std::filesystem::path& module) {
    return CallServerFunction(module, false);
}

std::size_t FreeUnusedModules() {
    ModuleTable& table = Modules();
    std::lock_guard<std::mutex> lock(table.mutex);
    std::size_t closed = 0;
    for (auto it = table.modules.begin(); it != table.modules.end();) {
        LoadedModule& module = *it->second;
        if (module.callsInProgress == 0 && module.canUnloadNow && module.canUnloadNow() == S_OK) {
            it = table.modules.erase(it);
            ++closed;
        } else {
            ++it;
        }
    }
    return closed;
}

std::filesystem::path ModuleFileOf(const void* address) {
    Dl_info info{};
    if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname) return {};
    std::error_code ec;
    std::filesystem::path file = std::filesystem::weakly_canonical(info.dli_fname, ec);
    return ec ? std::filesystem::path(info.dli_fname) : file;
}

std::string ComLastErrorText() {
    return t_lastError;
}

}  // namespace platform
