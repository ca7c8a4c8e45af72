#pragma once
// CTransformFilter: one input pin ("XForm In", id "In") and one output pin ("XForm Out", id
// "Out"). The pins hand every decision to the filter's hooks; a derived filter overrides the five
// pure ones and whichever others it needs.
//
// Threads and locks: state changes come on the application thread and take the filter lock, then
// the receive lock. Receive, EndOfStream, EndFlush and NewSegment come on the streaming thread and
// take the receive lock only. BeginFlush takes no lock, so it can release a blocked stream.
#include "platform/dshow/basefilter.h"
#include "platform/dshow/pins.h"

class CTransformFilter;

class CTransformInputPin final : public CBaseInputPin {
public:
    explicit CTransformInputPin(CTransformFilter* filter) noexcept;

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) noexcept override;
    HRESULT STDMETHODCALLTYPE EndOfStream() noexcept override;
    HRESULT STDMETHODCALLTYPE BeginFlush() noexcept override;
    HRESULT STDMETHODCALLTYPE EndFlush() noexcept override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept override;

    // CheckInputType, then CheckTransform against the output type when the output is connected.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* peer) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;

private:
    CTransformFilter* const transform_;  // the owner, as filter_
};

// Also passes seeking upstream: IMediaSeeking calls go to the pin feeding the filter's input
// (E_NOTIMPL when it cannot seek). Downstream may ask from its streaming thread, so the only lock
// taken is the input pin's leaf lock, and not during the call.
class CTransformOutputPin final : public CBaseOutputPin, public IQualityControl, public IMediaSeeking {
public:
    explicit CTransformOutputPin(CTransformFilter* filter) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return CBasePin::Release(); }

    // Quality messages go to AlterQuality; what it leaves (S_FALSE) goes to the sink set with
    // SetSink, else upstream.
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) noexcept override;
    // The sink is borrowed, as a graph's: it must outlive the connection or be reset.
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) noexcept override;

    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) noexcept override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) noexcept override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) noexcept override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) noexcept override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) noexcept override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) noexcept override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) noexcept override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) noexcept override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) noexcept override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) noexcept override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) noexcept override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) noexcept override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) noexcept override;

    // CheckTransform against the input type; refused while the input is unconnected.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    // The input must be connected first.
    HRESULT CheckConnect(IPin* peer) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;

private:
    // The interface `iid` of the pin feeding the input, or empty.
    template <class I>
    platform::Ref<I> UpstreamAs(REFIID iid) const noexcept;
    // Runs `call` on the upstream pin's IMediaSeeking, or answers E_NOTIMPL.
    template <class Call>
    HRESULT SeekUpstream(Call&& call) noexcept;

    CTransformFilter* const transform_;  // the owner, as filter_
    std::atomic<IQualityControl*> qualitySink_{};
};

class CTransformFilter : public CBaseFilter {
public:
    int GetPinCount() noexcept override { return 2; }
    CBasePin* GetPin(int index) noexcept override;

    // Stopped → Paused calls StartStreaming (under both locks) before the pins go active.
    HRESULT STDMETHODCALLTYPE Pause() noexcept override;
    // Deactivates the pins first (input refused, allocators decommitted: a streaming thread waiting
    // for a buffer wakes up), then waits for the receive lock and calls StopStreaming.
    HRESULT STDMETHODCALLTYPE Stop() noexcept override;

    // The hooks, in this order. [streaming thread, receive lock held] Makes `out` from `in`.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out) = 0;
    // [filter lock held while connecting; any thread for QueryAccept] S_OK accepts.
    virtual HRESULT CheckInputType(const CMediaType* in) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    // [filter lock held] Sizes the output allocator.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    // [any thread] The output types proposed, from position 0; VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    // [filter lock and receive lock held] Stopped → Paused and → Stopped.
    virtual HRESULT StartStreaming();
    virtual HRESULT StopStreaming();
    // A quality message from downstream; S_FALSE (the default) passes it on.
    virtual HRESULT AlterQuality(Quality quality);
    // [filter lock held] A pin's connection type was set; the pin already holds it.
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type);
    virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* peer);
    virtual HRESULT BreakConnect(PIN_DIRECTION direction);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* peer);
    // [streaming thread, receive lock held] The default gets an output sample carrying the input's
    // times and flags, calls Transform and delivers the result (S_FALSE from Transform drops it).
    virtual HRESULT Receive(IMediaSample* in);
    // [streaming thread, receive lock held] The defaults pass the event downstream; BeginFlush is
    // called with no lock held.
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    CTransformFilter(IUnknown* outer, REFCLSID clsid) noexcept;
    // [streaming thread] Gets an output sample carrying the input's times (the start alone when
    // the input has no stop time), media times and flags.
    HRESULT InitializeOutputSample(IMediaSample* in, IMediaSample** out);

    CCritSec receiveLock_;  // after filterLock_; held while a sample or stream event is handled
    CTransformInputPin input_;
    CTransformOutputPin output_;

private:
    friend class CTransformInputPin;
    friend class CTransformOutputPin;
};
