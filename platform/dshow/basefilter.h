#pragma once
// CBaseFilter: identity, state, graph membership and pin enumeration of a filter. Derived classes
// own the pins and list them through GetPinCount and GetPin.
#include <atomic>
#include <mutex>

#include "platform/comptr.h"
#include "platform/dshow/interfaces.h"
#include "platform/dshow/unknown.h"
#include "platform/dshow/widetext.h"
#include "platform/sync.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    DECLARE_IUNKNOWN
    // IBaseFilter, IMediaFilter, IPersist, then IUnknown.
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) noexcept override;

    // [application thread] Stop deactivates the connected pins (decommitting allocators wakes a
    // streaming thread waiting for a buffer); Pause from Stopped activates them; Run pauses first
    // when stopped.
    HRESULT STDMETHODCALLTYPE Stop() noexcept override;
    HRESULT STDMETHODCALLTYPE Pause() noexcept override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) noexcept override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) noexcept override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) noexcept override;

    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) noexcept override;
    // Finds a pin by its id (QueryId), not by its name.
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) noexcept override;
    // Holds no reference on the graph: the graph holds the filter.
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) noexcept override;

    virtual int GetPinCount() noexcept = 0;
    // The pin at `index`, or null; pins live as long as the filter.
    virtual CBasePin* GetPin(int index) noexcept = 0;

    CCritSec* FilterLock() noexcept { return &filterLock_; }
    FILTER_STATE State() const noexcept { return state_; }
    bool IsStopped() const noexcept { return state_ == State_Stopped; }
    // The graph the filter has joined, or null. Any thread.
    IFilterGraph* Graph() const noexcept;
    // Sends an event to the graph (EC_COMPLETE, EC_ERRORABORT …); S_FALSE outside a graph. Any thread.
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) noexcept;

protected:
    CBaseFilter(IUnknown* outer, REFCLSID clsid) noexcept;

    // Lock order: filterLock_ first, then a transform's receive lock, then the leaf locks of the
    // filter, its pins and allocators, which are never held while calling out.
    CCritSec filterLock_;
    std::atomic<FILTER_STATE> state_{State_Stopped};

private:
    const CLSID clsid_;
    // Leaf: guards the fields below, which peers may ask for from their streaming threads.
    mutable std::mutex infoLock_;
    platform::Ref<IReferenceClock> clock_;
    IFilterGraph* graph_ = nullptr;      // no reference: the graph holds the filter
    IMediaEventSink* events_ = nullptr;  // the graph's, borrowed as graph_
    platform::WideString name_;
};
