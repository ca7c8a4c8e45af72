// Windows backend of platform/registry.h: the Win32 registry through its ANSI functions.
#include <new>
#include <string>

#include "platform/registry.h"

namespace platform {
namespace {

// Runs call(path as a C string); the copy is the only thing here that can fail to allocate.
template <class F>
LONG WithPath(std::string_view path, F&& call) noexcept {
    try {
        const std::string p(path);
        return call(p.c_str());
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

}  // namespace

RegBatch::RegBatch() noexcept = default;
RegBatch::~RegBatch() = default;
LONG RegBatch::Commit() noexcept { return ERROR_SUCCESS; }

RegKey::~RegKey() {
    if (key_) RegCloseKey(key_);
}

void RegKey::swap(RegKey& other) noexcept { std::swap(key_, other.key_); }

RegKey::operator bool() const noexcept { return key_ != nullptr; }

LONG RegKey::Open(HKEY root, std::string_view path, RegAccess access) noexcept {
    *this = RegKey();
    const REGSAM rights = access == RegAccess::Write ? KEY_READ | KEY_WRITE : KEY_READ;
    return WithPath(path, [&](const char* p) { return RegOpenKeyExA(root, p, 0, rights, &key_); });
}

LONG RegKey::Create(HKEY root, std::string_view path) noexcept {
    *this = RegKey();
    return WithPath(path, [&](const char* p) {
        return RegCreateKeyExA(root, p, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    });
}

LONG RegKey::SetString(const char* name, std::string_view bytes) noexcept {
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
}

LONG RegKey::SetDword(const char* name, DWORD value) noexcept {
    return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RegKey::Query(const char* name, DWORD* type, void* data, DWORD* bytes) const noexcept {
    return RegQueryValueExA(key_, name, nullptr, type, static_cast<BYTE*>(data), bytes);
}

LONG DeleteKeyTree(HKEY root, std::string_view path) noexcept {
    if (path.empty()) return ERROR_INVALID_PARAMETER;  // never a whole root
    return WithPath(path, [&](const char* p) { return RegDeleteTreeA(root, p); });
}

}  // namespace platform
