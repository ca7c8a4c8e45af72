#pragma once
// The component description an algorithm is built from. It is a plain record, filled by
// MakeComponentInfo and read by cALGORITHM's constructor; nothing in it is owned.
#include <cstdint>

#include "platform/com.h"

struct NordeComponentInfo {
    uint32_t componentType = 0;  // the component's unique ID: 'FLNS', 'FLNM' or 'FLNX'
    uint32_t processCode = 0;    // the host kind it runs for: 'pcDX' native, 'pcDS' DSP, 'htDX' …
    HMODULE module = nullptr;    // the plug-in module: its resources describe the component, and
                                 // the kernel modules are looked for beside it
};

// [any thread] Fills `info`; a null record is left alone.
inline void MakeComponentInfo(NordeComponentInfo* info, uint32_t uniqueID, uint32_t processCode,
                              HMODULE module) noexcept {
    if (info) *info = {uniqueID, processCode, module};
}
