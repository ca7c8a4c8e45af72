#pragma once
// A renderer without a clock: one input pin ("In") taking PCM or IEEE-float audio and handing every sample to a writer
// as soon as it arrives. At end of stream it sends EC_COMPLETE to the graph once the filter runs. It answers
// IAMFilterMiscFlags as a renderer, which is how a graph knows to wait for it.
#include <memory>
#include <mutex>

#include "host/frame_io.h"
#include "platform/dshow/pins.h"

namespace host {

class SinkFilter final : public CBaseFilter, public IAMFilterMiscFlags {
public:
    static HRESULT Create(std::shared_ptr<FrameWriter> writer, platform::Ref<SinkFilter>* sink) noexcept;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE GetMiscFlags() noexcept override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

    int GetPinCount() noexcept override { return 1; }
    CBasePin* GetPin(int index) noexcept override;

    HRESULT STDMETHODCALLTYPE Stop() noexcept override;
    HRESULT STDMETHODCALLTYPE Pause() noexcept override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) noexcept override;

    // What arrived besides samples, for the host to check. Any thread.
    LONG EndsOfStream() const noexcept { return endsOfStream_; }

private:
    class InputPin final : public CBaseInputPin {
    public:
        explicit InputPin(SinkFilter* sink) noexcept;
        HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) noexcept override;
        HRESULT STDMETHODCALLTYPE EndOfStream() noexcept override;
        HRESULT STDMETHODCALLTYPE EndFlush() noexcept override;
        HRESULT CheckMediaType(const CMediaType* type) override;

    private:
        SinkFilter* const sink_;  // the owner, as filter_
    };

    explicit SinkFilter(std::shared_ptr<FrameWriter> writer) noexcept;
    // Sends EC_COMPLETE once per run, when end of stream has come and the filter runs.
    void CompleteIfDue() noexcept;

    const std::shared_ptr<FrameWriter> writer_;
    InputPin input_;
    CCritSec receiveLock_;  // after filterLock_: held while a sample or stream event is handled

    std::mutex eventLock_;      // leaf: guards the fields below
    bool endOfStream_ = false;  // reached in this run
    bool completed_ = false;    // EC_COMPLETE sent in this run
    std::atomic<LONG> endsOfStream_{0};
};

}  // namespace host
