// The built library in the host's graph, created through its exports and class factory as a host
// does (source → plug-in filter → sink), against the kernel run directly and the recorded outputs.
#include <chrono>
#include <thread>

#include "host/filter_graph.h"
#include "host/sink_filter.h"
#include "host/source_filter.h"
#include "tests/shell/filter_fixture.h"
#include "tests/shell/golden.h"
#include "tests/shell/library_exports.h"

namespace {

using platform::Ref;
using namespace std::chrono_literals;

constexpr DWORD kPatienceMs = 20000;
const ExpectedComponent& kStereoRow = kExpectedComponents[3];
const ExpectedComponent& kMonoRow = kExpectedComponents[4];
const ExpectedComponent& kMonoToStereoRow = kExpectedComponents[5];

class LibraryGraph : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(velvane_.library) << platform::Library::LastError();
        ASSERT_TRUE(velvane_.Complete());
        ASSERT_EQ(velvane_.registerServer(), S_OK);
    }
    void TearDown() override {
        Release();
        if (velvane_.canUnloadNow) {
            EXPECT_EQ(velvane_.canUnloadNow(), S_OK) << "an object of the library is still alive";
        }
        EXPECT_EQ(platform::LiveObjectCount(), baseline_);
    }

    // source (`framesPerBuffer` frames a sample) → a new `component` → sink, connected.
    void Build(const ExpectedComponent& component, const CMediaType& type, size_t frames, LONG framesPerBuffer) {
        Release();
        input = type;
        signal = testkit::Signal(type, frames);
        Ref<IClassFactory> factory;
        ASSERT_EQ(velvane_.getClassObject(ClsidOf(component), IID_IClassFactory, factory.put_void()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.put_void()), S_OK);
        WAVEFORMATEXTENSIBLE format;
        ASSERT_TRUE(platform::ReadWaveFormat(type, &format));
        const auto reader = std::make_shared<host::MemoryReader>(signal, format.Format.nBlockAlign);
        ASSERT_EQ(host::SourceFilter::Create(format, reader, framesPerBuffer, 2, 0, &source), S_OK);
        ASSERT_EQ(host::SinkFilter::Create(writer, &sink), S_OK);
        graph = host::FilterGraph::Create();
        ASSERT_EQ(graph->AddFilter(source.get(), OLESTR("source")), S_OK);
        ASSERT_EQ(graph->AddFilter(filter.get(), OLESTR("velvane")), S_OK);
        ASSERT_EQ(graph->AddFilter(sink.get(), OLESTR("sink")), S_OK);
        ASSERT_EQ(graph->ConnectFilters(source.get(), filter.get()), S_OK);
        ASSERT_EQ(graph->ConnectFilters(filter.get(), sink.get()), S_OK);
    }
    HRESULT RunToCompletion() {
        writer->Clear();
        HRESULT hr = graph->Run();
        if (SUCCEEDED(hr)) hr = graph->WaitForCompletion(kPatienceMs);
        const HRESULT stopped = graph->Stop();
        return FAILED(hr) ? hr : stopped;
    }
    // What the sink's pin agreed with the filter.
    WAVEFORMATEXTENSIBLE Agreed() {
        CMediaType type;
        EXPECT_EQ(sink->GetPin(0)->ConnectionMediaType(&type), S_OK);
        WAVEFORMATEXTENSIBLE format{};
        EXPECT_TRUE(platform::ReadWaveFormat(type, &format));
        return format;
    }
    void Release() {
        graph.reset();  // stops, disconnects and lets the filters go
        filter.reset();
        source.reset();
        sink.reset();
    }

    const LONG baseline_ = platform::LiveObjectCount();
    ScratchRegistry registry_;
    LibraryExports velvane_;

    const std::shared_ptr<host::MemoryWriter> writer = std::make_shared<host::MemoryWriter>();
    CMediaType input;
    std::vector<BYTE> signal;
    Ref<host::FilterGraph> graph;
    Ref<host::SourceFilter> source;
    Ref<IBaseFilter> filter;
    Ref<host::SinkFilter> sink;
};

TEST_F(LibraryGraph, EveryComponentGivesWhatItsKernelGivesInOneCall) {
    const struct {
        const char* name;
        const ExpectedComponent& component;
        CMediaType type;
        WORD outputChannels;
    } cases[] = {
        {"stereo pcm16", kStereoRow, Pcm(2), 2},
        {"stereo float at 48 kHz", kStereoRow, Float(2, 48000), 2},
        {"m/s pcm16", kMonoToStereoRow, Pcm(1), 2},
        {"m/s float at 96 kHz", kMonoToStereoRow, Float(1, 96000), 2},
        {"mono pcm16 at 22050 Hz", kMonoRow, Pcm(1, 22050), 1},
        {"mono float", kMonoRow, testkit::AudioType(1, 44100, true), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.component, c.type, 30011, 4096);
        ASSERT_EQ(RunToCompletion(), S_OK);
        const WAVEFORMATEXTENSIBLE in = Agreed();
        EXPECT_EQ(in.Format.nChannels, c.outputChannels);
        EXPECT_EQ(writer->Bytes(),
                  KernelOutput(c.component.uniqueId, c.type, signal, static_cast<int32_t>(in.Format.nSamplesPerSec)));
        EXPECT_EQ(sink->EndsOfStream(), 1);
    }
}

TEST_F(LibraryGraph, BlockSizeNeverChangesTheOutput) {
    const struct {
        const char* name;
        const ExpectedComponent& component;
        CMediaType type;
        std::vector<LONG> framesPerBuffer;  // at least 512 bytes, the smallest output buffer
    } cases[] = {
        {"stereo float", kStereoRow, testkit::AudioType(2, 44100, true), {64, 333, 1024, 4096, 44100}},
        {"m/s pcm16, output twice the input", kMonoToStereoRow, Pcm(1), {256, 333, 1024, 4097, 44100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> expected;
        for (const LONG frames : c.framesPerBuffer) {
            SCOPED_TRACE(frames);
            Build(c.component, c.type, 50000, frames);
            if (expected.empty()) expected = KernelOutput(c.component.uniqueId, c.type, signal);
            ASSERT_EQ(RunToCompletion(), S_OK);
            EXPECT_EQ(writer->Bytes(), expected);
        }
    }
}

TEST_F(LibraryGraph, EveryRunStartsAfreshWhateverCameBefore) {
    Build(kMonoToStereoRow, Pcm(1), 200000, 1024);
    const std::vector<BYTE> expected = KernelOutput(kMonoToStereoRow.uniqueId, input, signal);
    ASSERT_EQ(RunToCompletion(), S_OK);
    EXPECT_EQ(writer->Bytes(), expected);
    ASSERT_EQ(RunToCompletion(), S_OK);
    EXPECT_EQ(writer->Bytes(), expected) << "run again";

    ASSERT_EQ(graph->Pause(), S_OK);
    ASSERT_EQ(graph->Stop(), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    std::this_thread::sleep_for(2ms);
    ASSERT_EQ(graph->Stop(), S_OK);  // in mid-stream
    ASSERT_EQ(RunToCompletion(), S_OK);
    EXPECT_EQ(writer->Bytes(), expected) << "after a pause and a stop in mid-stream";
}

TEST_F(LibraryGraph, GivesTheRecordedOutput) {
    for (const GoldenCase& c : kGoldenCases) {
        SCOPED_TRACE(c.name);
        Build(kExpectedComponents[c.row], GoldenInputType(c), kGoldenFrames, 4096);
        ASSERT_EQ(RunToCompletion(), S_OK);
        if (!WroteGolden(c, writer->Bytes())) {
            EXPECT_EQ(writer->Bytes(), ReadGolden(c));
        }
    }
}

}  // namespace
