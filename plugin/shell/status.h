#pragma once
// A framework status as the HRESULT a COM caller gets.
#include "framework/cALGORITHM.h"
#include "platform/com.h"

inline HRESULT HResultFromStatus(int16_t status) noexcept {
    return status == eNoErr ? S_OK : status == eNoMemory ? E_OUTOFMEMORY : E_FAIL;
}
