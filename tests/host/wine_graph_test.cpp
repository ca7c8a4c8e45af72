// Our filters in Wine's own filter graph: its file source and WAV parser upstream, the test
// transform in the middle (added by pointer, never registered), the host's sink at the end.
#include <gtest/gtest.h>

#include <string>

#include "host/sink_filter.h"
#include "platform/dshow/interfaces.h"
#include "tests/dshow/testkit.h"

namespace {

using platform::Ref;

class WineGraph : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(WineGraph, RunsAWavFileThroughOurFiltersToCompletion) {
    struct Case {
        const char* name;
        WORD channels;
        bool isFloat;
        bool reconnectsInput;  // during the output's connection, as the m/s filter does
    };
    const Case cases[] = {{"pcm-mono", 1, false, true},
                          {"pcm-stereo", 2, false, false},
                          {"float-mono", 1, true, false},
                          {"float-stereo", 2, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LONG baseline = platform::LiveObjectCount();
        const CMediaType fileType = testkit::AudioType(c.channels, 44100, c.isFloat);
        const size_t frames = 44100 * 2 + 11;
        const std::vector<BYTE> signal = testkit::Signal(fileType, frames);
        const std::wstring path =
            testkit::WriteWav(c.name, *reinterpret_cast<const WAVEFORMATEX*>(fileType.pbFormat), signal);
        const auto writer = std::make_shared<host::MemoryWriter>();
        CMediaType agreed;
        {
            Ref<IGraphBuilder> graph;
            Ref<IBaseFilter> file;
            ASSERT_EQ(testkit::FileGraph(path, &graph, &file), S_OK);
            const auto filter = testkit::InvertFilter::Create({4096, 4, true, c.reconnectsInput});
            Ref<host::SinkFilter> sink;
            ASSERT_EQ(host::SinkFilter::Create(writer, &sink), S_OK);
            ASSERT_EQ(graph->AddFilter(filter.get(), L"invert"), S_OK);
            ASSERT_EQ(graph->AddFilter(sink.get(), L"sink"), S_OK);
            const Ref<IPin> fileOut = testkit::FirstPin(file.get(), PINDIR_OUTPUT);
            ASSERT_TRUE(fileOut);
            ASSERT_EQ(graph->Connect(fileOut.get(), filter->Input()), S_OK);  // Wine puts its parser between
            ASSERT_EQ(graph->Connect(filter->Output(), sink->GetPin(0)), S_OK);
            ASSERT_EQ(filter->Input()->ConnectionMediaType(&agreed), S_OK);
            LONGLONG duration = 0;  // asked of Wine's parser through our output pin
            const auto seeking = platform::QueryAs<IMediaSeeking>(filter->Output(), IID_IMediaSeeking);
            ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
            EXPECT_NEAR(static_cast<double>(duration), frames * 1e7 / 44100, 1e4);
            EXPECT_EQ(filter->ReconnectCount(), c.reconnectsInput ? 1 : 0);

            long code = 0;
            EXPECT_EQ(testkit::RunToCompletion(graph.get(), &code), S_OK);
            EXPECT_EQ(code, EC_COMPLETE);
            EXPECT_EQ(sink->EndsOfStream(), 1);
        }
        WAVEFORMATEXTENSIBLE arrived;
        ASSERT_TRUE(platform::ReadWaveFormat(agreed, &arrived));
        EXPECT_EQ(arrived.Format.nChannels, c.channels);
        EXPECT_EQ(writer->Bytes(), testkit::Inverted(agreed, signal));
        EXPECT_EQ(platform::LiveObjectCount(), baseline);  // Wine's graph let go of every object of ours
        DeleteFileW(path.c_str());
    }
}

}  // namespace
