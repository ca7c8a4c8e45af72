// A stand-in kernel module for the loader's tests: the two routine names of a kernel module,
// each leaving a mark in the out-count.
#include <type_traits>

#include "Code/Native/VelvaneFunctions.h"
#include "platform/export.h"

extern "C" {

VELVANE_EXPORT void VelvaneProc(const NordeSoundBuf*, int32_t, int32_t frames, const NordeSoundBuf*, int32_t,
                                int32_t* outCount, const uint8_t*, uint8_t*, const ExternStruct*, intptr_t) {
    *outCount = frames + 1000;
}

VELVANE_EXPORT void VelvaneProcMono(const NordeSoundBuf*, int32_t, int32_t frames, const NordeSoundBuf*, int32_t,
                                    int32_t* outCount, const uint8_t*, uint8_t*, const ExternStruct*, intptr_t) {
    *outCount = frames + 2000;
}

// The routines must keep the kernel's type.
static_assert(std::is_same_v<decltype(&VelvaneProc), VelvaneProcessFn>);
}
