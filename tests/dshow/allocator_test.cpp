#include "platform/dshow/allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <future>
#include <thread>

#include "platform/comptr.h"
#include "tests/dshow/testkit.h"

namespace {

using platform::Ref;

class Allocator : public ::testing::Test {
protected:
    void TearDown() override {
        allocator.reset();
        EXPECT_EQ(platform::LiveObjectCount(), baseline);
    }
    HRESULT Set(ALLOCATOR_PROPERTIES request) {
        ALLOCATOR_PROPERTIES actual{};
        const HRESULT hr = allocator->SetProperties(&request, &actual);
        if (SUCCEEDED(hr)) granted = actual;
        return hr;
    }
    Ref<IMediaSample> Get(DWORD flags = 0) {
        Ref<IMediaSample> s;
        last = allocator->GetBuffer(s.put(), nullptr, nullptr, flags);
        return s;
    }

    const LONG baseline = platform::LiveObjectCount();
    Ref<IMemAllocator> allocator = Ref<IMemAllocator>::adopt(new CMemAllocator);
    ALLOCATOR_PROPERTIES granted{};
    HRESULT last = S_OK;
};

TEST_F(Allocator, ValidatesProperties) {
    struct Case {
        const char* name;
        ALLOCATOR_PROPERTIES request;
        HRESULT expect;
    };
    const Case cases[] = {
        {"no alignment", {2, 100, 0, 0}, VFW_E_BADALIGN},
        {"alignment not a power of two", {2, 100, 3, 0}, VFW_E_BADALIGN},
        {"negative count", {-1, 100, 1, 0}, E_INVALIDARG},
        {"negative size", {2, -100, 1, 0}, E_INVALIDARG},
        {"negative prefix", {2, 100, 1, -4}, E_INVALIDARG},
        {"more memory than a peer may ask", {0x7FFFFFFF, 0x7FFFFFFF, 1, 0}, E_OUTOFMEMORY},
        {"odd size", {3, 4094, 1, 0}, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Set(c.request), c.expect);
    }
    EXPECT_EQ(granted.cbBuffer, 4094);  // granted as asked, not rounded
    EXPECT_EQ(allocator->SetProperties(nullptr, &granted), E_POINTER);
}

TEST_F(Allocator, CommitNeedsSizesAndFreezesThem) {
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
    ASSERT_EQ(Set({2, 256, 16, 0}), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(Set({4, 256, 16, 0}), VFW_E_ALREADY_COMMITTED);
    Ref<IMediaSample> held = Get();
    ASSERT_EQ(last, S_OK);
    allocator->Decommit();
    EXPECT_EQ(Set({4, 256, 16, 0}), VFW_E_BUFFERS_OUTSTANDING);
    held.reset();
    EXPECT_EQ(Set({4, 256, 16, 0}), S_OK);
}

TEST_F(Allocator, BuffersAreAlignedSeparateAndLeaveRoomForThePrefix) {
    constexpr LONG kCount = 3, kBytes = 100, kAlign = 32, kPrefix = 8;
    ASSERT_EQ(Set({kCount, kBytes, kAlign, kPrefix}), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    std::vector<Ref<IMediaSample>> samples;
    for (LONG i = 0; i < kCount; ++i) {
        samples.push_back(Get());
        ASSERT_EQ(last, S_OK);
        EXPECT_EQ(samples.back()->GetSize(), kBytes);
        BYTE* data = nullptr;
        samples.back()->GetPointer(&data);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % kAlign, 0u);
        std::memset(data - kPrefix, static_cast<int>(i), kPrefix + kBytes);  // prefix and data are ours to write
    }
    for (LONG i = 0; i < kCount; ++i) {
        BYTE* data = nullptr;
        samples[i]->GetPointer(&data);
        for (LONG b = -kPrefix; b < kBytes; ++b) ASSERT_EQ(data[b], i) << "buffer " << i << " byte " << b;
    }
}

TEST_F(Allocator, HandsOutFreshSamplesAndTakesThemBackOnLastRelease) {
    ASSERT_EQ(Set({1, 64, 1, 0}), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    Ref<IMediaSample> s = Get();
    ASSERT_EQ(last, S_OK);
    REFERENCE_TIME start = 10, stop = 20;
    s->SetTime(&start, &stop);
    s->SetDiscontinuity(TRUE);
    s->SetActualDataLength(64);
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(s->SetMediaType(&type), S_OK);
    EXPECT_FALSE(Get(AM_GBF_NOWAIT));
    EXPECT_EQ(last, VFW_E_TIMEOUT);
    EXPECT_EQ(allocator->ReleaseBuffer(s.get()), E_UNEXPECTED);  // still referenced
    s.reset();
    s = Get(AM_GBF_NOWAIT);
    ASSERT_EQ(last, S_OK);
    EXPECT_EQ(s->GetActualDataLength(), 0);
    EXPECT_EQ(s->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(s->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    AM_MEDIA_TYPE* carried = &type;
    EXPECT_EQ(s->GetMediaType(&carried), S_FALSE);
    EXPECT_EQ(carried, nullptr);
}

TEST_F(Allocator, RefusesSamplesThatAreNotItsOwn) {
    Ref<IMediaSample> foreign;
    ASSERT_EQ(testkit::LooseSample(16, foreign.put()), S_OK);
    EXPECT_EQ(allocator->ReleaseBuffer(foreign.get()), E_INVALIDARG);
    EXPECT_EQ(allocator->ReleaseBuffer(nullptr), E_POINTER);
}

TEST_F(Allocator, DecommitWakesAWaitingGetBuffer) {
    ASSERT_EQ(Set({1, 64, 1, 0}), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    Ref<IMediaSample> held = Get();
    auto waiting = std::async(std::launch::async, [&] {
        Ref<IMediaSample> s;
        return allocator->GetBuffer(s.put(), nullptr, nullptr, 0);
    });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    allocator->Decommit();
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(waiting.get(), VFW_E_NOT_COMMITTED);
}

TEST_F(Allocator, AnOutstandingSampleKeepsItsAllocator) {
    ASSERT_EQ(Set({2, 64, 1, 0}), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    Ref<IMediaSample> s = Get();
    allocator.reset();
    BYTE* data = nullptr;
    s->GetPointer(&data);
    data[63] = 1;  // still valid memory (the sanitizer build checks)
    s.reset();     // the last reference: the allocator goes with it
}

TEST(MediaSample, TimesLengthsAndFlags) {
    Ref<IMediaSample> s;
    ASSERT_EQ(testkit::LooseSample(32, s.put()), S_OK);

    REFERENCE_TIME start = 100, stop = 0;
    EXPECT_EQ(s->SetTime(&start, nullptr), S_OK);
    EXPECT_EQ(s->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(stop, 101);
    EXPECT_EQ(s->GetTime(&start, nullptr), E_POINTER);
    EXPECT_EQ(s->SetTime(nullptr, nullptr), S_OK);
    EXPECT_EQ(s->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

    LONGLONG mediaStart = 5, mediaStop = 9;
    EXPECT_EQ(s->GetMediaTime(&mediaStart, &mediaStop), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(s->SetMediaTime(&mediaStart, nullptr), E_POINTER);
    EXPECT_EQ(s->SetMediaTime(&mediaStart, &mediaStop), S_OK);
    mediaStart = mediaStop = 0;
    EXPECT_EQ(s->GetMediaTime(&mediaStart, &mediaStop), S_OK);
    EXPECT_EQ(mediaStop - mediaStart, 4);

    EXPECT_EQ(s->SetActualDataLength(33), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->SetActualDataLength(32), S_OK);

    for (auto [set, get] : {std::pair{&IMediaSample::SetSyncPoint, &IMediaSample::IsSyncPoint},
                            std::pair{&IMediaSample::SetPreroll, &IMediaSample::IsPreroll},
                            std::pair{&IMediaSample::SetDiscontinuity, &IMediaSample::IsDiscontinuity}}) {
        EXPECT_EQ((s.get()->*get)(), S_FALSE);
        (s.get()->*set)(TRUE);
        EXPECT_EQ((s.get()->*get)(), S_OK);
    }
}

}  // namespace
