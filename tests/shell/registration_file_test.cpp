// Failures only the Linux stand-ins can stage: a damaged registry file, a module without a path.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/registry.h"
#include "tests/shell/shell_fixture.h"

namespace {

TEST_F(Shell, DamagedRegistryFailsRegistrationAndCreationAndIsLeftAlone) {
    const std::string damaged = "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\CLSID]\n";  // no closing line: cut short
    std::ofstream(registry_.File(), std::ios::binary) << damaged;
    const HRESULT badDb = HRESULT_FROM_WIN32(ERROR_BADDB);
    EXPECT_EQ(DllRegisterServer(), badDb);
    EXPECT_EQ(DllUnregisterServer(), badDb);
    void* out = &out;
    EXPECT_EQ(Factory(ClsidOf(kExpectedComponents[3]))->CreateInstance(nullptr, IID_IUnknown, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    std::ostringstream now;
    now << std::ifstream(registry_.File(), std::ios::binary).rdbuf();
    EXPECT_EQ(now.str(), damaged);
}

TEST_F(Shell, ModuleWithoutAPathCannotRegister) {
    ModuleDetach();
    ModuleAttach(nullptr);
    EXPECT_EQ(DllRegisterServer(), HRESULT_FROM_WIN32(126));
    EXPECT_EQ(DllUnregisterServer(), HRESULT_FROM_WIN32(126));
    ModuleDetach();
    static int marker;
    ModuleAttach(platform::ModuleOf(&marker));
}

}  // namespace
