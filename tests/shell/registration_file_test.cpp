// Failures only the Linux stand-ins can stage: a damaged registry file, a module without a path.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "tests/shell/shell_fixture.h"
#include "tests/support/files.h"

namespace {

TEST_F(Shell, DamagedRegistryFailsRegistrationAndCreationAndIsLeftAlone) {
    const std::string damaged = "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\CLSID]\n";  // no closing line: cut short
    WriteWholeFile(registry_.File(), damaged);
    const HRESULT badDb = HRESULT_FROM_WIN32(ERROR_BADDB);
    EXPECT_EQ(DllRegisterServer(), badDb);
    EXPECT_EQ(DllUnregisterServer(), badDb);
    void* out = &out;
    EXPECT_EQ(Factory(ClsidOf(kExpectedComponents[3]))->CreateInstance(nullptr, IID_IUnknown, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ReadWholeFile(registry_.File()), damaged);
}

TEST_F(Shell, FilterEntryBytesAsStored) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    char info[] = "Color Red FLNS";
    ASSERT_EQ(AdditionalInfoRegister(nullptr, nullptr, info, 0), 0);
    const std::string file = ReadWholeFile(registry_.File());
    const std::string entry =
        "[HKEY_CLASSES_ROOT\\Filter\\{AAD128C0-471C-11D2-90F7-0E039A000000}]\n"
        "@=\"Norde Velvane\"\n"
        "\"Version\"=\"5.0\"\n"
        "\"Process\"=hex(1):4e,61,74,69,76,65\n"  // "Native" without its NUL
        "\"UniqueID\"=dword:464c4e53\n"
        "\"Color\"=hex(1):52,65,64,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00\n\n";
    EXPECT_NE(file.find(entry), std::string::npos) << file;
}

TEST_F(Shell, ModuleWithoutAPathCannotRegister) {
    ModuleDetach();
    ModuleAttach(nullptr);
    EXPECT_EQ(DllRegisterServer(), HRESULT_FROM_WIN32(126));
    EXPECT_EQ(DllUnregisterServer(), HRESULT_FROM_WIN32(126));
    ModuleDetach();
    ModuleAttach(TestModule());
}

}  // namespace
