// The built library, loaded and driven only through its exports, as a host does.
#include <gtest/gtest.h>

#include <string>

#include "platform/comptr.h"
#include "platform/module.h"
#include "tests/shell/expected_components.h"
#include "tests/shell/library_exports.h"
#include "tests/support/scratch_registry.h"
#include "tests/support/stored_value.h"

namespace {

TEST(Library, RegistersCreatesEveryClassAndUnregistersThroughItsExports) {
    ScratchRegistry registry;
    const LibraryExports velvane;
    ASSERT_TRUE(velvane.library) << platform::Library::LastError();
    ASSERT_TRUE(velvane.Complete());
    const platform::Library& library = velvane.library;
    EXPECT_NE(library.Symbol("AdditionalInfoRegister"), nullptr);
    EXPECT_NE(library.Symbol("CallDllFX_AdditionalInfoRegister"), nullptr);
    EXPECT_EQ(library.Symbol("ModuleAttach"), nullptr) << "internals stay inside";

    ASSERT_EQ(velvane.registerServer(), S_OK);
    const std::string path = platform::ModulePath(platform::ModuleOf(library.Symbol("DllGetClassObject")));
    EXPECT_EQ(ReadStored(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kExpectedComponents[0].clsid + "\\InprocServer32",
                         nullptr)
                  .data,
              path + '\0');
    for (const ExpectedComponent& c : kExpectedComponents) {
        SCOPED_TRACE(c.clsid);
        platform::Ref<IClassFactory> factory;
        ASSERT_EQ(velvane.getClassObject(*platform::GuidFromString(c.clsid), IID_IClassFactory, factory.put_void()),
                  S_OK);
        platform::Ref<IUnknown> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
        factory.reset();
        EXPECT_EQ(velvane.canUnloadNow(), S_FALSE) << "an object is alive";
    }
    EXPECT_EQ(velvane.canUnloadNow(), S_OK);
    ASSERT_EQ(velvane.unregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Filter\\") + kExpectedComponents[3].clsid));
}

}  // namespace
