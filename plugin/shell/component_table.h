#pragma once
// The library's ten creatable classes, searched in row order. The property page stays last: the
// filter takes rows 0 to size - 2 as the processing components.
#include <array>
#include <cstdint>

#include "framework/FourCC.h"
#include "platform/com.h"

// Process-type flag bits of a row. A row's process type is its flags without the two
// NO_… bits; exactly one type bit is expected.
constexpr uint32_t PROCESS_DSP = 0x01;
constexpr uint32_t PROCESS_NATIVE = 0x02;
constexpr uint32_t PROCESS_NATIVE_OFFLINE = 0x04;
constexpr uint32_t PROCESS_NATIVE_REALTIME = 0x08;
constexpr uint32_t PROCESS_NATIVE_MFX = 0x10;
constexpr uint32_t PROCESS_HTDM = 0x20;
constexpr uint32_t NO_FILTER_REGISTRATION = 0x40;  // a COM server only
constexpr uint32_t NO_PIN_REGISTRATION = 0x80;     // with PROCESS_NATIVE: no merit and pins

// Makes the object of a row for `clsid`, aggregated by `outer` when that is not null. Returns its
// non-delegating unknown holding one reference for the caller, or null; *result, S_OK on entry,
// receives the failure (or an object with a failure, which the caller then releases).
using ComponentCreator = IUnknown* (*)(IUnknown* outer, REFCLSID clsid, HRESULT* result) noexcept;

struct ComponentRow {
    const WCHAR* name;
    CLSID clsid;
    ComponentCreator create;
    uint32_t flags;
    uint32_t uniqueId;
};

extern const std::array<ComponentRow, 10> ComponentTable;

// The first row with this CLSID, or null.
const ComponentRow* FindComponent(REFCLSID clsid) noexcept;
