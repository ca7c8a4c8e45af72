#pragma once
// COM basics: GUID (and its 38-character text form), HRESULT codes, IUnknown, IClassFactory,
// interlocked counts and the task allocator. Windows uses the SDK's declarations; Linux gets
// stand-ins with the same names, struct layouts and vtable order.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include "platform/win32.h"
#include <objbase.h>
#include <unknwn.h>
#else
#include <cstdlib>
#include <cstring>

using HRESULT = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using DWORD = uint32_t;
using BOOL = int32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using UINT = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using LPVOID = void*;
// Wide text is UTF-16 as on Windows, so records with wide fields keep their layout.
using WCHAR = char16_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using HANDLE = void*;
using HMODULE = void*;
using HINSTANCE = void*;
#define OLESTR(s) u##s
#define TRUE 1
#define FALSE 0

#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT STDAPICALLTYPE

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) noexcept { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualGUID(REFGUID a, REFGUID b) noexcept { return a == b; }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_NOT_SUFFICIENT_BUFFER = static_cast<HRESULT>(0x8007007Au);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr long FACILITY_WIN32 = 7;

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

constexpr HRESULT HRESULT_FROM_WIN32(uint32_t code) noexcept {
    return static_cast<HRESULT>(code) <= 0
        ? static_cast<HRESULT>(code)
        : static_cast<HRESULT>((code & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

inline LONG InterlockedIncrement(volatile LONG* value) noexcept { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(volatile LONG* value) noexcept { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }

inline void* CoTaskMemAlloc(size_t bytes) noexcept { return std::malloc(bytes); }
inline void CoTaskMemFree(void* block) noexcept { std::free(block); }
#endif

namespace platform {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": braces, upper-case hexadecimal digits.
std::string GuidToString(const GUID& guid);
// Accepts exactly the 38-character form above (either case); anything else is nullopt.
std::optional<GUID> GuidFromString(std::string_view text);

// Number of live COM objects of this module (class factories, filters, pins, enumerators,
// pages); the library may unload only when it is 0. Changed with interlocked operations.
LONG LiveObjectCount() noexcept;

// Base of every COM object of the module: counted from construction to destruction.
class LiveObject {
protected:
    LiveObject() noexcept;
    LiveObject(const LiveObject&) noexcept;
    ~LiveObject();
};

}  // namespace platform
