#include "platform/processor.h"

#ifdef _WIN32
#include "platform/fpmode.h"
#endif

namespace platform {

#ifdef _WIN32

std::vector<std::string> KernelModuleNames() {
    // The multi-core build sets denormals-are-zero unconditionally (which faults on a processor
    // without it); the Pentium 4 build only where supported; the generic build sets no mode.
    if (ProcessorAllowsDenormalsAreZero())
        return {"velkern_generic_multi_core.dll", "velkern_pentium4.dll", "velkern_generic.dll"};
    return {"velkern_pentium4.dll", "velkern_generic.dll"};
}

#else

std::vector<std::string> KernelModuleNames() { return {"velkern_lx_ftz_daz_keep.so"}; }

#endif

}  // namespace platform
