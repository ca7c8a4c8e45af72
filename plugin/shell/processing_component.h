#pragma once
// The one step between the registry and the filter: the component description, the algorithm
// with FinishCreate, and the filter that takes the algorithm over.
#include <cstdint>

#include "platform/com.h"

// Returns the filter's non-delegating unknown holding one reference for the caller, or null with
// *result set: E_OUTOFMEMORY, or E_FAIL when the algorithm's resources do not describe the
// component. `processCode` is the host kind the algorithm is made for.
IUnknown* CreateProcessingComponent(IUnknown* outer, REFCLSID clsid, uint32_t uniqueId, uint32_t processCode,
                                    HRESULT* result) noexcept;
