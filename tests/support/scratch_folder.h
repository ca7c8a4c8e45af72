#pragma once
// A new, empty folder under the system's temporary folder for the life of the object, removed
// afterwards with everything in it.
#include <filesystem>

class ScratchFolder {
public:
    // Named `prefix` and a random suffix; throws std::runtime_error when none can be made.
    explicit ScratchFolder(const char* prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};
