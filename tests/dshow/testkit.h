#pragma once
// Filters for testing the stream base classes and the graphs built from them: a transform that
// inverts the signal, and a hand-driven source and a recording sink to put around it.
#include <array>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/transform.h"

namespace testkit {

// Negates every sample of 16-bit PCM (-32768 becomes 32767) or 32-bit float audio, plain or
// WAVE_FORMAT_EXTENSIBLE, 1 to 8 channels; the output type is the input type. Output buffers are
// sized as configured. With `chunked` it cuts each input sample into whole-frame chunks that fit
// the output buffers (the first carries the input's times and flags, the rest none); otherwise it
// runs the base class's one-to-one Receive. With `reconnectsInput` it asks its graph to reconnect
// the input pin whenever the output type is set, as a filter whose output type follows from its
// input's must.
class InvertFilter final : public CTransformFilter {
public:
    struct Options {
        LONG outputBufferBytes = 4096;
        LONG outputBuffers = 2;
        bool chunked = true;
        bool reconnectsInput = false;
    };
    static platform::Ref<InvertFilter> Create(Options options);
    static platform::Ref<InvertFilter> Create() { return Create(Options{}); }
    // Aggregated by `outer`: the non-delegating unknown, which the outer keeps.
    static platform::Ref<IUnknown> CreateAggregated(IUnknown* outer);

    IPin* Input() noexcept { return &input_; }
    IPin* Output() noexcept { return &output_; }
    int StartCount() const noexcept { return starts_; }
    int StopCount() const noexcept { return stops_; }
    int ReconnectCount() const noexcept { return reconnects_; }

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT Receive(IMediaSample* in) override;

private:
    InvertFilter(Options options, IUnknown* outer) noexcept;
    void Invert(const BYTE* in, BYTE* out, LONG bytes) const noexcept;

    const Options options_;
    WAVEFORMATEXTENSIBLE format_{};  // the input's, set with its type
    bool isFloat_ = false;
    std::atomic<int> starts_{0};
    std::atomic<int> stops_{0};
    int reconnects_ = 0;  // [filter lock]
};

// How TestSource marks a sample.
struct PushFlags {
    bool discontinuity = false;
    bool timed = false;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
};

// A source whose output pin offers `types` in order and pushes what the test hands it, on the
// test's own thread.
class TestSource final : public CBaseFilter {
public:
    static platform::Ref<TestSource> Create(std::vector<CMediaType> types, ALLOCATOR_PROPERTIES buffers);

    int GetPinCount() noexcept override { return 1; }
    CBasePin* GetPin(int index) noexcept override { return index == 0 ? &output_ : nullptr; }
    IPin* Output() noexcept { return &output_; }
    CBaseOutputPin& OutputPin() noexcept { return output_; }

    // One sample holding `bytes`; the peer's answer, or why no sample could be had.
    HRESULT Push(const std::vector<BYTE>& bytes, PushFlags flags = {});

private:
    class PushPin final : public CBaseOutputPin {
    public:
        explicit PushPin(TestSource* source) noexcept
            : CBaseOutputPin(source, OLESTR("Out"), OLESTR("Out")), source_(source) {}
        HRESULT CheckMediaType(const CMediaType* type) override;
        HRESULT GetMediaType(int position, CMediaType* type) override;
        HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    private:
        TestSource* const source_;
    };
    TestSource(std::vector<CMediaType> types, ALLOCATOR_PROPERTIES buffers) noexcept;

    const std::vector<CMediaType> types_;
    const ALLOCATOR_PROPERTIES buffers_;
    PushPin output_;
};

// A sink that records every arrival. It accepts `types` (any PCM or float audio when empty),
// offers its own allocator or none, and can run a hook on the streaming thread.
class TestSink final : public CBaseFilter {
public:
    struct Options {
        std::vector<CMediaType> types;
        bool offersAllocator = true;
    };
    static platform::Ref<TestSink> Create(Options options);
    static platform::Ref<TestSink> Create() { return Create(Options{}); }

    int GetPinCount() noexcept override { return 1; }
    CBasePin* GetPin(int index) noexcept override { return index == 0 ? &input_ : nullptr; }
    IPin* Input() noexcept { return &input_; }

    struct Arrival {
        std::vector<BYTE> bytes;
        LONG capacity = 0;
        bool discontinuity = false;
        bool syncPoint = false;
        HRESULT timeResult = S_OK;  // what GetTime said
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
    };
    struct Record {
        std::vector<Arrival> arrivals;
        int endsOfStream = 0;
        int beginFlushes = 0;
        int endFlushes = 0;
        std::vector<std::array<double, 3>> segments;
        IMemAllocator* notifiedAllocator = nullptr;  // identity only, never called
    };
    // A copy of what arrived so far.
    Record Recorded() const;
    // All the bytes that arrived, in order.
    std::vector<BYTE> Bytes() const;
    // Run on the streaming thread after an arrival is recorded, or at end of stream.
    std::function<void(IMediaSample*)> onReceive;
    std::function<void()> onEndOfStream;

private:
    class RecordingPin final : public CBaseInputPin {
    public:
        explicit RecordingPin(TestSink* sink) noexcept : CBaseInputPin(sink, OLESTR("In"), OLESTR("In")), sink_(sink) {}
        HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) noexcept override;
        HRESULT STDMETHODCALLTYPE EndOfStream() noexcept override;
        HRESULT STDMETHODCALLTYPE BeginFlush() noexcept override;
        HRESULT STDMETHODCALLTYPE EndFlush() noexcept override;
        HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept override;
        HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) noexcept override;
        HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) noexcept override;
        HRESULT CheckMediaType(const CMediaType* type) override;
        HRESULT GetMediaType(int position, CMediaType* type) override;

    private:
        TestSink* const sink_;
    };
    explicit TestSink(Options options) noexcept;

    const Options options_;
    RecordingPin input_;
    mutable std::mutex lock_;
    Record record_;
};

// Sets each filter's state in turn, downstream first as a graph does; the first failure, where
// the rest are left as they were.
HRESULT SetStates(std::initializer_list<IBaseFilter*> downstreamFirst, FILTER_STATE state);
// Breaks the pin's connection at both ends; nothing for a pin without one.
void Disconnect(IPin* pin);

// A sample of `bytes` bytes from a committed one-buffer allocator of its own, which the sample keeps
// alive; the first failure.
HRESULT LooseSample(LONG bytes, IMediaSample** sample);

// An IUnknown that only counts, to see that an object takes and drops its references.
struct CountedUnknown : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

// The audio type of a plain or extensible PCM (16-bit) or float (32-bit) format.
CMediaType AudioType(WORD channels, DWORD rate, bool isFloat, bool extensible = false);
// `frames` frames of a deterministic signal in the type's format (16-bit values include -32768).
std::vector<BYTE> Signal(const CMediaType& type, size_t frames);
// What InvertFilter makes of `bytes`, computed sample by sample on its own.
std::vector<BYTE> Inverted(const CMediaType& type, const std::vector<BYTE>& bytes);

// The filter's first pin of that direction, or empty.
platform::Ref<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);

#ifdef _WIN32
// Writes `data` as the RIFF WAVE file velvane-<name>.wav in the temporary folder, for Wine's
// parser: PCM with a 16-byte format chunk, float with an 18-byte one and a fact chunk. Its path.
std::wstring WriteWav(const char* name, const WAVEFORMATEX& format, const std::vector<BYTE>& data);
// A new system filter graph holding a file source of Wine's for the file at `path`.
HRESULT FileGraph(const std::wstring& path, platform::Ref<IGraphBuilder>* graph, platform::Ref<IBaseFilter>* file);
// Runs a system filter graph until it completes (20 s at most) and stops it; the first failure,
// and the completion event's code in *event.
HRESULT RunToCompletion(IUnknown* graph, long* event);
#endif

}  // namespace testkit
