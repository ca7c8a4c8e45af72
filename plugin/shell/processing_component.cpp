#include "plugin/shell/processing_component.h"

#include <memory>

#include "framework/NordeComponentInfo.h"
#include "plugin/algorithm/cVelvane_ALG.h"
#include "plugin/shell/am_shell.h"
#include "plugin/shell/server.h"
#include "plugin/shell/status.h"

IUnknown* CreateProcessingComponent(IUnknown* outer, REFCLSID clsid, uint32_t uniqueId, uint32_t processCode,
                                    HRESULT* result) noexcept {
    NordeComponentInfo info;
    MakeComponentInfo(&info, uniqueId, processCode, ModuleHandle());
    std::unique_ptr<cVelvane_ALG> algorithm;
    try {
        algorithm = std::make_unique<cVelvane_ALG>(info);
    } catch (...) {
        *result = E_OUTOFMEMORY;
        return nullptr;
    }
    // An algorithm without its parameters and process description would be a filter that
    // cannot work: the creation fails instead.
    if (const int16_t status = algorithm->FinishCreate(); status != eNoErr) {
        *result = HResultFromStatus(status);
        return nullptr;
    }
    return AmShell::Create(uniqueId, outer, clsid, std::move(algorithm), result);
}
