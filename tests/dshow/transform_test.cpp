#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "platform/dshow/allocator.h"
#include "tests/dshow/testkit.h"

namespace {

using platform::Ref;
using testkit::InvertFilter;
using testkit::TestSink;
using testkit::TestSource;
using namespace std::chrono_literals;

// A lock-order fault shows as a hang: end the run instead of waiting for the suite's time-out.
template <class T>
T Within(std::future<T>& f, const char* what) {
    if (f.wait_for(10s) != std::future_status::ready) {
        std::fprintf(stderr, "deadlock: %s did not return\n", what);
        std::abort();
    }
    return f.get();
}

bool Connected(IPin* pin) {
    Ref<IPin> peer;
    return pin->ConnectedTo(peer.put()) == S_OK;
}

// source → InvertFilter → sink, connected by hand and driven from the test's thread.
class Stream : public ::testing::Test {
protected:
    const CMediaType pcm = testkit::AudioType(2, 44100, false);

    HRESULT Build(std::vector<CMediaType> sourceTypes, InvertFilter::Options options = {},
                  TestSink::Options sinkOptions = {}) {
        source = TestSource::Create(std::move(sourceTypes), {2, 1 << 18, 1, 0});
        filter = InvertFilter::Create(options);
        sink = TestSink::Create(std::move(sinkOptions));
        HRESULT hr = source->Output()->Connect(filter->Input(), nullptr);
        if (SUCCEEDED(hr)) hr = filter->Output()->Connect(sink->Input(), nullptr);
        return hr;
    }
    // Downstream first, as a graph does.
    void SetState(FILTER_STATE state) {
        ASSERT_EQ(testkit::SetStates({sink.get(), filter.get(), source.get()}, state), S_OK);
    }
    HRESULT Push(size_t frames, testkit::PushFlags flags = {}) {
        pushed = testkit::Signal(pcm, frames);
        return source->Push(pushed, flags);
    }
    Ref<IMemInputPin> FilterInput() { return platform::QueryAs<IMemInputPin>(filter->Input(), IID_IMemInputPin); }

    // Stops and disconnects whatever was built, and lets it go.
    void Release() {
        if (source && filter && sink) SetState(State_Stopped);
        if (source) testkit::Disconnect(source->Output());
        if (filter) testkit::Disconnect(filter->Output());
        source.reset();
        filter.reset();
        sink.reset();
    }
    void TearDown() override {
        Release();
        EXPECT_EQ(platform::LiveObjectCount(), baseline);
    }

    const LONG baseline = platform::LiveObjectCount();
    Ref<TestSource> source;
    Ref<InvertFilter> filter;
    Ref<TestSink> sink;
    std::vector<BYTE> pushed;
};

CMediaType Pcm24() {
    CMediaType t;
    platform::SetAudioType(platform::MakeWaveFormat(2, 44100, 24, false, false), &t);
    return t;
}

TEST_F(Stream, ConnectsWithTheFirstTypeBothSidesAccept) {
    const CMediaType pcm24 = Pcm24();
    const CMediaType floatStereo = testkit::AudioType(2, 48000, true, true);
    ASSERT_EQ(Build({pcm24, floatStereo}), S_OK);
    for (IPin* pin : {filter->Input(), filter->Output()}) {
        CMediaType agreed;
        ASSERT_EQ(pin->ConnectionMediaType(&agreed), S_OK);
        EXPECT_TRUE(agreed == floatStereo);
    }
    EXPECT_EQ(filter->Output()->QueryAccept(&floatStereo), S_OK);
    EXPECT_EQ(filter->Output()->QueryAccept(&pcm24), S_FALSE);
    EXPECT_EQ(filter->Input()->QueryAccept(&pcm24), S_FALSE);

    Ref<IEnumMediaTypes> types;
    ASSERT_EQ(filter->Output()->EnumMediaTypes(types.put()), S_OK);
    AM_MEDIA_TYPE* got[2] = {};
    EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG);
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(floatStereo == *got[0]);
    DeleteMediaType(got[0]);
}

TEST_F(Stream, RefusedConnectionsLeaveBothEndsUnconnected) {
    const CMediaType floatType = testkit::AudioType(2, 44100, true);
    const CMediaType pcm24 = Pcm24();
    {
        SCOPED_TRACE("output before input");
        filter = InvertFilter::Create();
        sink = TestSink::Create();
        EXPECT_EQ(filter->Output()->Connect(sink->Input(), nullptr), E_UNEXPECTED);
        EXPECT_FALSE(Connected(sink->Input()));
    }
    struct Case {
        const char* name;
        std::vector<CMediaType> sourceTypes;
        const AM_MEDIA_TYPE* asked;
        std::vector<CMediaType> sinkTypes;
        bool inputConnects;
    };
    AM_MEDIA_TYPE anyFloat{};
    anyFloat.subtype = MEDIASUBTYPE_IEEE_FLOAT;
    const Case cases[] = {
        {"a complete type the filter refuses", {pcm24, pcm}, &pcm24, {}, false},
        {"a partial type no offer matches", {pcm}, &anyFloat, {}, false},
        {"no offered type fits", {testkit::AudioType(9, 44100, false)}, nullptr, {}, false},
        {"the sink wants another type", {pcm}, nullptr, {floatType}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        source = TestSource::Create(c.sourceTypes, {2, 4096, 1, 0});
        filter = InvertFilter::Create();
        sink = TestSink::Create({c.sinkTypes, true});
        const HRESULT in = source->Output()->Connect(filter->Input(), c.asked);
        EXPECT_EQ(SUCCEEDED(in), c.inputConnects);
        EXPECT_EQ(Connected(source->Output()), c.inputConnects);
        EXPECT_EQ(Connected(filter->Input()), c.inputConnects);
        if (c.inputConnects) {
            EXPECT_TRUE(FAILED(filter->Output()->Connect(sink->Input(), nullptr)));
            EXPECT_FALSE(Connected(filter->Output()));
            EXPECT_FALSE(Connected(sink->Input()));
        }
        Release();
    }
}

TEST_F(Stream, ConnectionRulesOfDirectionAndState) {
    ASSERT_EQ(Build({pcm}), S_OK);
    auto other = TestSink::Create();
    EXPECT_EQ(source->Output()->Connect(other->Input(), nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(other->Input()->ReceiveConnection(filter->Output(), &pcm), S_OK);  // the input side has no say
    EXPECT_EQ(other->Input()->Disconnect(), S_OK);
    EXPECT_EQ(other->Input()->Disconnect(), S_FALSE);
    EXPECT_EQ(other->Input()->Connect(filter->Output(), nullptr), E_UNEXPECTED);
    EXPECT_EQ(filter->Output()->ReceiveConnection(source->Output(), &pcm), E_UNEXPECTED);
    EXPECT_EQ(other->Input()->ReceiveConnection(other->Input(), &pcm), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(other->Input()->ReceiveConnection(nullptr, &pcm), E_POINTER);

    SetState(State_Paused);
    EXPECT_EQ(filter->Output()->Disconnect(), VFW_E_NOT_STOPPED);
    other->Pause();
    EXPECT_EQ(other->Input()->ReceiveConnection(filter->Output(), &pcm), VFW_E_NOT_STOPPED);
    other->Stop();
}

TEST_F(Stream, FiltersAndPinsDescribeThemselves) {
    ASSERT_EQ(Build({pcm}), S_OK);
    struct PinCase {
        const WCHAR* id;
        const WCHAR* name;
        PIN_DIRECTION direction;
        IPin* pin;
    };
    const PinCase pins[] = {{OLESTR("In"), OLESTR("XForm In"), PINDIR_INPUT, filter->Input()},
                            {OLESTR("Out"), OLESTR("XForm Out"), PINDIR_OUTPUT, filter->Output()}};
    for (const PinCase& c : pins) {
        Ref<IPin> found;
        ASSERT_EQ(filter->FindPin(c.id, found.put()), S_OK);
        EXPECT_EQ(found.get(), c.pin);
        PIN_INFO info{};
        ASSERT_EQ(found->QueryPinInfo(&info), S_OK);
        const auto owner = Ref<IBaseFilter>::adopt(info.pFilter);
        EXPECT_EQ(owner.get(), static_cast<IBaseFilter*>(filter.get()));
        EXPECT_EQ(info.dir, c.direction);
        EXPECT_TRUE(platform::ViewOf(info.achName) == platform::ViewOf(c.name));
        LPWSTR id = nullptr;
        ASSERT_EQ(found->QueryId(&id), S_OK);
        EXPECT_TRUE(platform::ViewOf(id) == platform::ViewOf(c.id));
        CoTaskMemFree(id);
    }
    IPin* missing = filter->Input();
    EXPECT_EQ(filter->FindPin(OLESTR("XForm In"), &missing), VFW_E_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    Ref<IEnumPins> e;
    ASSERT_EQ(filter->EnumPins(e.put()), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    Ref<IEnumPins> clone;
    ASSERT_EQ(e->Clone(clone.put()), S_OK);
    IPin* got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(clone->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], filter->Output());
    got[0]->Release();
    EXPECT_EQ(e->Skip(2), S_FALSE);

    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_FALSE(clsid == GUID_NULL);
}

TEST_F(Stream, AllocatorIsTheSinksOrTheFiltersOwn) {
    for (const bool offers : {true, false}) {
        SCOPED_TRACE(offers ? "sink offers one" : "sink offers none");
        ASSERT_EQ(Build({pcm}, {4096, 3, true}, {{}, offers}), S_OK);
        const IMemAllocator* notified = sink->Recorded().notifiedAllocator;
        ASSERT_NE(notified, nullptr);
        {
            Ref<IMemAllocator> sinks;
            const HRESULT offered =
                platform::QueryAs<IMemInputPin>(sink->Input(), IID_IMemInputPin)->GetAllocator(sinks.put());
            EXPECT_EQ(SUCCEEDED(offered), offers);
            EXPECT_EQ(notified == sinks.get(), offers);
        }

        SetState(State_Running);
        ASSERT_EQ(Push(4096), S_OK);
        const auto record = sink->Recorded();
        ASSERT_EQ(record.arrivals.size(), 4u);  // 16384 bytes in 4096-byte buffers
        EXPECT_EQ(record.arrivals[0].capacity, 4096);
        EXPECT_EQ(sink->Bytes(), testkit::Inverted(pcm, pushed));
        Release();
    }
}

TEST_F(Stream, CutsLargeInputIntoWholeFramesOfTheOutputBuffers) {
    // 4094-byte output buffers hold 1023 stereo frames and two bytes that must stay unused.
    ASSERT_EQ(Build({pcm}, {4094, 2, true}), S_OK);
    SetState(State_Running);
    ASSERT_EQ(Push(44100, {true, true, 0, 10'000'000}), S_OK);
    const auto arrivals = sink->Recorded().arrivals;
    ASSERT_EQ(arrivals.size(), 44u);  // 43 × 4092 bytes, then 444
    for (size_t i = 0; i < arrivals.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(arrivals[i].bytes.size(), i + 1 < arrivals.size() ? 4092u : 444u);
        EXPECT_EQ(arrivals[i].discontinuity, i == 0);
        EXPECT_EQ(arrivals[i].timeResult, i == 0 ? S_OK : VFW_E_SAMPLE_TIME_NOT_SET);
    }
    EXPECT_EQ(arrivals[0].stop, 10'000'000);
    EXPECT_EQ(sink->Bytes(), testkit::Inverted(pcm, pushed));
}

TEST_F(Stream, OneToOneReceiveCarriesTimesAndFlags) {
    ASSERT_EQ(Build({pcm}, {65536, 2, false}), S_OK);
    SetState(State_Running);
    ASSERT_EQ(Push(1000, {true, true, 500, 900}), S_OK);
    ASSERT_EQ(Push(1000), S_OK);
    const auto arrivals = sink->Recorded().arrivals;
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_TRUE(arrivals[0].discontinuity && arrivals[0].syncPoint);
    EXPECT_EQ(arrivals[0].timeResult, S_OK);
    EXPECT_EQ(arrivals[0].start, 500);
    EXPECT_EQ(arrivals[0].stop, 900);
    EXPECT_FALSE(arrivals[1].discontinuity);
    EXPECT_EQ(arrivals[1].timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(arrivals[1].bytes, testkit::Inverted(pcm, pushed));

    ASSERT_EQ(Push(20000), VFW_E_BUFFER_OVERFLOW);  // the base Receive does not cut
}

TEST_F(Stream, DiscontinuityLandsOnTheFirstChunkOfItsSample) {
    ASSERT_EQ(Build({pcm}, {4096, 2, true}), S_OK);
    SetState(State_Running);
    for (const bool flagged : {false, true, false}) ASSERT_EQ(Push(2048, {flagged}), S_OK);
    const auto arrivals = sink->Recorded().arrivals;
    ASSERT_EQ(arrivals.size(), 6u);
    for (size_t i = 0; i < arrivals.size(); ++i) EXPECT_EQ(arrivals[i].discontinuity, i == 2) << i;
}

TEST_F(Stream, StartStopAndRunCycles) {
    ASSERT_EQ(Build({pcm}), S_OK);
    const auto input = FilterInput();
    Ref<IMediaSample> loose;
    ASSERT_EQ(testkit::LooseSample(64, loose.put()), S_OK);

    for (int cycle = 1; cycle <= 3; ++cycle) {
        SCOPED_TRACE(cycle);
        EXPECT_EQ(input->Receive(loose.get()), VFW_E_WRONG_STATE);
        SetState(State_Paused);
        EXPECT_EQ(filter->StartCount(), cycle);
        EXPECT_EQ(Push(100), S_OK);  // a paused transform still transforms
        SetState(State_Running);
        SetState(State_Paused);
        SetState(State_Running);
        EXPECT_EQ(filter->StartCount(), cycle);
        EXPECT_EQ(Push(100), S_OK);
        SetState(State_Stopped);
        SetState(State_Stopped);
        EXPECT_EQ(filter->StopCount(), cycle);
        EXPECT_EQ(Push(100), VFW_E_NOT_COMMITTED);
    }
    EXPECT_EQ(sink->Recorded().arrivals.size(), 6u);
}

TEST_F(Stream, FlushAndNewSegmentPassDownstream) {
    ASSERT_EQ(Build({pcm}), S_OK);
    SetState(State_Running);
    ASSERT_EQ(source->OutputPin().DeliverBeginFlush(), S_OK);
    EXPECT_EQ(Push(100), S_FALSE);
    ASSERT_EQ(source->OutputPin().DeliverEndFlush(), S_OK);
    ASSERT_EQ(source->OutputPin().DeliverNewSegment(10, 20, 0.5), S_OK);
    EXPECT_EQ(Push(100), S_OK);
    const auto record = sink->Recorded();
    EXPECT_EQ(record.beginFlushes, 1);
    EXPECT_EQ(record.endFlushes, 1);
    ASSERT_EQ(record.segments.size(), 1u);
    EXPECT_EQ(record.segments[0], (std::array<double, 3>{10, 20, 0.5}));
    EXPECT_EQ(record.arrivals.size(), 1u);
}

TEST_F(Stream, EndOfStreamPassesOnceAndClosesTheStreamUntilFlushOrRestart) {
    ASSERT_EQ(Build({pcm}), S_OK);
    EXPECT_EQ(source->OutputPin().DeliverEndOfStream(), VFW_E_WRONG_STATE);
    SetState(State_Running);
    ASSERT_EQ(Push(100), S_OK);
    ASSERT_EQ(source->OutputPin().DeliverEndOfStream(), S_OK);
    EXPECT_EQ(sink->Recorded().endsOfStream, 1);
    EXPECT_EQ(Push(100), VFW_E_SAMPLE_REJECTED_EOS);
    EXPECT_EQ(source->OutputPin().DeliverEndOfStream(), VFW_E_SAMPLE_REJECTED_EOS);
    source->OutputPin().DeliverBeginFlush();
    source->OutputPin().DeliverEndFlush();
    EXPECT_EQ(Push(100), S_OK);
    ASSERT_EQ(source->OutputPin().DeliverEndOfStream(), S_OK);
    SetState(State_Stopped);
    SetState(State_Running);
    EXPECT_EQ(Push(100), S_OK);
    EXPECT_EQ(sink->Recorded().endsOfStream, 2);
}

TEST_F(Stream, ASampleCarryingAnotherTypeIsRefused) {
    ASSERT_EQ(Build({pcm}), S_OK);
    SetState(State_Running);
    Ref<IMediaSample> sample;
    ASSERT_EQ(source->OutputPin().GetDeliveryBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    sample->SetActualDataLength(4);
    CMediaType other = testkit::AudioType(1, 44100, false);
    sample->SetMediaType(&other);
    EXPECT_EQ(source->OutputPin().Deliver(sample.get()), VFW_E_INVALIDMEDIATYPE);
    CMediaType same = pcm;
    sample->SetMediaType(&same);
    EXPECT_EQ(source->OutputPin().Deliver(sample.get()), S_OK);
}

TEST_F(Stream, StopReleasesAStreamWaitingForAnOutputBuffer) {
    ASSERT_EQ(Build({pcm}, {4096, 2, true}), S_OK);
    std::vector<Ref<IMediaSample>> held;  // the sink keeps every buffer: the third chunk must wait
    sink->onReceive = [&](IMediaSample* s) { held.push_back(Ref<IMediaSample>::retain(s)); };
    SetState(State_Running);
    auto pushing = std::async(std::launch::async, [&] { return Push(4096); });
    while (sink->Recorded().arrivals.size() < 2) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(pushing.wait_for(50ms), std::future_status::timeout);

    auto stopping = std::async(std::launch::async, [&] { return filter->Stop(); });
    EXPECT_EQ(Within(stopping, "Stop"), S_OK);
    EXPECT_EQ(Within(pushing, "Receive"), VFW_E_NOT_COMMITTED);
    held.clear();
}

TEST_F(Stream, StopWhileDownstreamCallsBackDuringEndOfStream) {
    ASSERT_EQ(Build({pcm}), S_OK);
    std::promise<void> inEndOfStream, stopCalled;
    sink->onEndOfStream = [&] {
        inEndOfStream.set_value();
        stopCalled.get_future().wait();
        std::this_thread::sleep_for(50ms);  // Stop now holds the filter lock and waits for the stream
        IPin* out = filter->Output();
        CMediaType type;
        EXPECT_EQ(out->ConnectionMediaType(&type), S_OK);
        EXPECT_EQ(out->QueryAccept(&type), S_OK);
        Ref<IPin> peer;
        EXPECT_EQ(out->ConnectedTo(peer.put()), S_OK);
        Ref<IEnumMediaTypes> types;
        ASSERT_EQ(out->EnumMediaTypes(types.put()), S_OK);
        AM_MEDIA_TYPE* first = nullptr;
        EXPECT_EQ(types->Next(1, &first, nullptr), S_OK);
        DeleteMediaType(first);
        PIN_INFO pin{};
        ASSERT_EQ(out->QueryPinInfo(&pin), S_OK);
        FILTER_INFO info{};
        EXPECT_EQ(pin.pFilter->QueryFilterInfo(&info), S_OK);
        pin.pFilter->Release();
        LONGLONG duration = 0;  // passed upstream, where the test source cannot seek
        EXPECT_EQ(platform::QueryAs<IMediaSeeking>(out, IID_IMediaSeeking)->GetDuration(&duration), E_NOTIMPL);
    };
    SetState(State_Running);
    auto ending = std::async(std::launch::async, [&] { return source->OutputPin().DeliverEndOfStream(); });
    inEndOfStream.get_future().wait();
    auto stopping = std::async(std::launch::async, [&] { return filter->Stop(); });
    stopCalled.set_value();
    EXPECT_EQ(Within(ending, "EndOfStream"), S_OK);
    EXPECT_EQ(Within(stopping, "Stop"), S_OK);
}

TEST_F(Stream, QualityMessagesGoToTheSinkOrUpstream) {
    ASSERT_EQ(Build({pcm}), S_OK);
    const auto control = platform::QueryAs<IQualityControl>(filter->Output(), IID_IQualityControl);
    ASSERT_TRUE(control);
    const Quality q{Famine, 900, 0, 0};
    EXPECT_EQ(control->Notify(sink.get(), q), VFW_E_NOT_FOUND);  // the test source takes none

    struct Recorder : IQualityControl {
        IBaseFilter* sender = nullptr;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* s, Quality) override {
            sender = s;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE SetSink(IQualityControl*) override { return S_OK; }
    } recorder;
    control->SetSink(&recorder);
    EXPECT_EQ(control->Notify(sink.get(), q), S_OK);
    EXPECT_EQ(recorder.sender, static_cast<IBaseFilter*>(filter.get()));
    control->SetSink(nullptr);
}

// An outer object that aggregates a filter: it keeps the inner unknown and counts references.
struct Outer : IUnknown {
    LONG refs = 1;
    Ref<IUnknown> inner;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

TEST(Aggregation, InterfacesCountWithTheOuterObjectAndShareItsIdentity) {
    const LONG baseline = platform::LiveObjectCount();
    {
        Outer outer;
        outer.inner = InvertFilter::CreateAggregated(&outer);
        void* p = nullptr;
        ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, &p), S_OK);
        EXPECT_EQ(p, outer.inner.get());  // the inner answers for itself
        static_cast<IUnknown*>(p)->Release();

        Ref<IBaseFilter> filter;
        ASSERT_EQ(outer.inner->QueryInterface(IID_IBaseFilter, filter.put_void()), S_OK);
        EXPECT_EQ(outer.refs, 2);  // the interface's reference is the outer's
        Ref<IUnknown> identity;
        ASSERT_EQ(filter->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
        Ref<IPin> pin;
        ASSERT_EQ(filter->FindPin(OLESTR("Out"), pin.put()), S_OK);
        EXPECT_EQ(outer.refs, 4);
        pin.reset();
        identity.reset();
        filter.reset();
        EXPECT_EQ(outer.refs, 1);
    }
    EXPECT_EQ(platform::LiveObjectCount(), baseline);
}

}  // namespace
