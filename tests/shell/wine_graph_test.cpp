// Windows only: the registered plug-in, created by its class id, in Wine's own filter graph between
// Wine's WAV parser and the host's recording sink, must give the Linux build's recorded output.
#include <gtest/gtest.h>

#include "host/sink_filter.h"
#include "tests/shell/expected_components.h"
#include "tests/shell/golden.h"
#include "tests/shell/wine_commands.h"

namespace {

using platform::Ref;

TEST(WineGraph, TheRegisteredPlugInGivesTheRecordedOutputInWinesGraph) {
    const std::string dll = std::string("\"").append(DllPath()).append("\"");
    ASSERT_EQ(RunCommand("regsvr32 /s " + dll).exitCode, 0u);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    for (const GoldenCase& c : kGoldenCases) {
        SCOPED_TRACE(c.name);
        const CMediaType type = GoldenInputType(c);
        const std::wstring path =
            testkit::WriteWav(c.name, *reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat), GoldenSignal(c));
        const auto writer = std::make_shared<host::MemoryWriter>();
        CMediaType agreed;
        {
            Ref<IGraphBuilder> graph;
            Ref<IBaseFilter> file, plugIn;
            ASSERT_EQ(testkit::FileGraph(path, &graph, &file), S_OK);
            ASSERT_EQ(CoCreateInstance(*platform::GuidFromString(kExpectedComponents[c.row].clsid), nullptr,
                                       CLSCTX_INPROC_SERVER, IID_IBaseFilter, plugIn.put_void()),
                      S_OK);
            Ref<host::SinkFilter> sink;
            ASSERT_EQ(host::SinkFilter::Create(writer, &sink), S_OK);
            ASSERT_EQ(graph->AddFilter(plugIn.get(), L"velvane"), S_OK);
            ASSERT_EQ(graph->AddFilter(sink.get(), L"sink"), S_OK);
            const Ref<IPin> fileOut = testkit::FirstPin(file.get(), PINDIR_OUTPUT),
                            in = testkit::FirstPin(plugIn.get(), PINDIR_INPUT),
                            out = testkit::FirstPin(plugIn.get(), PINDIR_OUTPUT);
            ASSERT_TRUE(fileOut && in && out);
            ASSERT_EQ(graph->Connect(fileOut.get(), in.get()), S_OK);  // Wine puts its parser between
            ASSERT_EQ(graph->Connect(out.get(), sink->GetPin(0)), S_OK);
            ASSERT_EQ(out->ConnectionMediaType(&agreed), S_OK);

            long code = 0;
            EXPECT_EQ(testkit::RunToCompletion(graph.get(), &code), S_OK);
            EXPECT_EQ(code, EC_COMPLETE);
        }
        WAVEFORMATEXTENSIBLE output;
        ASSERT_TRUE(platform::ReadWaveFormat(agreed, &output));
        const bool monoToStereo = c.row == 5;
        EXPECT_EQ(output.Format.nChannels, monoToStereo ? 2 : c.channels);
        if (output.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && monoToStereo) {
            EXPECT_EQ(output.dwChannelMask, static_cast<DWORD>(SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT));
        }
        EXPECT_EQ(writer->Bytes(), ReadGolden(c));
        DeleteFileW(path.c_str());
    }
    CoUninitialize();
    EXPECT_EQ(RunCommand("regsvr32 /s /u " + dll).exitCode, 0u);
}

}  // namespace
