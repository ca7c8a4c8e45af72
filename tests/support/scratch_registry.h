#pragma once
// A fresh, empty registry for the life of the object, so a test sees only what it writes.
// Linux: VELVANE_REGISTRY points at a file in a new temporary folder (removed afterwards).
// Windows: this process's HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE are redirected to empty
// temporary keys under HKEY_CURRENT_USER (deleted afterwards).
#include <optional>
#include <string>

#include "tests/support/scratch_folder.h"

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // The registry file (Linux); empty on Windows.
    const std::string& File() const { return file_; }

private:
    std::optional<ScratchFolder> folder_;  // Linux
    std::string file_;                     // Linux
    std::string key_;                      // Windows: the key under HKEY_CURRENT_USER
};
