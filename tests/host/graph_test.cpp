#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/filter_graph.h"
#include "host/sink_filter.h"
#include "host/source_filter.h"
#include "tests/dshow/testkit.h"

namespace {

using host::FilterGraph;
using platform::Ref;
using namespace std::chrono_literals;

constexpr DWORD kPatienceMs = 20000;

// Keeps what arrives, and which writes came flagged as discontinuities.
class Recorder final : public host::FrameWriter {
public:
    HRESULT Write(const BYTE* data, LONG bytes, IMediaSample* sample) noexcept override {
        discontinuities.push_back(sample->IsDiscontinuity() == S_OK);
        return memory_.Write(data, bytes, sample);
    }
    const std::vector<BYTE>& Bytes() const { return memory_.Bytes(); }
    void Clear() {
        memory_.Clear();
        discontinuities.clear();
    }
    std::vector<bool> discontinuities;

private:
    host::MemoryWriter memory_;
};

// source → InvertFilter → sink in a host graph.
class Graph : public ::testing::Test {
protected:
    void Build(const CMediaType& type, size_t frames, LONG framesPerBuffer = 22050, LONG outputBufferBytes = 4096,
               std::shared_ptr<host::FrameReader> reader = nullptr, bool reconnectsInput = false) {
        WAVEFORMATEXTENSIBLE format;
        ASSERT_TRUE(platform::ReadWaveFormat(type, &format));
        signal = testkit::Signal(type, frames);
        if (!reader) reader = std::make_shared<host::MemoryReader>(signal, format.Format.nBlockAlign);
        ASSERT_EQ(host::SourceFilter::Create(format, reader, framesPerBuffer, 2, 0, &source), S_OK);
        filter = testkit::InvertFilter::Create({outputBufferBytes, 2, true, reconnectsInput});
        ASSERT_EQ(host::SinkFilter::Create(writer, &sink), S_OK);
        graph = FilterGraph::Create();
        ASSERT_EQ(graph->AddFilter(source.get(), OLESTR("source")), S_OK);
        ASSERT_EQ(graph->AddFilter(filter.get(), OLESTR("invert")), S_OK);
        ASSERT_EQ(graph->AddFilter(sink.get(), OLESTR("sink")), S_OK);
        ASSERT_EQ(graph->ConnectFilters(source.get(), filter.get()), S_OK);
        ASSERT_EQ(graph->ConnectFilters(filter.get(), sink.get()), S_OK);
    }
    HRESULT RunToCompletion() {
        HRESULT hr = graph->Run();
        if (SUCCEEDED(hr)) hr = graph->WaitForCompletion(kPatienceMs);
        const HRESULT stopped = graph->Stop();
        return FAILED(hr) ? hr : stopped;
    }
    void TearDown() override {
        graph.reset();
        source.reset();
        filter.reset();
        sink.reset();
        EXPECT_EQ(platform::LiveObjectCount(), baseline);
    }

    const LONG baseline = platform::LiveObjectCount();
    const std::shared_ptr<Recorder> writer = std::make_shared<Recorder>();
    std::vector<BYTE> signal;
    Ref<FilterGraph> graph;
    Ref<host::SourceFilter> source;
    Ref<testkit::InvertFilter> filter;
    Ref<host::SinkFilter> sink;
};

TEST_F(Graph, RunsToCompletionWithEveryFrameTransformed) {
    struct Case {
        const char* name;
        CMediaType type;
    };
    const Case cases[] = {{"pcm mono", testkit::AudioType(1, 44100, false)},
                          {"pcm stereo", testkit::AudioType(2, 44100, false)},
                          {"float stereo", testkit::AudioType(2, 48000, true)},
                          {"extensible float mono", testkit::AudioType(1, 96000, true, true)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writer->Clear();
        Build(c.type, 44100 + 37);  // upstream buffers of 22050 frames, output buffers of 4096 bytes
        ASSERT_EQ(RunToCompletion(), S_OK);
        EXPECT_EQ(writer->Bytes(), testkit::Inverted(c.type, signal));
        EXPECT_EQ(sink->EndsOfStream(), 1);
        TearDown();
    }
}

TEST_F(Graph, EveryRunStartsAgainFromTheFirstFrame) {
    const CMediaType type = testkit::AudioType(2, 44100, true);
    Build(type, 5000, 1000);
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        writer->Clear();
        ASSERT_EQ(RunToCompletion(), S_OK);
        EXPECT_EQ(writer->Bytes(), testkit::Inverted(type, signal));
        ASSERT_EQ(writer->discontinuities.size(), 10u);  // 5 source buffers of 8000 bytes, 2 chunks each
        EXPECT_EQ(writer->discontinuities,
                  std::vector<bool>({true, false, false, false, false, false, false, false, false, false}));
        EXPECT_EQ(filter->StartCount(), run);
        EXPECT_EQ(filter->StopCount(), run);
        EXPECT_EQ(sink->EndsOfStream(), run);
    }
}

TEST_F(Graph, StopsAndPausesInMidStream) {
    const CMediaType type = testkit::AudioType(2, 44100, false);
    Build(type, 441000, 64, 256);  // ten seconds in small buffers: still streaming when stopped
    const std::vector<BYTE> expected = testkit::Inverted(type, signal);
    ASSERT_EQ(graph->Run(), S_OK);
    std::this_thread::sleep_for(5ms);
    ASSERT_EQ(graph->Stop(), S_OK);
    const std::vector<BYTE> part = writer->Bytes();
    EXPECT_TRUE(std::equal(part.begin(), part.end(), expected.begin())) << part.size() << " bytes";

    writer->Clear();
    ASSERT_EQ(graph->Run(), S_OK);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(graph->Pause(), S_OK);
        ASSERT_EQ(graph->Run(), S_OK);
    }
    ASSERT_EQ(graph->WaitForCompletion(kPatienceMs), S_OK);
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(writer->Bytes(), expected);  // nothing lost or repeated across the pauses
}

TEST_F(Graph, WaitsOnlyForRunningRenderers) {
    Build(testkit::AudioType(2, 44100, false), 1000);
    ASSERT_EQ(graph->Pause(), S_OK);
    EXPECT_EQ(graph->WaitForCompletion(50), E_ABORT);  // paused: the source holds back
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(graph->WaitForCompletion(kPatienceMs), S_OK);
    EXPECT_EQ(graph->Stop(), S_OK);
}

// Gives one buffer of silence, then fails; or cannot even start.
class FailingReader final : public host::FrameReader {
public:
    explicit FailingReader(bool rewindFails) : rewindFails_(rewindFails) {}
    HRESULT Rewind() noexcept override {
        calls_ = 0;
        return rewindFails_ ? E_ACCESSDENIED : S_OK;
    }
    HRESULT Read(BYTE* out, LONG frames, LONG* read) noexcept override {
        *read = 0;
        if (calls_++ > 0) return VFW_E_INVALID_FILE_FORMAT;
        std::fill_n(out, frames * 4, BYTE{0});
        *read = frames;
        return S_OK;
    }

private:
    const bool rewindFails_;
    int calls_ = 0;
};

TEST_F(Graph, AReadFailureEndsTheRunWithItsCode) {
    Build(testkit::AudioType(2, 44100, false), 0, 100, 4096, std::make_shared<FailingReader>(false));
    EXPECT_EQ(RunToCompletion(), VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(writer->Bytes().size(), 400u);  // what was read before the failure still went through
}

TEST_F(Graph, AFilterThatCannotStartLeavesEveryFilterStopped) {
    Build(testkit::AudioType(2, 44100, false), 0, 100, 4096, std::make_shared<FailingReader>(true));
    EXPECT_EQ(graph->Run(), E_ACCESSDENIED);  // the source pauses last, after the others started
    for (IBaseFilter* f : {static_cast<IBaseFilter*>(sink.get()), static_cast<IBaseFilter*>(filter.get()),
                           static_cast<IBaseFilter*>(source.get())}) {
        FILTER_STATE state = State_Running;
        EXPECT_EQ(f->GetState(0, &state), S_OK);
        EXPECT_EQ(state, State_Stopped);
    }
    EXPECT_EQ(filter->StartCount(), 1);
    EXPECT_EQ(filter->StopCount(), 1);
}

TEST_F(Graph, ReconnectsAPinAndKeepsStreaming) {
    const CMediaType type = testkit::AudioType(1, 44100, false);
    Build(type, 3000);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(graph->Reconnect(filter->Input()), VFW_E_NOT_STOPPED);
    ASSERT_EQ(graph->WaitForCompletion(kPatienceMs), S_OK);
    ASSERT_EQ(graph->Stop(), S_OK);
    writer->Clear();
    ASSERT_EQ(graph->Reconnect(filter->Input()), S_OK);
    ASSERT_EQ(graph->Reconnect(filter->Output()), S_OK);
    ASSERT_EQ(RunToCompletion(), S_OK);
    EXPECT_EQ(writer->Bytes(), testkit::Inverted(type, signal));
}

TEST_F(Graph, AFilterMayReconnectItsInputWhileItsOutputConnects) {
    const CMediaType type = testkit::AudioType(2, 44100, true);
    Build(type, 3000, 1000, 4096, nullptr, true);
    EXPECT_EQ(filter->ReconnectCount(), 1);
    ASSERT_EQ(RunToCompletion(), S_OK);
    EXPECT_EQ(writer->Bytes(), testkit::Inverted(type, signal));
}

TEST_F(Graph, FiltersJoinAndLeave) {
    Build(testkit::AudioType(2, 44100, false), 100);
    Ref<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName(OLESTR("invert"), found.put()), S_OK);
    EXPECT_EQ(found.get(), static_cast<IBaseFilter*>(filter.get()));
    EXPECT_EQ(graph->FindFilterByName(OLESTR("nobody"), found.put()), VFW_E_NOT_FOUND);

    FILTER_INFO info{};
    ASSERT_EQ(sink->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph.get()));
    info.pGraph->Release();
    ASSERT_EQ(graph->RemoveFilter(sink.get()), S_OK);
    EXPECT_EQ(graph->RemoveFilter(sink.get()), VFW_E_NOT_FOUND);
    ASSERT_EQ(sink->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
    Ref<IPin> peer;
    EXPECT_EQ(filter->Output()->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
}

TEST_F(Graph, ReleasingARunningGraphStopsItAndLetsEverythingGo) {
    Build(testkit::AudioType(2, 44100, false), 441000, 64, 256);
    ASSERT_EQ(graph->Run(), S_OK);
    std::this_thread::sleep_for(5ms);
    graph.reset();  // TearDown checks that every object is gone
    EXPECT_EQ(source->State(), State_Stopped);
}

}  // namespace
