#include "host/source_filter.h"

#include <algorithm>
#include <climits>

namespace host {

using platform::AtBoundary;
using platform::Ref;

namespace {

// {5E9B0D1A-8C3E-4F57-9C2B-7A41D6E0B301}: not registered; reported by GetClassID only.
constexpr CLSID kSourceClsid = {0x5E9B0D1A, 0x8C3E, 0x4F57, {0x9C, 0x2B, 0x7A, 0x41, 0xD6, 0xE0, 0xB3, 0x01}};
constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

}  // namespace

HRESULT SourceFilter::Create(const WAVEFORMATEXTENSIBLE& format, std::shared_ptr<FrameReader> reader,
                             LONG framesPerBuffer, LONG buffers, LONG leastBufferBytes,
                             Ref<SourceFilter>* source) noexcept {
    if (!source) return E_POINTER;
    source->reset();
    const WORD blockAlign = format.Format.nBlockAlign;
    if (!reader || blockAlign == 0 || format.Format.nSamplesPerSec == 0 || framesPerBuffer <= 0 || buffers <= 0 ||
        leastBufferBytes < 0 || framesPerBuffer > LONG_MAX / blockAlign)
        return E_INVALIDARG;
    return AtBoundary([&] {
        auto filter = Ref<SourceFilter>::adopt(new SourceFilter(
            std::move(reader), blockAlign, format.Format.nSamplesPerSec, framesPerBuffer, buffers, leastBufferBytes));
        const HRESULT hr = platform::SetAudioType(format, &filter->type_);
        if (SUCCEEDED(hr)) *source = std::move(filter);
        return hr;
    });
}

SourceFilter::SourceFilter(std::shared_ptr<FrameReader> reader, WORD blockAlign, DWORD samplesPerSec,
                           LONG framesPerBuffer, LONG buffers, LONG leastBufferBytes) noexcept
    : CBaseFilter(nullptr, kSourceClsid),
      reader_(std::move(reader)),
      blockAlign_(blockAlign),
      samplesPerSec_(samplesPerSec),
      framesPerBuffer_(framesPerBuffer),
      buffers_(buffers),
      leastBufferBytes_(leastBufferBytes),
      output_(this) {}

SourceFilter::~SourceFilter() { EndThread(); }

CBasePin* SourceFilter::GetPin(int index) noexcept { return index == 0 ? &output_ : nullptr; }

HRESULT SourceFilter::Stop() noexcept {
    CAutoLock lock(&filterLock_);
    {
        std::lock_guard command(commandLock_);
        quit_ = true;
    }
    command_.notify_all();
    const HRESULT hr = CBaseFilter::Stop();  // decommits: a thread waiting for a buffer wakes up
    EndThread();
    return hr;
}

HRESULT SourceFilter::Pause() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&filterLock_);
        const bool starting = state_ == State_Stopped;
        {
            std::lock_guard command(commandLock_);
            running_ = false;
        }
        if (!starting) return CBaseFilter::Pause();
        HRESULT hr = reader_->Rewind();
        if (SUCCEEDED(hr)) hr = CBaseFilter::Pause();
        if (FAILED(hr) || !output_.IsConnected()) return hr;
        {
            std::lock_guard command(commandLock_);
            quit_ = false;
        }
        thread_ = std::thread([this] { Stream(); });
        return S_OK;
    });
}

HRESULT SourceFilter::Run(REFERENCE_TIME start) noexcept {
    CAutoLock lock(&filterLock_);
    const HRESULT hr = CBaseFilter::Run(start);
    if (FAILED(hr)) return hr;
    {
        std::lock_guard command(commandLock_);
        running_ = true;
    }
    command_.notify_all();
    return S_OK;
}

void SourceFilter::EndThread() noexcept {
    if (thread_.joinable()) thread_.join();
}

void SourceFilter::Stream() noexcept {
    LONGLONG framesSent = 0;
    for (;;) {
        {
            std::unique_lock command(commandLock_);
            command_.wait(command, [&] { return quit_ || running_; });
            if (quit_) return;
        }
        Ref<IMediaSample> sample;
        if (FAILED(output_.GetDeliveryBuffer(sample.put(), nullptr, nullptr, 0))) return;  // stopping
        BYTE* data = nullptr;
        LONG frames = 0;
        sample->GetPointer(&data);
        HRESULT hr = reader_->Read(data, std::min(sample->GetSize() / blockAlign_, framesPerBuffer_), &frames);
        if (FAILED(hr) || frames == 0) {
            sample.reset();
            if (FAILED(hr)) NotifyEvent(EC_ERRORABORT, hr, 0);  // before end of stream completes the run
            output_.DeliverEndOfStream();
            return;
        }
        REFERENCE_TIME start = framesSent * kUnitsPerSecond / samplesPerSec_;
        framesSent += frames;
        REFERENCE_TIME stop = framesSent * kUnitsPerSecond / samplesPerSec_;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        sample->SetDiscontinuity(start == 0);
        sample->SetActualDataLength(frames * blockAlign_);
        hr = output_.Deliver(sample.get());
        // Downstream stopped taking samples: when it failed rather than declined, the run is over.
        if (hr != S_OK) {
            if (FAILED(hr)) NotifyEvent(EC_ERRORABORT, hr, 0);
            return;
        }
    }
}

SourceFilter::OutputPin::OutputPin(SourceFilter* source) noexcept
    : CBaseOutputPin(source, OLESTR("Out"), OLESTR("Out")), source_(source) {}

HRESULT SourceFilter::OutputPin::CheckMediaType(const CMediaType* type) {
    return *type == source_->type_ ? S_OK : S_FALSE;
}

HRESULT SourceFilter::OutputPin::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return type->Set(source_->type_);
}

HRESULT SourceFilter::OutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    const LONG bytes = std::max(source_->framesPerBuffer_ * source_->blockAlign_, source_->leastBufferBytes_);
    request->cBuffers = std::max(request->cBuffers, source_->buffers_);
    request->cbBuffer = std::max(request->cbBuffer, bytes);
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < source_->blockAlign_ ? E_FAIL : S_OK;
}

}  // namespace host
