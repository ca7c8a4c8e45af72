#include "platform/dshow/transform.h"

using platform::AtBoundary;
using platform::Ref;

CTransformInputPin::CTransformInputPin(CTransformFilter* filter) noexcept
    : CBaseInputPin(filter, OLESTR("XForm In"), OLESTR("In")), transform_(filter) {}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) noexcept {
    CAutoLock lock(&transform_->receiveLock_);
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return AtBoundary([&] { return transform_->Receive(sample); });
}

HRESULT CTransformInputPin::EndOfStream() noexcept {
    CAutoLock lock(&transform_->receiveLock_);
    const HRESULT hr = CBaseInputPin::EndOfStream();
    if (hr != S_OK) return hr;
    return AtBoundary([&] { return transform_->EndOfStream(); });
}

HRESULT CTransformInputPin::BeginFlush() noexcept {
    CBaseInputPin::BeginFlush();
    return AtBoundary([&] { return transform_->BeginFlush(); });
}

HRESULT CTransformInputPin::EndFlush() noexcept {
    // Waits for a Receive still running, so nothing from before the flush follows it downstream.
    CAutoLock lock(&transform_->receiveLock_);
    CBaseInputPin::EndFlush();
    return AtBoundary([&] { return transform_->EndFlush(); });
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept {
    CAutoLock lock(&transform_->receiveLock_);
    return AtBoundary([&] { return transform_->NewSegment(start, stop, rate); });
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type) {
    HRESULT hr = transform_->CheckInputType(type);
    if (hr != S_OK) return hr;
    CMediaType out;
    hr = transform_->output_.CopyConnectionType(&out);
    if (hr == VFW_E_NOT_CONNECTED) return S_OK;
    return FAILED(hr) ? hr : transform_->CheckTransform(type, &out);
}

HRESULT CTransformInputPin::CheckConnect(IPin* peer) {
    const HRESULT hr = CBaseInputPin::CheckConnect(peer);
    return FAILED(hr) ? hr : transform_->CheckConnect(PINDIR_INPUT, peer);
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type) {
    return transform_->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CompleteConnect(IPin* peer) {
    const HRESULT hr = transform_->CompleteConnect(PINDIR_INPUT, peer);
    return FAILED(hr) ? hr : CBaseInputPin::CompleteConnect(peer);
}

HRESULT CTransformInputPin::BreakConnect() {
    transform_->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

CTransformOutputPin::CTransformOutputPin(CTransformFilter* filter) noexcept
    : CBaseOutputPin(filter, OLESTR("XForm Out"), OLESTR("Out")), transform_(filter) {}

HRESULT CTransformOutputPin::QueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CTransformOutputPin> kRows[] = {
        {&IID_IUnknown, platform::As<CTransformOutputPin, IPin>},
        {&IID_IPin, platform::As<CTransformOutputPin, IPin>},
        {&IID_IQualityControl, platform::As<CTransformOutputPin, IQualityControl>},
        {&IID_IMediaSeeking, platform::As<CTransformOutputPin, IMediaSeeking>}};
    return platform::QueryByTable<CTransformOutputPin>(kRows, this, iid, out);
}

template <class I>
Ref<I> CTransformOutputPin::UpstreamAs(REFIID iid) const noexcept {
    Ref<IPin> upstream;
    if (FAILED(transform_->input_.ConnectedTo(upstream.put()))) return {};
    return platform::QueryAs<I>(upstream.get(), iid);
}

HRESULT CTransformOutputPin::Notify(IBaseFilter*, Quality quality) noexcept {
    return AtBoundary([&] {
        const HRESULT hr = transform_->AlterQuality(quality);
        if (hr != S_FALSE) return hr;
        if (IQualityControl* sink = qualitySink_) return sink->Notify(transform_, quality);
        const auto control = UpstreamAs<IQualityControl>(IID_IQualityControl);
        return control ? control->Notify(transform_, quality) : VFW_E_NOT_FOUND;
    });
}

HRESULT CTransformOutputPin::SetSink(IQualityControl* sink) noexcept {
    qualitySink_ = sink;
    return S_OK;
}

template <class Call>
HRESULT CTransformOutputPin::SeekUpstream(Call&& call) noexcept {
    const auto seeking = UpstreamAs<IMediaSeeking>(IID_IMediaSeeking);
    return seeking ? call(seeking.get()) : E_NOTIMPL;
}

HRESULT CTransformOutputPin::GetCapabilities(DWORD* capabilities) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetCapabilities(capabilities); });
}
HRESULT CTransformOutputPin::CheckCapabilities(DWORD* capabilities) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->CheckCapabilities(capabilities); });
}
HRESULT CTransformOutputPin::IsFormatSupported(const GUID* format) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->IsFormatSupported(format); });
}
HRESULT CTransformOutputPin::QueryPreferredFormat(GUID* format) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->QueryPreferredFormat(format); });
}
HRESULT CTransformOutputPin::GetTimeFormat(GUID* format) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetTimeFormat(format); });
}
HRESULT CTransformOutputPin::IsUsingTimeFormat(const GUID* format) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->IsUsingTimeFormat(format); });
}
HRESULT CTransformOutputPin::SetTimeFormat(const GUID* format) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->SetTimeFormat(format); });
}
HRESULT CTransformOutputPin::GetDuration(LONGLONG* duration) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetDuration(duration); });
}
HRESULT CTransformOutputPin::GetStopPosition(LONGLONG* stop) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetStopPosition(stop); });
}
HRESULT CTransformOutputPin::GetCurrentPosition(LONGLONG* current) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetCurrentPosition(current); });
}
HRESULT CTransformOutputPin::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                               const GUID* sourceFormat) noexcept {
    return SeekUpstream(
        [&](IMediaSeeking* s) { return s->ConvertTimeFormat(target, targetFormat, source, sourceFormat); });
}
HRESULT CTransformOutputPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                          DWORD stopFlags) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->SetPositions(current, currentFlags, stop, stopFlags); });
}
HRESULT CTransformOutputPin::GetPositions(LONGLONG* current, LONGLONG* stop) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetPositions(current, stop); });
}
HRESULT CTransformOutputPin::GetAvailable(LONGLONG* earliest, LONGLONG* latest) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetAvailable(earliest, latest); });
}
HRESULT CTransformOutputPin::SetRate(double rate) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->SetRate(rate); });
}
HRESULT CTransformOutputPin::GetRate(double* rate) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetRate(rate); });
}
HRESULT CTransformOutputPin::GetPreroll(LONGLONG* preroll) noexcept {
    return SeekUpstream([&](IMediaSeeking* s) { return s->GetPreroll(preroll); });
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type) {
    CMediaType in;
    if (transform_->input_.CopyConnectionType(&in) != S_OK) return E_UNEXPECTED;
    return transform_->CheckTransform(&in, type);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type) {
    return transform_->GetMediaType(position, type);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    return transform_->DecideBufferSize(allocator, request);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* peer) {
    if (!transform_->input_.IsConnected()) return E_UNEXPECTED;
    const HRESULT hr = CBaseOutputPin::CheckConnect(peer);
    return FAILED(hr) ? hr : transform_->CheckConnect(PINDIR_OUTPUT, peer);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type) {
    return transform_->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* peer) {
    const HRESULT hr = CBaseOutputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : transform_->CompleteConnect(PINDIR_OUTPUT, peer);
}

HRESULT CTransformOutputPin::BreakConnect() {
    transform_->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

CTransformFilter::CTransformFilter(IUnknown* outer, REFCLSID clsid) noexcept
    : CBaseFilter(outer, clsid), input_(this), output_(this) {}

CBasePin* CTransformFilter::GetPin(int index) noexcept {
    if (index == 0) return &input_;
    if (index == 1) return &output_;
    return nullptr;
}

HRESULT CTransformFilter::Pause() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&filterLock_);
        if (state_ != State_Stopped) return CBaseFilter::Pause();
        {
            CAutoLock receive(&receiveLock_);
            const HRESULT hr = StartStreaming();
            if (FAILED(hr)) return hr;
        }
        const HRESULT hr = CBaseFilter::Pause();
        if (FAILED(hr)) {
            CAutoLock receive(&receiveLock_);
            StopStreaming();
        }
        return hr;
    });
}

HRESULT CTransformFilter::Stop() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&filterLock_);
        if (state_ == State_Stopped) return S_OK;
        if (input_.IsConnected()) input_.Inactive();
        if (output_.IsConnected()) output_.Inactive();
        CAutoLock receive(&receiveLock_);
        const HRESULT hr = StopStreaming();
        state_ = State_Stopped;
        return hr;
    });
}

HRESULT CTransformFilter::StartStreaming() { return S_OK; }
HRESULT CTransformFilter::StopStreaming() { return S_OK; }
HRESULT CTransformFilter::AlterQuality(Quality) { return S_FALSE; }
HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION) { return S_OK; }
HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* in, IMediaSample** out) {
    *out = nullptr;
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = in->GetTime(&start, &stop);
    const bool hasTimes = SUCCEEDED(timed);
    Ref<IMediaSample> sample;
    const HRESULT hr =
        output_.GetDeliveryBuffer(sample.put(), hasTimes ? &start : nullptr, timed == S_OK ? &stop : nullptr, 0);
    if (FAILED(hr)) return hr;
    sample->SetTime(hasTimes ? &start : nullptr, timed == S_OK ? &stop : nullptr);
    sample->SetSyncPoint(in->IsSyncPoint() == S_OK);
    sample->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
    sample->SetPreroll(in->IsPreroll() == S_OK);
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK) sample->SetMediaTime(&mediaStart, &mediaStop);
    *out = sample.detach();
    return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* in) {
    Ref<IMediaSample> out;
    HRESULT hr = InitializeOutputSample(in, out.put());
    if (FAILED(hr)) return hr;
    hr = Transform(in, out.get());
    if (hr == S_FALSE) return S_OK;
    return FAILED(hr) ? hr : output_.Deliver(out.get());
}

HRESULT CTransformFilter::EndOfStream() { return output_.DeliverEndOfStream(); }
HRESULT CTransformFilter::BeginFlush() { return output_.DeliverBeginFlush(); }
HRESULT CTransformFilter::EndFlush() { return output_.DeliverEndFlush(); }
HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return output_.DeliverNewSegment(start, stop, rate);
}
