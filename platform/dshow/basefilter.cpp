#include "platform/dshow/basefilter.h"

#include "platform/dshow/enumerators.h"
#include "platform/dshow/pins.h"

using platform::AtBoundary;

CBaseFilter::CBaseFilter(IUnknown* outer, REFCLSID clsid) noexcept : CUnknown(outer), clsid_(clsid) {}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CBaseFilter> kRows[] = {
        {&IID_IBaseFilter, platform::As<CBaseFilter, IBaseFilter>},
        {&IID_IMediaFilter, platform::As<CBaseFilter, IBaseFilter>},
        {&IID_IPersist, platform::As<CBaseFilter, IBaseFilter>}};
    const HRESULT hr = platform::QueryByTable<CBaseFilter>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? CUnknown::NonDelegatingQueryInterface(iid, out) : hr;
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid) noexcept {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT CBaseFilter::Stop() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&filterLock_);
        HRESULT result = S_OK;
        if (state_ != State_Stopped) {
            for (int i = 0; i < GetPinCount(); ++i) {
                CBasePin* pin = GetPin(i);
                if (!pin || !pin->IsConnected()) continue;
                const HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result)) result = hr;
            }
        }
        state_ = State_Stopped;
        return result;
    });
}

HRESULT CBaseFilter::Pause() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&filterLock_);
        if (state_ == State_Stopped) {
            for (int i = 0; i < GetPinCount(); ++i) {
                CBasePin* pin = GetPin(i);
                if (!pin || !pin->IsConnected()) continue;
                const HRESULT hr = pin->Active();
                if (FAILED(hr)) {
                    while (i-- > 0)
                        if (CBasePin* p = GetPin(i); p && p->IsConnected()) p->Inactive();
                    return hr;
                }
            }
        }
        state_ = State_Paused;
        return S_OK;
    });
}

// Nothing here schedules samples against the clock, so the start time is not kept.
HRESULT CBaseFilter::Run(REFERENCE_TIME) noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&filterLock_);
        if (state_ == State_Stopped) {
            const HRESULT hr = Pause();  // a derived Pause starts streaming
            if (FAILED(hr)) return hr;
        }
        state_ = State_Running;
        return S_OK;
    });
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state) noexcept {
    if (!state) return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock) noexcept {
    auto previous = platform::Ref<IReferenceClock>::retain(clock);  // released after the lock
    std::lock_guard lock(infoLock_);
    std::swap(previous, clock_);
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) noexcept {
    if (!clock) return E_POINTER;
    std::lock_guard lock(infoLock_);
    *clock = platform::Ref<IReferenceClock>(clock_).detach();
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins) noexcept {
    if (!pins) return E_POINTER;
    *pins = nullptr;
    return AtBoundary([&] {
        *pins = new CEnumPins(this, 0);
        return S_OK;
    });
}

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin) noexcept {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id) return E_POINTER;
    for (int i = 0; i < GetPinCount(); ++i) {
        CBasePin* candidate = GetPin(i);
        if (candidate && candidate->Id() == platform::ViewOf(id)) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) noexcept {
    if (!info) return E_POINTER;
    std::lock_guard lock(infoLock_);
    platform::CopyTruncated(info->achName, name_);
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) noexcept {
    return AtBoundary([&] {
        // Borrowed like the graph itself; a reference would keep graph and filter alive together.
        IMediaEventSink* events = platform::QueryAs<IMediaEventSink>(graph, IID_IMediaEventSink).get();
        platform::WideString copy(platform::ViewOf(name));
        std::lock_guard lock(infoLock_);
        name_.swap(copy);
        graph_ = graph;
        events_ = events;
        return S_OK;
    });
}

IFilterGraph* CBaseFilter::Graph() const noexcept {
    std::lock_guard lock(infoLock_);
    return graph_;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR* info) noexcept {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) noexcept {
    IMediaEventSink* events;
    {
        std::lock_guard lock(infoLock_);
        events = events_;
    }
    return events ? events->Notify(code, param1, param2) : S_FALSE;
}
