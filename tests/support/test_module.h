#pragma once
// The test program's own module: the resources it carries, the module the code under test serves.
#include "platform/com.h"

HMODULE TestModule();
