#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/comptr.h"
#include "platform/sync.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr GUID kSample = {0xAAD128C0, 0x471C, 0x11D2, {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}};

TEST(GuidText, RoundTripsInUpperCaseWithBraces) {
    EXPECT_EQ(platform::GuidToString(kSample), "{AAD128C0-471C-11D2-90F7-0E039A000000}");
    auto parsed = platform::GuidFromString("{aad128c0-471c-11d2-90f7-0e039a000000}");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(*parsed == kSample);
}

TEST(GuidText, RefusesAnythingButTheFullForm) {
    for (const char* bad : {"", "AAD128C0-471C-11D2-90F7-0E039A000000", "{AAD128C0-471C-11D2-90F7-0E039A00000}",
                            "{AAD128C0-471C-11D2-90F7-0E039A00000G}", "{AAD128C0+471C-11D2-90F7-0E039A000000}",
                            "{AAD128C0-471C-11D2-90F7-0E039A000000}x"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(platform::GuidFromString(bad).has_value());
    }
}

TEST(Hresult, FromWin32KeepsNonPositiveValues) {
    EXPECT_EQ(HRESULT_FROM_WIN32(2), static_cast<HRESULT>(0x80070002u));
    EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
    EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)), E_FAIL);
}

// A minimal object with a visible count, to check that every path balances its references.
struct Probe : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        static constexpr platform::InterfaceRow<Probe> kRows[] = {{&IID_IUnknown, platform::As<Probe, IUnknown>}};
        return platform::QueryByTable<Probe>(kRows, this, iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
};

TEST(Ref, AdoptRetainAndQueryBalanceReferences) {
    Probe probe;
    {
        auto held = platform::Ref<IUnknown>::retain(&probe);
        EXPECT_EQ(probe.refs, 2);
        auto copy = held;
        EXPECT_EQ(probe.refs, 3);
        auto asked = platform::QueryAs<IUnknown>(&probe, IID_IUnknown);
        EXPECT_EQ(probe.refs, 4);
        auto missing = platform::QueryAs<IUnknown>(&probe, IID_IClassFactory);
        EXPECT_FALSE(missing);
    }
    EXPECT_EQ(probe.refs, 1);
    probe.AddRef();
    { auto adopted = platform::Ref<IUnknown>::adopt(&probe); }
    EXPECT_EQ(probe.refs, 1);
}

TEST(QueryByTable, ClearsTheOutPointerOnFailure) {
    Probe probe;
    void* out = &out;
    EXPECT_EQ(probe.QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(probe.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(probe.refs, 1);
}

TEST(AtBoundary, TurnsExceptionsIntoCodes) {
    EXPECT_EQ(platform::AtBoundary([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    EXPECT_EQ(platform::AtBoundary([]() -> HRESULT { throw 1; }), E_UNEXPECTED);
    EXPECT_EQ(platform::AtBoundary([] { return S_FALSE; }), S_FALSE);
}

TEST(CCritSec, IsReentrantAndExcludesOtherThreads) {
    CCritSec lock;
    std::atomic<bool> entered{false};
    std::thread other;
    {
        CAutoLock outer(&lock);
        { CAutoLock inner(&lock); }  // the owner may enter again, as with a critical section
        other = std::thread([&] {
            CAutoLock l(&lock);
            entered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(entered);
    }
    other.join();
    EXPECT_TRUE(entered);
}

}  // namespace

namespace {

struct Counted : platform::LiveObject {};

TEST(LiveObject, CountsFromConstructionToDestruction) {
    const LONG before = platform::LiveObjectCount();
    {
        Counted a;
        Counted b = a;
        EXPECT_EQ(platform::LiveObjectCount(), before + 2);
    }
    EXPECT_EQ(platform::LiveObjectCount(), before);
}

}  // namespace
