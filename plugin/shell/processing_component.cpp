#include "plugin/shell/processing_component.h"

#include <new>

#include "plugin/shell/minimal_object.h"

// TODO(filter and algorithm issues): MakeComponentInfo(info, uniqueId, processCode, ModuleHandle()),
// the algorithm with FinishCreate, and the transform filter owning it replace MinimalFilter here.
IUnknown* CreateProcessingComponent(IUnknown* outer, REFCLSID clsid, uint32_t uniqueId, uint32_t processCode,
                                    HRESULT* result) noexcept {
    auto* filter = new (std::nothrow) MinimalFilter(outer, clsid, uniqueId, processCode);
    *result = filter ? S_OK : E_OUTOFMEMORY;
    return filter;
}
