#include "plugin/shell/creators.h"

#include <new>

#include "platform/registry.h"
#include "plugin/shell/minimal_object.h"
#include "plugin/shell/processing_component.h"
#include "plugin/shell/registration.h"

namespace {

// The longest "Process" text read back, in bytes.
constexpr DWORD kMaxProcessBytes = 260;

}  // namespace

uint32_t ProcessCode(std::string_view text) noexcept {
    text = text.substr(0, text.find('\0'));
    if (text == "DSP") return 0x70634453;
    if (text == "Native Offline") return 0x6F664458;
    if (text == "Native Realtime") return 0x72744458;
    if (text == "HTDM") return 0x68744458;
    return 0x70634458;  // "Native" and any text not listed
}

IUnknown* CreateProcessingObject(IUnknown* outer, REFCLSID clsid, HRESULT* result) noexcept {
    uint32_t uniqueId = 0;
    char process[kMaxProcessBytes];
    DWORD idBytes = sizeof uniqueId, processBytes = sizeof process;
    try {
        platform::RegKey key;
        const bool registered = key.Open(HKEY_CLASSES_ROOT, FilterKeyPath(clsid), platform::RegAccess::Read) == 0 &&
                                key.Query("UniqueID", nullptr, &uniqueId, &idBytes) == 0 && idBytes == 4 &&
                                key.Query("Process", nullptr, process, &processBytes) == 0;
        if (!registered) {
            *result = E_OUTOFMEMORY;
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        *result = E_OUTOFMEMORY;
        return nullptr;
    }
    return CreateProcessingComponent(outer, clsid, uniqueId, ProcessCode({process, processBytes}), result);
}

IUnknown* CreatePropertyPage(IUnknown* outer, REFCLSID, HRESULT* result) noexcept {
    auto* page = new (std::nothrow) MinimalPropertyPage(outer);
    *result = page ? S_OK : E_OUTOFMEMORY;
    return page;
}
