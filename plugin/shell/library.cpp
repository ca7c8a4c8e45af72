// The shared library's load and unload hooks; the test programs link the shell without them.
#include "platform/module.h"
#include "plugin/shell/server.h"

VELVANE_MODULE_HOOKS(ModuleAttach, ModuleDetach)
