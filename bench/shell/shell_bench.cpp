// Frames per second of a minute of stereo float audio at 44.1 kHz through the stereo component, in
// the host's usual buffer sizes: through the whole graph (memory source → plug-in filter → counting
// sink, each run started, completed and stopped) and through the same component's kernel called
// directly on the same signal in blocks of the same size. graph_over_kernel is what the audio path
// keeps of the kernel's speed. Allocations are counted over the graph's runs: a count that does not
// grow with the number of buffers means none is made per buffer or per chunk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/FourCC.h"
#include "framework/NordeComponentInfo.h"
#include "host/filter_graph.h"
#include "host/sink_filter.h"
#include "host/source_filter.h"
#include "platform/environment.h"
#include "platform/module.h"
#include "plugin/algorithm/cVelvane_ALG.h"
#include "plugin/shell/interfaces/host_interfaces.h"
#include "plugin/shell/processing_component.h"
#include "plugin/shell/server.h"

namespace {

std::atomic<long long> gAllocations{0};

constexpr int32_t kRate = 44100, kFrames = 60 * kRate;

const std::vector<float>& Signal() {
    static const std::vector<float> signal = [] {
        std::vector<float> s(2 * static_cast<size_t>(kFrames));
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<float>(0.5 * std::sin(0.0313 * static_cast<double>(i)) +
                                      0.25 * std::sin(0.00071 * static_cast<double>(i * i % 100003)));
        return s;
    }();
    return signal;
}

// Keeps nothing but the count: the sink's own work stays out of the figure.
class CountingWriter final : public host::FrameWriter {
public:
    HRESULT Write(const BYTE*, LONG bytes, IMediaSample*) noexcept override {
        bytes_ += bytes;
        return S_OK;
    }
    long long bytes_ = 0;
};

// The stereo component's filter between a memory source and a counting sink, connected.
class GraphRun {
public:
    explicit GraphRun(LONG framesPerBuffer) {
        const std::vector<float>& signal = Signal();
        std::vector<BYTE> bytes(signal.size() * sizeof(float));
        std::memcpy(bytes.data(), signal.data(), bytes.size());
        HRESULT hr = E_FAIL;
        const auto object = platform::Ref<IUnknown>::adopt(
            CreateProcessingComponent(nullptr, CLSID_VelvaneStereo, FourCC("FLNS"), FourCC("pcDX"), &hr));
        filter_ = platform::QueryAs<IBaseFilter>(object.get(), IID_IBaseFilter);
        graph_ = host::FilterGraph::Create();
        const WAVEFORMATEXTENSIBLE format = platform::MakeWaveFormat(2, kRate, 32, true, false);
        ready_ = filter_ && graph_ &&
                 SUCCEEDED(host::SourceFilter::Create(format, std::make_shared<host::MemoryReader>(bytes, 8),
                                                      framesPerBuffer, 2, 0, &source_)) &&
                 SUCCEEDED(host::SinkFilter::Create(writer_, &sink_)) &&
                 SUCCEEDED(graph_->AddFilter(source_.get(), nullptr)) &&
                 SUCCEEDED(graph_->AddFilter(filter_.get(), nullptr)) &&
                 SUCCEEDED(graph_->AddFilter(sink_.get(), nullptr)) &&
                 SUCCEEDED(graph_->ConnectFilters(source_.get(), filter_.get())) &&
                 SUCCEEDED(graph_->ConnectFilters(filter_.get(), sink_.get()));
    }
    // One run over the whole signal: true when every frame came through.
    bool Run() {
        const long long before = writer_->bytes_;
        return ready_ && SUCCEEDED(graph_->Run()) && SUCCEEDED(graph_->WaitForCompletion(60000)) &&
               SUCCEEDED(graph_->Stop()) && writer_->bytes_ - before == int64_t{kFrames} * 8;
    }

private:
    bool ready_ = false;
    const std::shared_ptr<CountingWriter> writer_ = std::make_shared<CountingWriter>();
    platform::Ref<IBaseFilter> filter_;
    platform::Ref<host::SourceFilter> source_;
    platform::Ref<host::SinkFilter> sink_;
    platform::Ref<host::FilterGraph> graph_;
};

// The same component's kernel, called directly over the signal in blocks of the same size.
class KernelRun {
public:
    explicit KernelRun(int32_t framesPerBuffer) : algorithm_(Info()), framesPerBuffer_(framesPerBuffer) {
        ready_ =
            algorithm_.FinishCreate() == eNoErr && algorithm_.InitProcessCode(&shell_) == eNoErr && shell_.GetProcess();
        algorithm_.SetProcessActive(true);
        out_.resize(2 * static_cast<size_t>(framesPerBuffer));
    }
    bool Run() {
        if (!ready_) return false;
        algorithm_.InitAlg(true);
        const VelvaneProcessFn routine = shell_.GetProcess();
        float* signal = const_cast<float*>(Signal().data());
        for (int32_t done = 0; done < kFrames; done += framesPerBuffer_) {
            const int32_t frames = std::min(framesPerBuffer_, kFrames - done);
            float* in = signal + 2 * static_cast<size_t>(done);
            const NordeSoundBuf inputs[2] = {{in, 2, kSampleFloat32, 0, 0}, {in + 1, 2, kSampleFloat32, 0, 0}};
            const NordeSoundBuf outputs[2] = {{out_.data(), 2, kSampleFloat32, 0, 0},
                                              {out_.data() + 1, 2, kSampleFloat32, 0, 0}};
            int32_t produced = 0;
            routine(inputs, 2, frames, outputs, 2, &produced, shell_.GetCoefs(), shell_.GetStates(),
                    shell_.GetExternStruct(), 0);
            benchmark::ClobberMemory();
        }
        return true;
    }

private:
    static NordeComponentInfo Info() {
        NordeComponentInfo info;
        MakeComponentInfo(&info, FourCC("FLNS"), FourCC("pcDX"), ModuleHandle());
        return info;
    }
    cNspShell shell_;  // first: the algorithm keeps a pointer to it
    cVelvane_ALG algorithm_;
    const int32_t framesPerBuffer_;
    std::vector<float> out_;
    bool ready_ = false;
};

template <class F>
double Seconds(F&& run, bool* ok) {
    const auto start = std::chrono::steady_clock::now();
    *ok = run() && *ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration times one kernel pass and one graph run back to back, so both meet the same load
// on a shared machine; the quickest of each is the figure least disturbed.
void GraphAgainstKernel(benchmark::State& state) {
    const auto framesPerBuffer = static_cast<int32_t>(state.range(0));
    KernelRun kernel(framesPerBuffer);
    GraphRun graph(framesPerBuffer);
    double bestKernel = 1e9, bestGraph = 1e9;
    bool ok = true;
    long long graphAllocations = 0;
    for (auto _ : state) {
        bestKernel = std::min(bestKernel, Seconds([&] { return kernel.Run(); }, &ok));
        const long long before = gAllocations;
        const double graphSeconds = Seconds([&] { return graph.Run(); }, &ok);
        graphAllocations += gAllocations - before;
        bestGraph = std::min(bestGraph, graphSeconds);
        state.SetIterationTime(graphSeconds);
    }
    if (!ok) state.SkipWithError("a run failed or lost frames");
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["kernel_Mframes_s"] = kFrames / bestKernel / 1e6;
    state.counters["graph_Mframes_s"] = kFrames / bestGraph / 1e6;
    state.counters["graph_over_kernel"] = bestKernel / bestGraph;
    state.counters["buffers_per_run"] = (kFrames + framesPerBuffer - 1) / framesPerBuffer;
    state.counters["allocations_per_run"] = static_cast<double>(graphAllocations) / iterations;
}

// The host's usual buffer sizes, in frames: a DAW's blocks, the CLI's default (8192) and a WAV
// parser's second.
BENCHMARK(GraphAgainstKernel)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Arg(8192)
    ->Arg(44100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

// Every allocation of the program is counted; the replaced pair is malloc and free underneath.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t bytes) {
    ++gAllocations;
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

int main(int argc, char** argv) {
    static int marker;
    ModuleAttach(platform::ModuleOf(&marker));  // the plug-in's resources are linked into this program
    platform::SetEnvironment("VELVANE_KERNEL", std::string(VELVANE_KERNEL_PATH));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ModuleDetach();
    return 0;
}
