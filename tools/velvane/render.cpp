#include "tools/velvane/render.h"

#include <chrono>
#include <cmath>
#include <vector>

#include "host/filter_graph.h"
#include "host/sink_filter.h"
#include "host/source_filter.h"
#include "platform/dshow/mediatype.h"
#include "tools/velvane/errors.h"

namespace velvane_cli {

using platform::Ref;

namespace {

// Buffers the source's allocator holds: one in flight, one being filled. They hold at least
// 64 KiB, whatever the frames delivered in each: a plug-in may want room to work in.
constexpr LONG kSourceBuffers = 2;
constexpr LONG kLeastBufferBytes = 0x10000;
constexpr auto kPoll = std::chrono::milliseconds(100);
// A run in which no frame moves for this long is hung.
constexpr auto kStall = std::chrono::seconds(60);

WAVEFORMATEXTENSIBLE WaveFormat(const StreamFormat& f) {
    const bool isFloat = f.format == SampleFormat::Float;
    return platform::MakeWaveFormat(static_cast<WORD>(f.channels), static_cast<DWORD>(f.sampleRate),
                                    static_cast<WORD>(8 * BytesPerSample(f.format)), isFloat, false);
}

std::string Describe(const StreamFormat& f) {
    return std::to_string(f.channels) + (f.channels == 1 ? " channel" : " channels") + " of " +
           (f.format == SampleFormat::Float ? "32-bit float" : "16-bit") + " at " + std::to_string(f.sampleRate) +
           " Hz";
}

// Whether the filter's first input pin takes `format`, as IPin::QueryAccept says.
bool Accepts(IBaseFilter* filter, const WAVEFORMATEXTENSIBLE& format) {
    CMediaType type;
    Check(platform::SetAudioType(format, &type), "describing the input");
    const Ref<IPin> pin = host::FirstPin(filter, PINDIR_INPUT);
    if (!pin) throw InternalError("the component has no input pin", E_UNEXPECTED);
    return pin->QueryAccept(&type) == S_OK;
}

// The type the sink's pin was connected with, checked against what the component must deliver.
void CheckOutputType(host::SinkFilter& sink, const StreamFormat& expected) {
    CMediaType type;
    Check(sink.GetPin(0)->CopyConnectionType(&type), "reading the output type");
    WAVEFORMATEXTENSIBLE f;
    const bool same = platform::ReadWaveFormat(type, &f) && f.Format.nChannels == expected.channels &&
                      f.Format.nSamplesPerSec == static_cast<DWORD>(expected.sampleRate) &&
                      f.Format.wBitsPerSample == 8 * BytesPerSample(expected.format) &&
                      platform::IsFloatFormat(f) == (expected.format == SampleFormat::Float);
    if (!same)
        throw InternalError("the component proposed another output type than " + Describe(expected), E_UNEXPECTED);
}

}  // namespace

HRESULT FrameSource::Rewind() noexcept {
    try {
        Restart();
        framesRead_ = 0;
        return S_OK;
    } catch (...) {
        failure_.KeepCurrent();
        return E_FAIL;
    }
}

HRESULT FrameSource::Read(BYTE* out, LONG frames, LONG* read) noexcept {
    if (!out || !read) return E_POINTER;
    *read = 0;
    try {
        *read = static_cast<LONG>(Fill(out, frames));
        framesRead_ += *read;
        return S_OK;
    } catch (...) {
        failure_.KeepCurrent();
        return E_FAIL;
    }
}

Levels Render(Component& component, const StreamFormat& input, const std::shared_ptr<FrameSource>& source,
              AudioWriter& writer, LONG blockFrames, Progress& progress) {
    const StreamFormat output{component.Kind().outputs, input.sampleRate, input.format};
    const auto plugin = platform::QueryAs<IBaseFilter>(component.Object(), IID_IBaseFilter);
    if (!plugin) throw InternalError("asking the component for IBaseFilter failed", E_NOINTERFACE);

    const Ref<host::FilterGraph> graph = host::FilterGraph::Create();
    if (!graph) throw InternalError("creating the graph failed", E_OUTOFMEMORY);
    const WAVEFORMATEXTENSIBLE wave = WaveFormat(input);
    if (!Accepts(plugin.get(), wave))
        throw InputError(std::string("the ") + component.Kind().name + " component does not take " + Describe(input));
    Ref<host::SourceFilter> sourceFilter;
    Check(host::SourceFilter::Create(wave, source, blockFrames, kSourceBuffers, kLeastBufferBytes, &sourceFilter),
          "creating the source");
    const auto sink = std::make_shared<FileSink>(output.format, output.channels, writer);
    Ref<host::SinkFilter> sinkFilter;
    Check(host::SinkFilter::Create(sink, &sinkFilter), "creating the sink");
    Check(graph->AddFilter(sourceFilter.get(), OLESTR("Source")), "adding the source to the graph");
    Check(graph->AddFilter(plugin.get(), OLESTR("Velvane")), "adding the component to the graph");
    Check(graph->AddFilter(sinkFilter.get(), OLESTR("Sink")), "adding the sink to the graph");

    Check(graph->ConnectFilters(sourceFilter.get(), plugin.get()), "connecting the source to the component");
    Check(graph->ConnectFilters(plugin.get(), sinkFilter.get()), "connecting the component to the sink");
    CheckOutputType(*sinkFilter.get(), output);

    Check(graph->Run(), "starting the graph");
    HRESULT result = E_ABORT;
    int64_t lastFrames = -1;
    auto lastMove = std::chrono::steady_clock::now();
    while ((result = graph->WaitForCompletion(static_cast<DWORD>(kPoll.count()))) == E_ABORT) {
        const int64_t frames = source->FramesRead();
        progress.Advance(frames);
        if (source->Failure().IsSet() || sink->Failure().IsSet()) break;
        const auto now = std::chrono::steady_clock::now();
        if (frames != lastFrames) {
            lastFrames = frames;
            lastMove = now;
        } else if (now - lastMove > kStall) {
            break;
        }
    }
    graph->Stop();
    sink->Finish();
    // The input's failure names the problem before the output's, and both before the graph's.
    source->Failure().RethrowIfSet();
    sink->Failure().RethrowIfSet();
    if (result == E_ABORT) throw InternalError("the stream stalled", E_ABORT);
    Check(result, "streaming");
    if (writer.Frames() != source->FramesRead())
        throw InternalError("the component returned " + std::to_string(writer.Frames()) + " frames for " +
                                std::to_string(source->FramesRead()),
                            E_UNEXPECTED);
    return sink->Result();
}

}  // namespace velvane_cli
