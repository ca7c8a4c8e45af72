#pragma once
// The registry: keys under HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE holding named REG_SZ and
// REG_DWORD values. Windows uses the Win32 registry. Linux keeps a REGEDIT4-like text file,
// named by VELVANE_REGISTRY or else $XDG_CONFIG_HOME/velvane/registry.reg (~/.config when
// XDG_CONFIG_HOME is unset); every change rewrites it atomically (temporary file, then rename)
// under an advisory lock, so concurrent writers lose nothing. A missing or empty file is an empty
// registry; a corrupt or truncated one fails every call with ERROR_BADDB and is never rewritten.
//
// Statuses are Win32 error codes on both targets (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND,
// ERROR_MORE_DATA ...). Text is in the ANSI code page and is stored byte for byte: include the
// terminating NUL in the data to store one (Windows also stores a NUL that directly follows the
// data in memory, as NT always has). A null or empty value name is the key's default value.
#include <string>
#include <string_view>
#include <utility>

#include "platform/com.h"

#ifndef _WIN32
struct HKEY__;
using HKEY = HKEY__*;
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_PATH_NOT_FOUND = 3;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_BADDB = 1009;
constexpr LONG ERROR_CANTREAD = 1012;
constexpr LONG ERROR_CANTWRITE = 1013;
constexpr LONG ERROR_KEY_DELETED = 1018;
#endif

namespace platform {

enum class RegAccess { Read, Write };

// One open key; closed when the object goes.
class RegKey {
public:
    RegKey() noexcept = default;
    RegKey(RegKey&& other) noexcept { swap(other); }
    RegKey& operator=(RegKey&& other) noexcept {
        RegKey gone(std::move(other));
        swap(gone);
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey();

    // Opens root\path, which must exist. `path` is backslash-separated, without the root.
    LONG Open(HKEY root, std::string_view path, RegAccess access) noexcept;
    // Opens root\path for writing, creating it and any missing parent first.
    LONG Create(HKEY root, std::string_view path) noexcept;
    explicit operator bool() const noexcept;

    // REG_SZ holding exactly `bytes`.
    LONG SetString(const char* name, std::string_view bytes) noexcept;
    LONG SetDword(const char* name, DWORD value) noexcept;
    // Copies the value into data (which may be null to ask only for the size). On entry *bytes
    // is the room in data; on return it is the value's size. ERROR_MORE_DATA when it does not
    // fit (nothing is copied then). `type` may be null.
    LONG Query(const char* name, DWORD* type, void* data, DWORD* bytes) const noexcept;

private:
    void swap(RegKey& other) noexcept;
#ifdef _WIN32
    HKEY key_ = nullptr;
#else
    HKEY root_ = nullptr;
    std::string path_;
    bool writable_ = false;
#endif
};

// Gathers the registry changes this thread makes until Commit (or destruction) into one update:
// on Linux one locked rewrite of the file, which other processes see whole, instead of one per
// change; the Win32 registry needs none. A batch opened inside another joins it.
class RegBatch {
public:
    RegBatch() noexcept;
    ~RegBatch();
    RegBatch(const RegBatch&) = delete;
    RegBatch& operator=(const RegBatch&) = delete;
    // Writes the changes out: ERROR_SUCCESS, or the first failure of the batch or of the write.
    LONG Commit() noexcept;

private:
    void* state_ = nullptr;
};

// Deletes root\path with every subkey and value below it; ERROR_FILE_NOT_FOUND when it is missing.
LONG DeleteKeyTree(HKEY root, std::string_view path) noexcept;

}  // namespace platform
