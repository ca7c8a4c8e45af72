// The kernel module the algorithm binds: on Linux the plug-in's default module, named by path
// (the test program does not sit beside it); Windows finds its modules beside the program.
#include "platform/environment.h"

#ifdef VELVANE_TEST_KERNEL
namespace {
const bool kKernelNamed = [] {
    platform::SetEnvironment("VELVANE_KERNEL", VELVANE_TEST_KERNEL);
    return true;
}();
}  // namespace
#endif
