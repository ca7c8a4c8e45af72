#include "framework/CDLLLoader.h"

#include "platform/environment.h"
#include "platform/processor.h"

namespace {

platform::Library OpenKernel(HMODULE beside) {
    const std::string folder = platform::FolderOf(platform::ModulePath(beside));
    if (auto named = platform::GetEnvironment("VELVANE_KERNEL"); named && !named->empty()) {
        if (named->find_first_of("/\\") != std::string::npos) return platform::Library::Open(*named);
        // A bare name never goes to the system's library search: only the plug-in's folder counts.
        if (folder.empty()) return {};
        std::string file = *named;
        if (file.find('.') == std::string::npos) file += platform::kLibrarySuffix;
        return platform::Library::Open(platform::JoinPath(folder, file));
    }
    if (folder.empty()) return {};
    for (const std::string& name : platform::KernelModuleNames())
        if (auto module = platform::Library::Open(platform::JoinPath(folder, name))) return module;
    return {};
}

}  // namespace

ProcessFunc CDLLLoader::GetProcessFunc(const char* name) noexcept {
    if (!name) return nullptr;
    if (!tried_) {
        tried_ = true;
        try {
            module_ = OpenKernel(beside_);
        } catch (...) {
            return nullptr;  // out of memory building a path: no routine
        }
    }
    return reinterpret_cast<ProcessFunc>(module_.Symbol(name));
}
