#include "host/sink_filter.h"

namespace host {

using platform::AtBoundary;
using platform::Ref;

namespace {

// {5E9B0D1B-8C3E-4F57-9C2B-7A41D6E0B301}: not registered; reported by GetClassID only.
constexpr CLSID kSinkClsid = {0x5E9B0D1B, 0x8C3E, 0x4F57, {0x9C, 0x2B, 0x7A, 0x41, 0xD6, 0xE0, 0xB3, 0x01}};

}  // namespace

HRESULT SinkFilter::Create(std::shared_ptr<FrameWriter> writer, Ref<SinkFilter>* sink) noexcept {
    if (!sink) return E_POINTER;
    sink->reset();
    if (!writer) return E_INVALIDARG;
    return AtBoundary([&] {
        *sink = Ref<SinkFilter>::adopt(new SinkFilter(std::move(writer)));
        return S_OK;
    });
}

SinkFilter::SinkFilter(std::shared_ptr<FrameWriter> writer) noexcept
    : CBaseFilter(nullptr, kSinkClsid), writer_(std::move(writer)), input_(this) {}

HRESULT SinkFilter::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<SinkFilter> kRows[] = {
        {&IID_IAMFilterMiscFlags, platform::As<SinkFilter, IAMFilterMiscFlags>}};
    const HRESULT hr = platform::QueryByTable<SinkFilter>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? CBaseFilter::NonDelegatingQueryInterface(iid, out) : hr;
}

CBasePin* SinkFilter::GetPin(int index) noexcept { return index == 0 ? &input_ : nullptr; }

HRESULT SinkFilter::Stop() noexcept {
    CAutoLock lock(&filterLock_);
    const HRESULT hr = CBaseFilter::Stop();
    CAutoLock receive(&receiveLock_);  // nothing is written once Stop returns
    return hr;
}

HRESULT SinkFilter::Pause() noexcept {
    CAutoLock lock(&filterLock_);
    if (state_ == State_Stopped) {
        std::lock_guard events(eventLock_);
        endOfStream_ = completed_ = false;
    }
    return CBaseFilter::Pause();
}

HRESULT SinkFilter::Run(REFERENCE_TIME start) noexcept {
    CAutoLock lock(&filterLock_);
    const HRESULT hr = CBaseFilter::Run(start);
    if (SUCCEEDED(hr)) CompleteIfDue();
    return hr;
}

void SinkFilter::CompleteIfDue() noexcept {
    {
        std::lock_guard events(eventLock_);
        if (!endOfStream_ || completed_ || state_ != State_Running) return;
        completed_ = true;
    }
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

SinkFilter::InputPin::InputPin(SinkFilter* sink) noexcept
    : CBaseInputPin(sink, OLESTR("In"), OLESTR("In")), sink_(sink) {}

HRESULT SinkFilter::InputPin::Receive(IMediaSample* sample) noexcept {
    HRESULT hr;
    {
        CAutoLock lock(&sink_->receiveLock_);
        hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        BYTE* data = nullptr;
        hr = sample->GetPointer(&data);
        if (SUCCEEDED(hr)) hr = sink_->writer_->Write(data, sample->GetActualDataLength(), sample);
    }
    if (FAILED(hr)) sink_->NotifyEvent(EC_ERRORABORT, hr, 0);  // the graph is told with no lock held
    return hr;
}

HRESULT SinkFilter::InputPin::EndOfStream() noexcept {
    {
        CAutoLock lock(&sink_->receiveLock_);
        const HRESULT hr = CBaseInputPin::EndOfStream();
        if (hr != S_OK) return hr;
        ++sink_->endsOfStream_;
        std::lock_guard events(sink_->eventLock_);
        sink_->endOfStream_ = true;
    }
    sink_->CompleteIfDue();
    return S_OK;
}

HRESULT SinkFilter::InputPin::EndFlush() noexcept {
    CAutoLock lock(&sink_->receiveLock_);
    std::lock_guard events(sink_->eventLock_);
    sink_->endOfStream_ = sink_->completed_ = false;
    return CBaseInputPin::EndFlush();
}

HRESULT SinkFilter::InputPin::CheckMediaType(const CMediaType* type) {
    WAVEFORMATEXTENSIBLE format;
    return type->majortype == MEDIATYPE_Audio && platform::ReadWaveFormat(*type, &format) &&
                   (platform::IsPcmFormat(format) || platform::IsFloatFormat(format))
               ? S_OK
               : S_FALSE;
}

}  // namespace host
