#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Win32Error.h"

namespace platform {

namespace {

// dlerror() keeps its text per thread, so it belongs to the call just made.
std::string TakeDlError(const char* fallback) {
    const char* text = ::dlerror();
    return text ? std::string(text) : std::string(fallback);
}

bool EndsWithDll(std::string_view name) {
    if (name.size() < 4) return false;
    const std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] == 'D' || ext[1] == 'd') && (ext[2] == 'L' || ext[2] == 'l') &&
           (ext[3] == 'L' || ext[3] == 'l');
}

}  // namespace

DynamicLibrary::~DynamicLibrary() {
    Close();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
    }
    return *this;
}

bool DynamicLibrary::Open(const std::filesystem::path& path, bool keepMapped) {
    Close();
    m_path = path;
    (void)::dlerror();
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (keepMapped ? RTLD_NODELETE : 0));
    if (m_handle == nullptr) {
        m_error = "cannot load module " + path.string() + ": " + TakeDlError("unknown error");
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    m_error.clear();
    return true;
}

void DynamicLibrary::Close() noexcept {
    if (m_handle != nullptr) {
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
}

void* DynamicLibrary::Symbol(const char* name) {
    if (m_handle == nullptr || name == nullptr) {
        m_error = "no module is loaded";
        SetLastError(m_handle == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    (void)::dlerror();
    void* address = ::dlsym(m_handle, name);
    if (address == nullptr) {
        m_error = "module " + m_path.string() + " has no entry point \"" + name + "\"";
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    m_error.clear();
    return address;
}

bool DynamicLibrary::Bind(std::span<const SymbolBinding> bindings) {
    std::vector<void*> addresses;
    addresses.reserve(bindings.size());
    for (const SymbolBinding& binding : bindings) {
        void* address = Symbol(binding.name);
        if (address == nullptr) return false;
        addresses.push_back(address);
    }
    for (std::size_t i = 0; i < bindings.size(); ++i)
        bindings[i].assign(bindings[i].target, addresses[i]);
    return true;
}

std::filesystem::path PluginDirectory() {
    if (const char* dir = std::getenv("TREVO_PLUGIN_DIR"); dir && *dir) return dir;
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::path("../lib/trevo");
    return (program.parent_path() / ".." / "lib" / "trevo").lexically_normal();
}

std::filesystem::path MapLibraryName(std::string_view windowsName) {
    const std::size_t slash = windowsName.find_last_of("\\/:");
    std::string_view name =
        slash == std::string_view::npos ? windowsName : windowsName.substr(slash + 1);
    if (EndsWithDll(name)) name.remove_suffix(4);
    if (name.empty() || name == "." || name == "..") {
        SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    return PluginDirectory() / (std::string(name) + ".so");
}

}  // namespace platform
