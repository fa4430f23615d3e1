// Modules loaded at run time: providers, the host driver, the status relay. A module is
// opened with every symbol resolved at once and kept to itself (RTLD_NOW | RTLD_LOCAL); its
// entry points are bound all together or not at all; it is closed only on request or when
// the object goes, so a caller closes it after the module's own terminate call has joined
// the module's threads.
#pragma once

#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// One entry point to bind: its exported name and where its address goes.
struct SymbolBinding {
    const char* name;
    void* target;
    void (*assign)(void* target, void* address);
};

// BindSymbol("DLLInit", m_dllInit) with `int (*m_dllInit)(...)`.
template <typename F>
SymbolBinding BindSymbol(const char* name, F*& function) {
    return {name, &function, [](void* target, void* address) {
                F* f = nullptr;
                static_assert(sizeof f == sizeof address);
                std::memcpy(&f, &address, sizeof f);
                *static_cast<F**>(target) = f;
            }};
}

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Opens the module at `path` (a module already open here is closed first). On failure:
    // false, the last error ERROR_MOD_NOT_FOUND and error() says why. With `keepMapped` the
    // module stays in the process after its last Close, its state kept for the next Open:
    // for outside libraries whose process-wide set-up is not made to be undone.
    [[nodiscard]] bool Open(const std::filesystem::path& path, bool keepMapped = false);
    bool IsOpen() const noexcept { return m_handle != nullptr; }
    void Close() noexcept;

    // The address of one exported symbol, or null (ERROR_PROC_NOT_FOUND, error() names it).
    void* Symbol(const char* name);
    // Binds every entry, or none: when one symbol is missing no target is changed, the
    // last error is ERROR_PROC_NOT_FOUND and error() names that symbol.
    [[nodiscard]] bool Bind(std::span<const SymbolBinding> bindings);

    const std::filesystem::path& path() const noexcept { return m_path; }
    // The text of the last failure of this object ("" after a success).
    const std::string& error() const noexcept { return m_error; }

private:
    void* m_handle = nullptr;
    std::filesystem::path m_path;
    std::string m_error;
};

// The folder of the loadable modules: TREVO_PLUGIN_DIR when set, else ../lib/trevo beside
// the running program.
std::filesystem::path PluginDirectory();

// The module file for a Windows library name found in the configuration: "QUILDRV.DLL",
// "C:\X\QUILDRV.dll" -> <plug-in folder>/QUILDRV.so (folder and ".DLL" dropped, the name's
// case kept). Empty (ERROR_INVALID_NAME) for a name without a file name.
std::filesystem::path MapLibraryName(std::string_view windowsName);

}  // namespace platform
