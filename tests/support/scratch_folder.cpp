#include "tests/support/scratch_folder.h"

#include <random>
#include <stdexcept>
#include <string>

ScratchFolder::ScratchFolder(const char* prefix) {
    namespace fs = std::filesystem;
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = fs::temp_directory_path() / (std::string(prefix) + "." + std::to_string(entropy()));
        // Creation fails on a name already taken, so the folder is ours alone.
        if (fs::create_directory(path_)) {
            fs::permissions(path_, fs::perms::owner_all);
            return;
        }
    }
    throw std::runtime_error("no scratch folder");
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
