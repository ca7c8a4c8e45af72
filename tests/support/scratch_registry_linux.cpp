#include <stdlib.h>

#include "tests/support/scratch_registry.h"

ScratchRegistry::ScratchRegistry() {
    folder_.emplace("velvane-registry");
    file_ = (folder_->Path() / "registry.reg").string();
    setenv("VELVANE_REGISTRY", file_.c_str(), 1);
}

ScratchRegistry::~ScratchRegistry() { unsetenv("VELVANE_REGISTRY"); }
