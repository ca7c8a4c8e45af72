#pragma once
// Modules: the module that holds a piece of code, its file path, and loading a library to look
// up an exported symbol (dlopen/dladdr on Linux, LoadLibrary/GetModuleFileName on Windows).
#include <string>
#include <utility>

#include "platform/com.h"

namespace platform {

// The module (shared library or program) whose image contains `address`; null if none.
HMODULE ModuleOf(const void* address) noexcept;
// The module's file path; empty when it cannot be found.
std::string ModulePath(HMODULE module);
// Why the last module call failed: Windows' last error; Linux, which keeps no such code,
// reports ERROR_MOD_NOT_FOUND (126).
DWORD LastModuleError() noexcept;
// The folder of a path, without the trailing separator ("" for a bare file name).
std::string FolderOf(const std::string& path);
// `name` inside `folder`, joined with the system's separator (`name` alone when `folder` is "").
std::string JoinPath(const std::string& folder, const std::string& name);

// File name suffix of a loadable library.
#ifdef _WIN32
inline constexpr const char* kLibrarySuffix = ".dll";
#else
inline constexpr const char* kLibrarySuffix = ".so";
#endif

// An opened library; closed when the object goes.
class Library {
public:
    Library() noexcept = default;
    // An empty Library when the file cannot be loaded; LastError() then says why.
    static Library Open(const std::string& path) noexcept;
    static std::string LastError();

    Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Library& operator=(Library&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    explicit operator bool() const noexcept { return handle_ != nullptr; }
    HMODULE Handle() const noexcept { return handle_; }
    // The exported symbol's address, or null.
    void* Symbol(const char* name) const noexcept;

private:
    explicit Library(HMODULE handle) noexcept : handle_(handle) {}
    HMODULE handle_ = nullptr;
};

}  // namespace platform

// Defines a shared library's load and unload hooks, once per library: attach(its own module
// handle) runs when a process loads it, detach() when the process unloads it. Windows gets no
// thread notifications.
#ifdef _WIN32
#define VELVANE_MODULE_HOOKS(attach, detach)                                   \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) { \
        if (reason == DLL_PROCESS_ATTACH) {                                    \
            DisableThreadLibraryCalls(instance);                               \
            attach(instance);                                                  \
        } else if (reason == DLL_PROCESS_DETACH) {                             \
            detach();                                                          \
        }                                                                      \
        return TRUE;                                                           \
    }
#else
#define VELVANE_MODULE_HOOKS(attach, detach)                                             \
    namespace {                                                                          \
    __attribute__((constructor)) void VelvaneModuleLoaded() {                            \
        attach(platform::ModuleOf(reinterpret_cast<const void*>(&VelvaneModuleLoaded))); \
    }                                                                                    \
    __attribute__((destructor)) void VelvaneModuleUnloaded() { detach(); }               \
    }
#endif
