#pragma once
// The one step between the registry and the filter: the component description, the algorithm
// with FinishCreate, and the filter that takes the algorithm over.
#include <cstdint>

#include "platform/com.h"

// Returns the filter's non-delegating unknown with a reference count of 0, or null with
// *result = E_OUTOFMEMORY.
IUnknown* CreateProcessingComponent(IUnknown* outer, REFCLSID clsid, uint32_t uniqueId, uint32_t processCode,
                                    HRESULT* result) noexcept;
