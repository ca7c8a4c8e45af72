#include "platform/module.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace platform {

#ifdef _WIN32

HMODULE ModuleOf(const void* address) noexcept {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return nullptr;
    return module;
}

std::string ModulePath(HMODULE module) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

DWORD LastModuleError() noexcept { return GetLastError(); }

Library Library::Open(const std::string& path) noexcept { return Library(LoadLibraryA(path.c_str())); }

std::string Library::LastError() { return "error " + std::to_string(GetLastError()); }

Library::~Library() {
    if (handle_) FreeLibrary(handle_);
}

void* Library::Symbol(const char* name) const noexcept {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(handle_, name)) : nullptr;
}

#else

HMODULE ModuleOf(const void* address) noexcept {
    Dl_info info{};
    return dladdr(address, &info) ? info.dli_fbase : nullptr;
}

std::string ModulePath(HMODULE module) {
    Dl_info info{};
    if (!module || !dladdr(module, &info) || !info.dli_fname) return {};
    return info.dli_fname;
}

DWORD LastModuleError() noexcept { return 126; }

Library Library::Open(const std::string& path) noexcept { return Library(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)); }

std::string Library::LastError() {
    const char* e = dlerror();
    return e ? e : "unknown error";
}

Library::~Library() {
    if (handle_) dlclose(handle_);
}

void* Library::Symbol(const char* name) const noexcept { return handle_ ? dlsym(handle_, name) : nullptr; }

#endif

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    constexpr char kSeparator = '\\';
#else
    constexpr char kSeparator = '/';
#endif
    return folder.empty() ? name : folder + kSeparator + name;
}

}  // namespace platform
