#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/scratch_registry.h"

ScratchRegistry::ScratchRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velvane-registry.XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    folder_ = pattern;
    file_ = folder_ + "/registry.reg";
    setenv("VELVANE_REGISTRY", file_.c_str(), 1);
}

ScratchRegistry::~ScratchRegistry() {
    unsetenv("VELVANE_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}
