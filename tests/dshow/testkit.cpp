#include "tests/dshow/testkit.h"

#ifdef _WIN32
#include <control.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/dshow/allocator.h"

namespace testkit {

using platform::Ref;

namespace {

WAVEFORMATEXTENSIBLE FormatOf(const CMediaType& type) {
    WAVEFORMATEXTENSIBLE f{};
    platform::ReadWaveFormat(type, &f);
    return f;
}

// {A1C4E7B2-3D5F-4A60-8B19-2C7E0F6D5A41}: the test transform's class id.
constexpr CLSID kInvertClsid = {0xA1C4E7B2, 0x3D5F, 0x4A60, {0x8B, 0x19, 0x2C, 0x7E, 0x0F, 0x6D, 0x5A, 0x41}};

}  // namespace

Ref<InvertFilter> InvertFilter::Create(Options options) {
    return Ref<InvertFilter>::adopt(new InvertFilter(options, nullptr));
}

Ref<IUnknown> InvertFilter::CreateAggregated(IUnknown* outer) {
    return Ref<IUnknown>::adopt((new InvertFilter(Options{}, outer))->NonDelegatingUnknown());
}

InvertFilter::InvertFilter(Options options, IUnknown* outer) noexcept
    : CTransformFilter(outer, kInvertClsid), options_(options) {}

HRESULT InvertFilter::CheckInputType(const CMediaType* in) {
    WAVEFORMATEXTENSIBLE f;
    if (in->majortype != MEDIATYPE_Audio || !platform::ReadWaveFormat(*in, &f)) return VFW_E_TYPE_NOT_ACCEPTED;
    const WORD channels = f.Format.nChannels;
    const bool sampleFormat = (platform::IsPcmFormat(f) && f.Format.wBitsPerSample == 16) ||
                              (platform::IsFloatFormat(f) && f.Format.wBitsPerSample == 32);
    const bool layout =
        channels >= 1 && channels <= 8 && f.Format.nBlockAlign == channels * f.Format.wBitsPerSample / 8;
    return sampleFormat && layout ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT InvertFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    return *out == *in ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT InvertFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    request->cBuffers = options_.outputBuffers;
    request->cbBuffer = options_.outputBufferBytes;
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < format_.Format.nBlockAlign ? E_FAIL : S_OK;
}

HRESULT InvertFilter::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return SUCCEEDED(input_.CopyConnectionType(type)) ? S_OK : E_UNEXPECTED;
}

HRESULT InvertFilter::StartStreaming() {
    ++starts_;
    return S_OK;
}

HRESULT InvertFilter::StopStreaming() {
    ++stops_;
    return S_OK;
}

HRESULT InvertFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    if (direction == PINDIR_INPUT) {
        format_ = FormatOf(*type);
        isFloat_ = platform::IsFloatFormat(format_);
    } else if (IFilterGraph* graph = Graph(); options_.reconnectsInput && graph && input_.IsConnected()) {
        if (SUCCEEDED(graph->Reconnect(&input_))) ++reconnects_;
    }
    return S_OK;
}

void InvertFilter::Invert(const BYTE* in, BYTE* out, LONG bytes) const noexcept {
    if (isFloat_) {
        for (LONG i = 0; i + 4 <= bytes; i += 4) {
            float v;
            std::memcpy(&v, in + i, 4);
            v = -v;
            std::memcpy(out + i, &v, 4);
        }
        return;
    }
    for (LONG i = 0; i + 2 <= bytes; i += 2) {
        int16_t v;
        std::memcpy(&v, in + i, 2);
        v = v == INT16_MIN ? INT16_MAX : static_cast<int16_t>(-v);
        std::memcpy(out + i, &v, 2);
    }
}

HRESULT InvertFilter::Transform(IMediaSample* in, IMediaSample* out) {
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    in->GetPointer(&src);
    out->GetPointer(&dst);
    const LONG bytes = in->GetActualDataLength();
    if (bytes > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    Invert(src, dst, bytes);
    return out->SetActualDataLength(bytes);
}

HRESULT InvertFilter::Receive(IMediaSample* in) {
    if (!options_.chunked) return CTransformFilter::Receive(in);
    const LONG frame = format_.Format.nBlockAlign;
    BYTE* src = nullptr;
    in->GetPointer(&src);
    LONG left = in->GetActualDataLength() / frame * frame;
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = in->GetTime(&start, &stop);
    for (bool first = true; left > 0; first = false) {
        Ref<IMediaSample> out;
        HRESULT hr = output_.GetDeliveryBuffer(out.put(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        const LONG chunk = std::min(left, out->GetSize() / frame * frame);
        BYTE* dst = nullptr;
        out->GetPointer(&dst);
        Invert(src, dst, chunk);
        out->SetActualDataLength(chunk);
        if (first) {
            if (SUCCEEDED(timed)) out->SetTime(&start, timed == S_OK ? &stop : nullptr);
            out->SetSyncPoint(in->IsSyncPoint() == S_OK);
            out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
        }
        hr = output_.Deliver(out.get());
        if (hr != S_OK) return hr;
        src += chunk;
        left -= chunk;
    }
    return S_OK;
}

Ref<TestSource> TestSource::Create(std::vector<CMediaType> types, ALLOCATOR_PROPERTIES buffers) {
    return Ref<TestSource>::adopt(new TestSource(std::move(types), buffers));
}

TestSource::TestSource(std::vector<CMediaType> types, ALLOCATOR_PROPERTIES buffers) noexcept
    : CBaseFilter(nullptr, GUID_NULL), types_(std::move(types)), buffers_(buffers), output_(this) {}

HRESULT TestSource::Push(const std::vector<BYTE>& bytes, PushFlags flags) {
    Ref<IMediaSample> sample;
    HRESULT hr = output_.GetDeliveryBuffer(sample.put(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (static_cast<LONG>(bytes.size()) > sample->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::copy(bytes.begin(), bytes.end(), data);
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    if (flags.timed) sample->SetTime(&flags.start, &flags.stop);
    sample->SetDiscontinuity(flags.discontinuity);
    sample->SetSyncPoint(TRUE);
    return output_.Deliver(sample.get());
}

HRESULT TestSource::PushPin::CheckMediaType(const CMediaType* type) {
    const auto& types = source_->types_;
    return std::find(types.begin(), types.end(), *type) != types.end() ? S_OK : S_FALSE;
}

HRESULT TestSource::PushPin::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (static_cast<size_t>(position) >= source_->types_.size()) return VFW_S_NO_MORE_ITEMS;
    return type->Set(source_->types_[position]);
}

HRESULT TestSource::PushPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    *request = source_->buffers_;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(request, &actual);
}

Ref<TestSink> TestSink::Create(Options options) { return Ref<TestSink>::adopt(new TestSink(std::move(options))); }

TestSink::TestSink(Options options) noexcept
    : CBaseFilter(nullptr, GUID_NULL), options_(std::move(options)), input_(this) {}

TestSink::Record TestSink::Recorded() const {
    std::lock_guard lock(lock_);
    return record_;
}

std::vector<BYTE> TestSink::Bytes() const {
    std::lock_guard lock(lock_);
    std::vector<BYTE> all;
    for (const Arrival& a : record_.arrivals) all.insert(all.end(), a.bytes.begin(), a.bytes.end());
    return all;
}

HRESULT TestSink::RecordingPin::Receive(IMediaSample* sample) noexcept {
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    Arrival a;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    a.bytes.assign(data, data + sample->GetActualDataLength());
    a.capacity = sample->GetSize();
    a.discontinuity = sample->IsDiscontinuity() == S_OK;
    a.syncPoint = sample->IsSyncPoint() == S_OK;
    a.timeResult = sample->GetTime(&a.start, &a.stop);
    {
        std::lock_guard lock(sink_->lock_);
        sink_->record_.arrivals.push_back(std::move(a));
    }
    if (sink_->onReceive) sink_->onReceive(sample);
    return S_OK;
}

HRESULT TestSink::RecordingPin::EndOfStream() noexcept {
    const HRESULT hr = CBaseInputPin::EndOfStream();
    if (hr != S_OK) return hr;
    {
        std::lock_guard lock(sink_->lock_);
        ++sink_->record_.endsOfStream;
    }
    if (sink_->onEndOfStream) sink_->onEndOfStream();
    return S_OK;
}

HRESULT TestSink::RecordingPin::BeginFlush() noexcept {
    {
        std::lock_guard lock(sink_->lock_);
        ++sink_->record_.beginFlushes;
    }
    return CBaseInputPin::BeginFlush();
}

HRESULT TestSink::RecordingPin::EndFlush() noexcept {
    {
        std::lock_guard lock(sink_->lock_);
        ++sink_->record_.endFlushes;
    }
    return CBaseInputPin::EndFlush();
}

HRESULT TestSink::RecordingPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept {
    std::lock_guard lock(sink_->lock_);
    sink_->record_.segments.push_back({static_cast<double>(start), static_cast<double>(stop), rate});
    return S_OK;
}

HRESULT TestSink::RecordingPin::GetAllocator(IMemAllocator** allocator) noexcept {
    if (sink_->options_.offersAllocator) return CBaseInputPin::GetAllocator(allocator);
    if (allocator) *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;
}

HRESULT TestSink::RecordingPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) noexcept {
    {
        std::lock_guard lock(sink_->lock_);
        sink_->record_.notifiedAllocator = allocator;
    }
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
}

HRESULT TestSink::RecordingPin::CheckMediaType(const CMediaType* type) {
    const auto& types = sink_->options_.types;
    if (!types.empty()) return std::find(types.begin(), types.end(), *type) != types.end() ? S_OK : S_FALSE;
    WAVEFORMATEXTENSIBLE f;
    return type->majortype == MEDIATYPE_Audio && platform::ReadWaveFormat(*type, &f) ? S_OK : S_FALSE;
}

HRESULT TestSink::RecordingPin::GetMediaType(int position, CMediaType* type) {
    const auto& types = sink_->options_.types;
    if (position < 0) return E_INVALIDARG;
    if (static_cast<size_t>(position) >= types.size()) return VFW_S_NO_MORE_ITEMS;
    return type->Set(types[position]);
}

CMediaType AudioType(WORD channels, DWORD rate, bool isFloat, bool extensible) {
    CMediaType type;
    platform::SetAudioType(platform::MakeWaveFormat(channels, rate, isFloat ? 32 : 16, isFloat, extensible), &type);
    return type;
}

std::vector<BYTE> Signal(const CMediaType& type, size_t frames) {
    const WAVEFORMATEXTENSIBLE f = FormatOf(type);
    const size_t samples = frames * f.Format.nChannels;
    std::vector<BYTE> bytes(frames * f.Format.nBlockAlign);
    for (size_t i = 0; i < samples; ++i) {
        // Odd steps walk through every 16-bit value; the first sample is the most negative.
        const auto value = static_cast<int16_t>(static_cast<uint16_t>(0x8000u + i * 7919u));
        if (platform::IsFloatFormat(f)) {
            const float v = value / 32768.0f;
            std::memcpy(&bytes[i * 4], &v, 4);
        } else {
            std::memcpy(&bytes[i * 2], &value, 2);
        }
    }
    return bytes;
}

std::vector<BYTE> Inverted(const CMediaType& type, const std::vector<BYTE>& bytes) {
    std::vector<BYTE> out(bytes.size());
    if (platform::IsFloatFormat(FormatOf(type))) {
        for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
            uint32_t bits;
            std::memcpy(&bits, &bytes[i], 4);
            bits ^= 0x80000000u;  // the sign bit: negation is exact
            std::memcpy(&out[i], &bits, 4);
        }
        return out;
    }
    for (size_t i = 0; i + 2 <= bytes.size(); i += 2) {
        int16_t v;
        std::memcpy(&v, &bytes[i], 2);
        const int16_t inverted = static_cast<int16_t>(std::clamp(-static_cast<int>(v), -32768, 32767));
        std::memcpy(&out[i], &inverted, 2);
    }
    return out;
}

Ref<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    Ref<IEnumPins> pins;
    filter->EnumPins(pins.put());
    IPin* pin = nullptr;
    while (pins && pins->Next(1, &pin, nullptr) == S_OK) {
        auto held = Ref<IPin>::adopt(pin);
        PIN_DIRECTION its;
        if (SUCCEEDED(held->QueryDirection(&its)) && its == direction) return held;
    }
    return {};
}

#ifdef _WIN32
namespace {

void Put32(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }

}  // namespace

std::wstring WriteWav(const char* name, const WAVEFORMATEX& format, const std::vector<BYTE>& data) {
    const bool isFloat = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    std::string fmt(reinterpret_cast<const char*>(&format), isFloat ? 18 : 16);
    std::string body = "WAVEfmt ";
    Put32(body, static_cast<uint32_t>(fmt.size()));
    body += fmt;
    if (isFloat) {
        body += "fact";
        Put32(body, 4);
        Put32(body, static_cast<uint32_t>(data.size() / format.nBlockAlign));
    }
    body += "data";
    Put32(body, static_cast<uint32_t>(data.size()));
    body.append(reinterpret_cast<const char*>(data.data()), data.size());
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size()));
    file += body;

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"velvane-" + std::wstring(name, name + std::strlen(name)) + L".wav";
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(file.data(), static_cast<std::streamsize>(file.size()));
    return path;
}

HRESULT FileGraph(const std::wstring& path, Ref<IGraphBuilder>* graph, Ref<IBaseFilter>* file) {
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph->put_void());
    if (SUCCEEDED(hr)) hr = (*graph)->AddSourceFilter(path.c_str(), L"file", file->put());
    return hr;
}

HRESULT RunToCompletion(IUnknown* graph, long* event) {
    *event = 0;
    const auto control = platform::QueryAs<IMediaControl>(graph, IID_IMediaControl);
    const auto events = platform::QueryAs<IMediaEvent>(graph, IID_IMediaEvent);
    if (!control || !events) return E_NOINTERFACE;
    HRESULT hr = control->Run();
    if (SUCCEEDED(hr)) hr = events->WaitForCompletion(20000, event);
    const HRESULT stopped = control->Stop();
    return FAILED(hr) ? hr : stopped;
}
#endif

HRESULT SetStates(std::initializer_list<IBaseFilter*> downstreamFirst, FILTER_STATE state) {
    for (IBaseFilter* f : downstreamFirst) {
        const HRESULT hr = state == State_Stopped ? f->Stop() : state == State_Paused ? f->Pause() : f->Run(0);
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

HRESULT LooseSample(LONG bytes, IMediaSample** sample) {
    const auto allocator = Ref<IMemAllocator>::adopt(new CMemAllocator);
    ALLOCATOR_PROPERTIES props{1, bytes, 1, 0}, actual{};
    HRESULT hr = allocator->SetProperties(&props, &actual);
    if (SUCCEEDED(hr)) hr = allocator->Commit();
    if (SUCCEEDED(hr)) hr = allocator->GetBuffer(sample, nullptr, nullptr, 0);
    return hr;
}

void Disconnect(IPin* pin) {
    Ref<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(peer.put()))) {
        peer->Disconnect();
        pin->Disconnect();
    }
}

}  // namespace testkit
