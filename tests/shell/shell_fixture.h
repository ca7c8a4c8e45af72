#pragma once
// The shell linked into the test program: attached as the library would be, over a scratch
// registry.
#include <gtest/gtest.h>

#include <string>

#include "platform/com.h"
#include "platform/comptr.h"
#include "platform/module.h"
#include "plugin/shell/am_shell.h"
#include "plugin/shell/exports.h"
#include "plugin/shell/server.h"
#include "tests/shell/expected_components.h"
#include "tests/support/scratch_registry.h"
#include "tests/support/test_module.h"

inline CLSID ClsidOf(const ExpectedComponent& c) { return *platform::GuidFromString(c.clsid); }

// The filter object behind any of its interfaces, with our reference; empty for another object.
inline platform::Ref<AmShell> FilterOf(IUnknown* object) {
    const auto filter = platform::QueryAs<IBaseFilter>(object, IID_IBaseFilter);
    return platform::Ref<AmShell>::retain(dynamic_cast<AmShell*>(filter.get()));
}

class Shell : public ::testing::Test {
protected:
    void SetUp() override { ModuleAttach(TestModule()); }
    void TearDown() override {
        ModuleDetach();
        EXPECT_EQ(platform::LiveObjectCount(), 0) << "a test left an object alive";
    }

    static platform::Ref<IClassFactory> Factory(const CLSID& clsid) {
        platform::Ref<IClassFactory> factory;
        EXPECT_EQ(DllGetClassObject(clsid, IID_IClassFactory, factory.put_void()), S_OK);
        return factory;
    }

    ScratchRegistry registry_;
};
