#include "tests/support/test_module.h"

#include "platform/module.h"

HMODULE TestModule() {
    static int marker;  // linked into the program, so its address lies in the program's image
    return platform::ModuleOf(&marker);
}
