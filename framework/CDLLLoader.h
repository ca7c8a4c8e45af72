#pragma once
// CDLLLoader: finds the kernel module built for this machine and the process routines in it.
// The module is looked for beside the plug-in module: the first of platform::KernelModuleNames()
// that loads. The environment variable VELVANE_KERNEL names another module instead: a path, or a
// bare file name (suffix optional) beside the plug-in module; nothing else is tried then.
//
// [the creating thread] Owned by the algorithm; the module stays loaded until the loader goes,
// so routines taken from it must not be called after that.
#include <string>

#include "framework/cNspShell.h"
#include "platform/module.h"

class CDLLLoader {
public:
    // `beside`: the plug-in module, whose folder holds the kernel modules.
    explicit CDLLLoader(HMODULE beside) noexcept : beside_(beside) {}

    // The routine of that name, or null when no module loads or it lacks the routine. The
    // module is chosen and loaded on the first call.
    ProcessFunc GetProcessFunc(const char* name) noexcept;

private:
    HMODULE beside_;
    bool tried_ = false;
    platform::Library module_;
};
