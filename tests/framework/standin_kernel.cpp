// A stand-in kernel module for the loader's tests: the two routine names of a kernel module,
// each leaving a mark in the out-count.
#include <cstdint>

#include "platform/export.h"

struct NordeSoundBuf;
struct ExternStruct;

extern "C" {

VELVANE_EXPORT void VelvaneProc(NordeSoundBuf*, int32_t, int32_t frames, NordeSoundBuf*, int32_t, int32_t* outCount,
                                uint8_t*, uint8_t*, ExternStruct*, intptr_t) {
    *outCount = frames + 1000;
}

VELVANE_EXPORT void VelvaneProcMono(NordeSoundBuf*, int32_t, int32_t frames, NordeSoundBuf*, int32_t, int32_t* outCount,
                                    uint8_t*, uint8_t*, ExternStruct*, intptr_t) {
    *outCount = frames + 2000;
}
}
