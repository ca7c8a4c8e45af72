#include "plugin/shell/class_factory.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "plugin/shell/am_shell.h"
#include "plugin/shell/minimal_object.h"
#include "tests/shell/shell_fixture.h"

namespace {

using platform::Ref;

constexpr IID kOtherIid = {0x0000010C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};  // IPersist
constexpr IID kNobodysIid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

// A stand-in outer object: only its address matters to an inner object.
struct Outer : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST_F(Shell, GetClassObjectRefusals) {
    const CLSID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    const CLSID page = ClsidOf(kExpectedComponents[9]);
    struct Case {
        const char* name;
        const CLSID* clsid;
        const IID* iid;
        HRESULT expect;
    } cases[] = {{"other interface", &page, &kOtherIid, E_NOINTERFACE},
                 {"unknown class", &unknown, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = &out;
        EXPECT_EQ(DllGetClassObject(*c.clsid, *c.iid, &out), c.expect);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(DllGetClassObject(page, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(Shell, EveryClassHasAFactoryThatAnswersItsTwoInterfaces) {
    for (const ExpectedComponent& c : kExpectedComponents) {
        SCOPED_TRACE(c.clsid);
        Ref<IUnknown> unknown;
        ASSERT_EQ(DllGetClassObject(ClsidOf(c), IID_IUnknown, unknown.put_void()), S_OK);
        EXPECT_EQ(platform::LiveObjectCount(), 1);
        Ref<IClassFactory> factory = platform::QueryAs<IClassFactory>(unknown.get(), IID_IClassFactory);
        ASSERT_TRUE(factory);
        void* out = &out;
        EXPECT_EQ(factory->QueryInterface(kOtherIid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        EXPECT_EQ(factory->AddRef(), 3u);
        EXPECT_EQ(factory->Release(), 2u);
    }
    EXPECT_EQ(platform::LiveObjectCount(), 0) << "the last Release destroys a factory";
}

TEST_F(Shell, CanUnloadOnlyWithoutFactoriesLocksOrObjects) {
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    Ref<IClassFactory> factory = Factory(ClsidOf(kExpectedComponents[9]));
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "factory held";
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    Ref<IUnknown> page;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, page.put_void()), S_OK);
    factory.reset();
    EXPECT_EQ(ServerLockCount(), 1);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "locked, and an object alive";
    page.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "locked";
    Factory(ClsidOf(kExpectedComponents[9]))->LockServer(FALSE);
    EXPECT_EQ(ServerLockCount(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(Shell, CreateInstanceRefusalsClearTheOutPointerAndLeaveNothingAlive) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    Outer outer;
    for (const ExpectedComponent& c : {kExpectedComponents[3], kExpectedComponents[9]}) {
        SCOPED_TRACE(c.clsid);
        Ref<IClassFactory> factory = Factory(ClsidOf(c));
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
        struct Case {
            const char* name;
            IUnknown* outer;
            const IID* iid;
        } cases[] = {{"aggregated, not as IUnknown", &outer, &IID_IClassFactory},
                     {"interface it lacks", nullptr, &kNobodysIid}};
        for (const Case& k : cases) {
            SCOPED_TRACE(k.name);
            void* out = &out;
            EXPECT_EQ(factory->CreateInstance(k.outer, *k.iid, &out), E_NOINTERFACE);
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(platform::LiveObjectCount(), 1) << "only the factory";
        }
        Ref<IUnknown> inner;
        ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, inner.put_void()), S_OK);
        if (auto* page = dynamic_cast<MinimalObject*>(inner.get())) {
            EXPECT_EQ(page->Outer(), &outer);
        }
        EXPECT_EQ(inner->AddRef(), 2u) << "one reference for the caller";
        inner->Release();
    }
    ASSERT_EQ(DllUnregisterServer(), S_OK);
}

TEST_F(Shell, PropertyPageFactoryMakesThePageNeverAFilter) {
    Ref<IUnknown> page;  // no registration needed
    ASSERT_EQ(Factory(ClsidOf(kExpectedComponents[9]))->CreateInstance(nullptr, IID_IUnknown, page.put_void()), S_OK);
    EXPECT_NE(dynamic_cast<MinimalPropertyPage*>(page.get()), nullptr);
    EXPECT_FALSE(platform::QueryAs<IBaseFilter>(page.get(), IID_IBaseFilter));
}

TEST_F(Shell, ProcessingClassesNeedRegistrationAndGetTheirIdAndProcessCode) {
    for (int row = 0; row < 9; ++row) {
        SCOPED_TRACE(kExpectedComponents[row].clsid);
        void* out = &out;
        EXPECT_EQ(Factory(ClsidOf(kExpectedComponents[row]))->CreateInstance(nullptr, IID_IUnknown, &out),
                  E_OUTOFMEMORY);
        EXPECT_EQ(out, nullptr);
    }
    ASSERT_EQ(DllRegisterServer(), S_OK);
    for (int row = 0; row < 9; ++row) {
        const ExpectedComponent& c = kExpectedComponents[row];
        SCOPED_TRACE(c.clsid);
        Ref<IUnknown> object;
        ASSERT_EQ(Factory(ClsidOf(c))->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
        const auto filter = FilterOf(object.get());
        ASSERT_TRUE(filter);
        CLSID clsid{};
        EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
        EXPECT_TRUE(clsid == ClsidOf(c));
        EXPECT_EQ(filter->UniqueId(), c.uniqueId);
        // The filter owns the algorithm made for the same component and host kind.
        const cVelvane_ALG* algorithm = filter->Algorithm();
        ASSERT_NE(algorithm, nullptr);
        EXPECT_EQ(algorithm->GetComponentType(), c.uniqueId);
        EXPECT_EQ(algorithm->GetProcessCode(), c.processCode);
        EXPECT_EQ(algorithm->IsNative(), c.processCode != FourCC("pcDS"));
        EXPECT_EQ(algorithm->GetNumParams(), 25) << "FinishCreate ran";
    }
}

// Row 3 created after its Filter entry was changed by hand (or by an installer).
TEST_F(Shell, CreationReadsTheFilterEntryAsItIsNow) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    const ExpectedComponent& row3 = kExpectedComponents[3];
    const std::string entry = std::string("Filter\\") + row3.clsid;
    struct Case {
        const char* name;
        std::string process;
        HRESULT expect;
        uint32_t code;
    } cases[] = {
        {"offline", "Native Offline", S_OK, 0x6F664458},
        {"realtime with NUL", std::string("Native Realtime", 16), S_OK, 0x72744458},
        {"htdm", "HTDM", S_OK, 0x68744458},
        {"dsp", "DSP", S_OK, 0x70634453},
        {"native", "Native", S_OK, 0x70634458},
        {"not in the table", "Native Turbo", S_OK, 0x70634458},
        {"case matters", "native offline", S_OK, 0x70634458},
        {"empty", "", S_OK, 0x70634458},
        {"260 bytes", std::string(259, 'x') + '\0', S_OK, 0x70634458},
        {"261 bytes", std::string(260, 'x') + '\0', E_OUTOFMEMORY, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::RegKey key;
        ASSERT_EQ(key.Open(HKEY_CLASSES_ROOT, entry, platform::RegAccess::Write), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("Process", c.process), ERROR_SUCCESS);
        Ref<IUnknown> object;
        ASSERT_EQ(Factory(ClsidOf(row3))->CreateInstance(nullptr, IID_IUnknown, object.put_void()), c.expect);
        if (object) {
            EXPECT_EQ(FilterOf(object.get())->Algorithm()->GetProcessCode(), c.code);
        }
    }

    platform::RegKey key;
    ASSERT_EQ(key.Open(HKEY_CLASSES_ROOT, entry, platform::RegAccess::Write), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("Process", "Native"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword("UniqueID", 0x464C4E4D), ERROR_SUCCESS);
    Ref<IUnknown> object;
    ASSERT_EQ(Factory(ClsidOf(row3))->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
    EXPECT_EQ(FilterOf(object.get())->UniqueId(), 0x464C4E4Du) << "the entry's ID wins";
    object.reset();
    ASSERT_EQ(key.SetDword("UniqueID", FourCC("FLNQ")), ERROR_SUCCESS);
    EXPECT_EQ(Factory(ClsidOf(row3))->CreateInstance(nullptr, IID_IUnknown, object.put_void()), E_FAIL)
        << "no component of that ID in the resources";
    EXPECT_EQ(object.get(), nullptr);
    ASSERT_EQ(key.SetString("UniqueID", "FLNSX"), ERROR_SUCCESS);
    EXPECT_EQ(Factory(ClsidOf(row3))->CreateInstance(nullptr, IID_IUnknown, object.put_void()), E_OUTOFMEMORY)
        << "an ID that is not four bytes cannot be read";
}

TEST_F(Shell, AttachRegistersTheEditorWindowClassAndDetachRemovesIt) {
    WNDCLASSW found{};
    const HINSTANCE self = static_cast<HINSTANCE>(ModuleHandle());
    ASSERT_TRUE(GetClassInfoW(self, OLESTR("VelvaneClassR5.0"), &found));
    EXPECT_EQ(found.style, 0u);
    EXPECT_EQ(found.cbClsExtra, 0);
    EXPECT_EQ(found.cbWndExtra, 30);
    EXPECT_EQ(found.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(found.hbrBackground, GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(found.hIcon, nullptr);
    EXPECT_EQ(found.lpszMenuName, nullptr);
    EXPECT_NE(found.lpfnWndProc, nullptr);
    ModuleDetach();
    EXPECT_FALSE(GetClassInfoW(self, OLESTR("VelvaneClassR5.0"), &found));
    ModuleAttach(self);  // for TearDown's detach
}

}  // namespace
