#include "plugin/shell/registration.h"

#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/comptr.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "plugin/shell/component_table.h"
#include "plugin/shell/exports.h"
#include "plugin/shell/server.h"

using platform::RegAccess;
using platform::RegKey;

namespace {

constexpr DWORD kMerit = 0x00200000;
constexpr std::string_view kAudioType = "{73647561-0000-0010-8000-00AA00389B71}";   // MEDIATYPE_Audio
constexpr std::string_view kAnySubtype = "{00000000-0000-0000-0000-000000000000}";  // GUID_NULL
// Longest words AdditionalInfoRegister takes: value name, value text, component pattern.
constexpr size_t kMaxInfoName = 19, kMaxInfoText = 19, kMaxInfoPattern = 7;
constexpr size_t kInfoValueBytes = 20;

// Under HKEY_LOCAL_MACHINE: where soft-synth hosts list the components they may load.
std::string SoftSynthKeyPath(REFCLSID clsid) {
    return "Software\\Classes\\MfxSoftSynths\\" + platform::GuidToString(clsid);
}

std::string WithNul(std::string_view text) { return std::string(text) + '\0'; }

HRESULT FromStatus(LONG status) { return HRESULT_FROM_WIN32(static_cast<DWORD>(status)); }

// Runs every step and keeps the first failure.
class FirstFailure {
public:
    void operator()(LONG status) noexcept {
        if (status_ == ERROR_SUCCESS) status_ = status;
    }
    LONG status() const noexcept { return status_; }

private:
    LONG status_ = ERROR_SUCCESS;
};

// A key created and filled in one go; the first failure stops it.
LONG CreateWithValues(const std::string& path, std::initializer_list<std::pair<const char*, std::string>> strings,
                      std::initializer_list<std::pair<const char*, DWORD>> words = {}) {
    RegKey key;
    if (LONG e = key.Create(HKEY_CLASSES_ROOT, path)) return e;
    for (const auto& [name, data] : strings)
        if (LONG e = key.SetString(name, data)) return e;
    for (const auto& [name, value] : words)
        if (LONG e = key.SetDword(name, value)) return e;
    return ERROR_SUCCESS;
}

LONG RegisterServerRow(const ComponentRow& row, const std::string& libraryPath) {
    const std::string key = ClsidKeyPath(row.clsid);
    if (LONG e = CreateWithValues(key, {{nullptr, WithNul(platform::AnsiFromWide(row.name))}})) return e;
    return CreateWithValues(key + "\\InprocServer32",
                            {{nullptr, WithNul(libraryPath)}, {"ThreadingModel", WithNul("Both")}});
}

LONG RegisterMeritAndPins(const ComponentRow& row) {
    const std::string key = ClsidKeyPath(row.clsid);
    RegKey server;
    if (LONG e = server.Open(HKEY_CLASSES_ROOT, key, RegAccess::Write)) return e;
    if (LONG e = server.SetDword("Merit", kMerit)) return e;
    for (const auto& [pin, direction] : {std::pair{"In", 0u}, std::pair{"Out", 1u}}) {
        const std::string pinKey = key + "\\Pins\\" + pin;
        LONG e = CreateWithValues(
            pinKey, {}, {{"AllowedMany", 0}, {"AllowedZero", 0}, {"IsRendered", 0}, {"Direction", direction}});
        if (e) return e;
        std::string types = pinKey + "\\Types\\";
        types += kAudioType;
        types += '\\';
        types += kAnySubtype;
        if ((e = CreateWithValues(types, {}))) return e;
    }
    return ERROR_SUCCESS;
}

const char* ProcessText(uint32_t type) {
    switch (type) {
        case PROCESS_NATIVE:
        case PROCESS_NATIVE_MFX:
            return "Native";
        case PROCESS_NATIVE_OFFLINE:
            return "Native Offline";
        case PROCESS_NATIVE_REALTIME:
            return "Native Realtime";
        case PROCESS_HTDM:
            return "HTDM";
        case PROCESS_DSP:
            return "DSP";
        default:
            return nullptr;
    }
}

LONG RegisterFilterRow(const ComponentRow& row) {
    const uint32_t type = row.flags & ~(NO_FILTER_REGISTRATION | NO_PIN_REGISTRATION);
    const std::string name = platform::AnsiFromWide(row.name);
    FirstFailure failure;
    const bool pins = (type == PROCESS_NATIVE && !(row.flags & NO_PIN_REGISTRATION)) ||
                      type == PROCESS_NATIVE_OFFLINE || type == PROCESS_NATIVE_REALTIME || type == PROCESS_NATIVE_MFX;
    if (pins) failure(RegisterMeritAndPins(row));
    if (type == PROCESS_NATIVE_MFX) {
        RegKey synth;
        LONG e = synth.Create(HKEY_LOCAL_MACHINE, SoftSynthKeyPath(row.clsid));
        failure(e ? e : synth.SetString("Description", name));
    }
    const std::string key = FilterKeyPath(row.clsid);
    if (LONG e = platform::DeleteKeyTree(HKEY_CLASSES_ROOT, key); e != ERROR_FILE_NOT_FOUND) failure(e);
    RegKey filter;
    if (LONG e = filter.Create(HKEY_CLASSES_ROOT, key)) {
        failure(e);
        return failure.status();
    }
    failure(filter.SetString(nullptr, WithNul(name)));
    failure(filter.SetString("Version", WithNul("5.0")));
    // Written without its NUL, as hosts reading the entry have always seen it.
    if (const char* process = ProcessText(type)) failure(filter.SetString("Process", process));
    failure(filter.SetDword("UniqueID", row.uniqueId));
    return failure.status();
}

// The library's file path, or the failure as an HRESULT.
HRESULT LibraryPath(std::string& path) {
    path = platform::ModulePath(ModuleHandle());
    if (!path.empty()) return S_OK;
    const HRESULT hr = HRESULT_FROM_WIN32(platform::LastModuleError());
    return FAILED(hr) ? hr : E_FAIL;  // a failure never reads as success
}

// Pattern characters 0 to 3 against the ID's characters, most significant first; '?' and '*'
// match any one. A pattern shorter than four characters matches nothing.
bool MatchesPattern(const char* pattern, uint32_t uniqueId) {
    for (int i = 0; i < 4; ++i) {
        const char c = platform::AsciiUpper(static_cast<char>(uniqueId >> (24 - 8 * i) & 0xFF));
        if (pattern[i] == '?' || pattern[i] == '*') continue;
        if (pattern[i] != c) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

std::string ClsidKeyPath(REFCLSID clsid) { return "CLSID\\" + platform::GuidToString(clsid); }
std::string FilterKeyPath(REFCLSID clsid) { return "Filter\\" + platform::GuidToString(clsid); }

HRESULT STDAPICALLTYPE DllRegisterServer() {
    return platform::AtBoundary([]() -> HRESULT {
        std::string path;
        if (HRESULT hr = LibraryPath(path); FAILED(hr)) return hr;
        // Every row is tried; the first failure is the answer, so a partial registration is never
        // reported as success.
        platform::RegBatch batch;
        FirstFailure failure;
        for (const ComponentRow& row : ComponentTable) {
            failure(RegisterServerRow(row, path));
            if (!(row.flags & NO_FILTER_REGISTRATION) && (row.flags & ~NO_FILTER_REGISTRATION))
                failure(RegisterFilterRow(row));
        }
        failure(batch.Commit());
        return FromStatus(failure.status());
    });
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return platform::AtBoundary([]() -> HRESULT {
        std::string path;
        if (HRESULT hr = LibraryPath(path); FAILED(hr)) return hr;
        platform::RegBatch batch;
        FirstFailure failure;
        for (const ComponentRow& row : ComponentTable)
            if (LONG e = platform::DeleteKeyTree(HKEY_CLASSES_ROOT, ClsidKeyPath(row.clsid)); e != ERROR_FILE_NOT_FOUND)
                failure(e);
        if (failure.status() != ERROR_SUCCESS) return FromStatus(failure.status());
        for (const ComponentRow& row : ComponentTable) {
            platform::DeleteKeyTree(HKEY_CLASSES_ROOT, FilterKeyPath(row.clsid));
            if (row.flags == PROCESS_NATIVE_MFX)
                platform::DeleteKeyTree(HKEY_LOCAL_MACHINE, SoftSynthKeyPath(row.clsid));
        }
        return FromStatus(batch.Commit());
    });
}

LONG WINAPI AdditionalInfoRegister(HWND, HINSTANCE, LPSTR commandLine, int) {
    if (!commandLine) return -1;
    std::string_view words[3];
    int count = 0;
    for (const char* p = commandLine; *p && count < 3;) {
        while (IsBlank(*p)) ++p;
        const char* start = p;
        while (*p && !IsBlank(*p)) ++p;
        if (p != start) words[count++] = std::string_view(start, static_cast<size_t>(p - start));
    }
    if (count < 2) return -1;
    const auto& [name, text, pattern] = words;
    if (name.size() > kMaxInfoName || text.size() > kMaxInfoText || pattern.size() > kMaxInfoPattern) return -1;

    char nameZ[kMaxInfoName + 1] = {}, patternZ[kMaxInfoPattern + 1] = {}, data[kInfoValueBytes] = {};
    std::memcpy(nameZ, name.data(), name.size());
    std::memcpy(data, text.data(), text.size());  // the text, its NUL, zero filler to 20 bytes
    for (size_t i = 0; i < pattern.size(); ++i) patternZ[i] = platform::AsciiUpper(pattern[i]);
    platform::RegBatch batch;
    for (const ComponentRow& row : ComponentTable) {
        if (!(row.flags & ~NO_FILTER_REGISTRATION)) continue;
        if (!pattern.empty() && !MatchesPattern(patternZ, row.uniqueId)) continue;
        try {
            RegKey filter;
            if (filter.Open(HKEY_CLASSES_ROOT, FilterKeyPath(row.clsid), RegAccess::Write) == ERROR_SUCCESS)
                filter.SetString(nameZ, std::string_view(data, sizeof data));
        } catch (const std::bad_alloc&) {
        }
    }
    return 0;
}

LONG WINAPI CallDllFX_AdditionalInfoRegister(HWND window, HINSTANCE, LPSTR commandLine) {
    return AdditionalInfoRegister(window, nullptr, commandLine, 0);
}
