#include "platform/processor.h"

#ifdef _WIN32
#include <immintrin.h>

#include <cstdint>
#include <cstring>
#endif

namespace platform {

#ifdef _WIN32

namespace {

// Setting denormals-are-zero faults on a processor without it: its MXCSR mask (byte 28 of the
// full-state save area) tells.
bool HasDenormalsAreZero() {
    alignas(16) unsigned char area[512] = {};
    _fxsave(area);
    uint32_t mask;
    std::memcpy(&mask, area + 28, sizeof mask);
    return (mask & 0x40u) != 0;
}

}  // namespace

std::vector<std::string> KernelModuleNames() {
    // The multi-core build sets denormals-are-zero unconditionally; the Pentium 4 build only
    // where supported; the generic build sets no mode and runs anywhere.
    if (HasDenormalsAreZero()) return {"velkern_generic_multi_core.dll", "velkern_pentium4.dll", "velkern_generic.dll"};
    return {"velkern_pentium4.dll", "velkern_generic.dll"};
}

#else

std::vector<std::string> KernelModuleNames() { return {"velkern_lx_ftz_daz_keep.so"}; }

#endif

}  // namespace platform
