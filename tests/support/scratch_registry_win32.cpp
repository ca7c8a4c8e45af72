#include <stdexcept>

#include "platform/registry.h"
#include "tests/support/scratch_registry.h"

namespace {

HKEY MakeKey(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        throw std::runtime_error("no scratch key");
    return key;
}

}  // namespace

ScratchRegistry::ScratchRegistry() {
    key_ = "Software\\VelvaneScratch\\" + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
    HKEY classes = MakeKey(key_ + "\\Classes"), machine = MakeKey(key_ + "\\Machine");
    const bool redirected = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes) == ERROR_SUCCESS &&
                            RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine) == ERROR_SUCCESS;
    RegCloseKey(classes);
    RegCloseKey(machine);
    if (!redirected) throw std::runtime_error("registry cannot be redirected");
}

ScratchRegistry::~ScratchRegistry() {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
}
