#pragma once
// The graph a host builds: it holds its filters, connects them through their pins' own protocol,
// changes their state from the renderers upstream (all pause before any runs), and reports
// completion once every renderer has sent EC_COMPLETE. Filters reach it through IFilterGraph
// (Reconnect …) and IMediaEventSink. Releasing the graph stops it, disconnects every pin and lets
// the filters go.
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/comptr.h"
#include "platform/dshow/interfaces.h"
#include "platform/dshow/unknown.h"
#include "platform/sync.h"

namespace host {

// The filter's first pin of `direction`, in the filter's order; empty when it has none.
platform::Ref<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) noexcept;

class FilterGraph final : public CUnknown, public IFilterGraph, public IMediaEventSink {
public:
    // Empty when memory runs out.
    static platform::Ref<FilterGraph> Create() noexcept;
    ~FilterGraph() override;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;

    // [application thread] Filters join and leave only while the graph is stopped.
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** filters) noexcept override;
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) noexcept override;
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) noexcept override;
    // Breaks the pin's connection and connects the two pins again, at once, agreeing a type anew.
    HRESULT STDMETHODCALLTYPE Reconnect(IPin* pin) noexcept override;
    HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) noexcept override;
    // There is no clock: samples flow as fast as the filters take them.
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() noexcept override;

    // Any thread. EC_COMPLETE counts a renderer as done; EC_ERRORABORT and EC_USERABORT end the
    // run with their code. Events are ignored while the graph is stopped.
    HRESULT STDMETHODCALLTYPE Notify(LONG code, LONG_PTR param1, LONG_PTR param2) noexcept override;

    // [application thread] Connects the first unconnected output pin of `upstream` to the first
    // unconnected input pin of `downstream`.
    HRESULT ConnectFilters(IBaseFilter* upstream, IBaseFilter* downstream) noexcept;
    HRESULT Pause() noexcept;
    HRESULT Run() noexcept;
    HRESULT Stop() noexcept;
    // S_OK once every renderer completed; an abort's code; E_ABORT when `timeoutMs` passes first.
    HRESULT WaitForCompletion(DWORD timeoutMs) noexcept;

private:
    FilterGraph() noexcept : CUnknown(nullptr) {}
    // Disconnects the filter's pins and tells it that it has left the graph.
    static void Detach(IBaseFilter* filter) noexcept;
    // [lock_ held] The filters, each after every filter its output pins feed.
    std::vector<IBaseFilter*> DownstreamFirst() const;
    // [lock_ held] Moves every filter to `target`, renderers first; a filter that fails to start
    // stops the graph.
    HRESULT MoveTo(FILTER_STATE target);

    CCritSec lock_;  // first: guards filters_ and state_; held while filters change state
    std::vector<platform::Ref<IBaseFilter>> filters_;
    FILTER_STATE state_ = State_Stopped;

    std::mutex eventLock_;  // leaf: guards the fields below
    std::condition_variable eventArrived_;
    bool listening_ = false;  // between leaving Stopped and stopping again
    size_t renderers_ = 0;
    size_t completed_ = 0;
    HRESULT abort_ = S_OK;
};

}  // namespace host
