#pragma once
// Processor-specific kernel builds: which of the kernel modules suits the running machine. Linux
// ships one policy (flush-to-zero and denormals-are-zero, the caller's bits restored); Windows
// chooses among its builds by processor features.
#include <string>
#include <vector>

namespace platform {

// [any thread] File names of the kernel modules to try, best first.
std::vector<std::string> KernelModuleNames();

}  // namespace platform
