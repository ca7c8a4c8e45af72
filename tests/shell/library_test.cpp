// The built library, loaded and driven only through its exports, as a host does.
#include <gtest/gtest.h>

#include <string>

#include "platform/comptr.h"
#include "platform/module.h"
#include "tests/shell/expected_components.h"
#include "tests/support/scratch_registry.h"
#include "tests/support/stored_value.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using ServerFn = HRESULT(STDAPICALLTYPE*)();

template <class F>
F Entry(const platform::Library& library, const char* name) {
    auto f = reinterpret_cast<F>(library.Symbol(name));
    EXPECT_NE(f, nullptr) << name;
    return f;
}

TEST(Library, RegistersCreatesEveryClassAndUnregistersThroughItsExports) {
    ScratchRegistry registry;
    platform::Library library = platform::Library::Open(VELVANE_LIBRARY);
    ASSERT_TRUE(library) << platform::Library::LastError();
    auto getClassObject = Entry<GetClassObjectFn>(library, "DllGetClassObject");
    auto canUnloadNow = Entry<ServerFn>(library, "DllCanUnloadNow");
    auto registerServer = Entry<ServerFn>(library, "DllRegisterServer");
    auto unregisterServer = Entry<ServerFn>(library, "DllUnregisterServer");
    ASSERT_TRUE(getClassObject && canUnloadNow && registerServer && unregisterServer);
    EXPECT_NE(library.Symbol("AdditionalInfoRegister"), nullptr);
    EXPECT_NE(library.Symbol("CallDllFX_AdditionalInfoRegister"), nullptr);
    EXPECT_EQ(library.Symbol("ModuleAttach"), nullptr) << "internals stay inside";

    ASSERT_EQ(registerServer(), S_OK);
    const std::string path = platform::ModulePath(platform::ModuleOf(library.Symbol("DllGetClassObject")));
    EXPECT_EQ(ReadStored(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kExpectedComponents[0].clsid + "\\InprocServer32",
                         nullptr)
                  .data,
              path + '\0');
    for (const ExpectedComponent& c : kExpectedComponents) {
        SCOPED_TRACE(c.clsid);
        platform::Ref<IClassFactory> factory;
        ASSERT_EQ(getClassObject(*platform::GuidFromString(c.clsid), IID_IClassFactory, factory.put_void()), S_OK);
        platform::Ref<IUnknown> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
        factory.reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object is alive";
    }
    EXPECT_EQ(canUnloadNow(), S_OK);
    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Filter\\") + kExpectedComponents[3].clsid));
}

}  // namespace
