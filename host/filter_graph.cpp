#include "host/filter_graph.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "platform/dshow/widetext.h"

namespace host {

using platform::AtBoundary;
using platform::Ref;

namespace {

// Calls `f` with each pin of `filter`, in the filter's order.
template <class F>
void ForEachPin(IBaseFilter* filter, F&& f) {
    Ref<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.put())) || !pins) return;
    IPin* pin = nullptr;
    ULONG fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK && fetched == 1) f(Ref<IPin>::adopt(pin));
}

PIN_DIRECTION DirectionOf(IPin* pin) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    pin->QueryDirection(&direction);
    return direction;
}

// The filter owning `pin`, with our reference.
Ref<IBaseFilter> FilterOf(IPin* pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) return {};
    return Ref<IBaseFilter>::adopt(info.pFilter);
}

Ref<IPin> FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
    Ref<IPin> found;
    ForEachPin(filter, [&](Ref<IPin> pin) {
        Ref<IPin> peer;
        if (!found && DirectionOf(pin.get()) == direction && pin->ConnectedTo(peer.put()) == VFW_E_NOT_CONNECTED)
            found = std::move(pin);
    });
    return found;
}

void DisconnectPins(IBaseFilter* filter) {
    ForEachPin(filter, [](Ref<IPin> pin) {
        Ref<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.put())) && peer) peer->Disconnect();
        pin->Disconnect();
    });
}

bool IsRenderer(IBaseFilter* filter) {
    const auto flags = platform::QueryAs<IAMFilterMiscFlags>(filter, IID_IAMFilterMiscFlags);
    return flags && (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER);
}

}  // namespace

Ref<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) noexcept {
    Ref<IPin> found;
    ForEachPin(filter, [&](Ref<IPin> pin) {
        if (!found && DirectionOf(pin.get()) == direction) found = std::move(pin);
    });
    return found;
}

Ref<FilterGraph> FilterGraph::Create() noexcept { return Ref<FilterGraph>::adopt(new (std::nothrow) FilterGraph); }

FilterGraph::~FilterGraph() {
    Stop();
    for (const auto& filter : filters_) Detach(filter.get());
}

HRESULT FilterGraph::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<FilterGraph> kRows[] = {
        {&IID_IFilterGraph, platform::As<FilterGraph, IFilterGraph>},
        {&IID_IMediaEventSink, platform::As<FilterGraph, IMediaEventSink>}};
    const HRESULT hr = platform::QueryByTable<FilterGraph>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? CUnknown::NonDelegatingQueryInterface(iid, out) : hr;
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) noexcept {
    if (!filter) return E_POINTER;
    return AtBoundary([&] {
        CAutoLock lock(&lock_);
        if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
        filters_.reserve(filters_.size() + 1);
        const HRESULT hr = filter->JoinFilterGraph(this, name);
        if (SUCCEEDED(hr)) filters_.push_back(Ref<IBaseFilter>::retain(filter));
        return hr;
    });
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) noexcept {
    if (!filter) return E_POINTER;
    CAutoLock lock(&lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    const auto it = std::find_if(filters_.begin(), filters_.end(), [&](const auto& f) { return f.get() == filter; });
    if (it == filters_.end()) return VFW_E_NOT_FOUND;
    Detach(filter);
    filters_.erase(it);
    return S_OK;
}

void FilterGraph::Detach(IBaseFilter* filter) noexcept {
    DisconnectPins(filter);
    filter->JoinFilterGraph(nullptr, nullptr);
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** filters) noexcept {
    if (filters) *filters = nullptr;
    return E_NOTIMPL;
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) noexcept {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (!name) return E_POINTER;
    CAutoLock lock(&lock_);
    for (const auto& f : filters_) {
        FILTER_INFO info{};
        if (FAILED(f->QueryFilterInfo(&info))) continue;
        if (info.pGraph) info.pGraph->Release();
        if (platform::ViewOf(info.achName) == platform::ViewOf(name)) {
            *filter = Ref<IBaseFilter>(f).detach();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) noexcept {
    if (!out || !in) return E_POINTER;
    CAutoLock lock(&lock_);
    return out->Connect(in, type);
}

HRESULT FilterGraph::Reconnect(IPin* pin) noexcept {
    if (!pin) return E_POINTER;
    CAutoLock lock(&lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    Ref<IPin> peer;
    const HRESULT hr = pin->ConnectedTo(peer.put());
    if (FAILED(hr)) return hr;
    IPin* out = DirectionOf(pin) == PINDIR_OUTPUT ? pin : peer.get();
    IPin* in = out == pin ? peer.get() : pin;
    out->Disconnect();
    in->Disconnect();
    return out->Connect(in, nullptr);
}

HRESULT FilterGraph::Disconnect(IPin* pin) noexcept {
    if (!pin) return E_POINTER;
    CAutoLock lock(&lock_);
    return pin->Disconnect();
}

HRESULT FilterGraph::SetDefaultSyncSource() noexcept { return E_NOTIMPL; }

HRESULT FilterGraph::Notify(LONG code, LONG_PTR param1, LONG_PTR) noexcept {
    {
        std::lock_guard events(eventLock_);
        if (!listening_) return S_OK;
        if (code == EC_COMPLETE) {
            ++completed_;
        } else if (code == EC_ERRORABORT || code == EC_USERABORT) {
            const auto hr = static_cast<HRESULT>(param1);
            if (abort_ == S_OK) abort_ = FAILED(hr) ? hr : E_ABORT;
        } else {
            return S_OK;
        }
    }
    eventArrived_.notify_all();
    return S_OK;
}

HRESULT FilterGraph::ConnectFilters(IBaseFilter* upstream, IBaseFilter* downstream) noexcept {
    if (!upstream || !downstream) return E_POINTER;
    return AtBoundary([&] {
        CAutoLock lock(&lock_);
        const Ref<IPin> out = FirstFreePin(upstream, PINDIR_OUTPUT);
        const Ref<IPin> in = FirstFreePin(downstream, PINDIR_INPUT);
        if (!out || !in) return VFW_E_CANNOT_CONNECT;
        return out->Connect(in.get(), nullptr);
    });
}

std::vector<IBaseFilter*> FilterGraph::DownstreamFirst() const {
    std::vector<IBaseFilter*> order;
    std::vector<IBaseFilter*> left;
    for (const auto& f : filters_) left.push_back(f.get());
    const auto placed = [&](IBaseFilter* f) { return std::find(order.begin(), order.end(), f) != order.end(); };
    while (!left.empty()) {
        const size_t before = left.size();
        for (auto it = left.begin(); it != left.end();) {
            bool ready = true;
            ForEachPin(*it, [&](Ref<IPin> pin) {
                Ref<IPin> peer;
                if (DirectionOf(pin.get()) != PINDIR_OUTPUT || FAILED(pin->ConnectedTo(peer.put()))) return;
                const Ref<IBaseFilter> next = FilterOf(peer.get());
                if (next && next.get() != *it && !placed(next.get()) &&
                    std::find(left.begin(), left.end(), next.get()) != left.end())
                    ready = false;
            });
            if (ready) {
                order.push_back(*it);
                it = left.erase(it);
            } else {
                ++it;
            }
        }
        if (left.size() == before) {  // a loop: no order is right, keep the rest as added
            order.insert(order.end(), left.begin(), left.end());
            break;
        }
    }
    return order;
}

HRESULT FilterGraph::Pause() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&lock_);
        return MoveTo(State_Paused);
    });
}

HRESULT FilterGraph::Run() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&lock_);
        return MoveTo(State_Running);
    });
}

HRESULT FilterGraph::Stop() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(&lock_);
        return MoveTo(State_Stopped);
    });
}

HRESULT FilterGraph::MoveTo(FILTER_STATE target) {
    if (target == state_) return S_OK;
    if (state_ == State_Stopped && target == State_Running) {
        const HRESULT hr = MoveTo(State_Paused);  // every filter pauses before any runs
        if (FAILED(hr)) return hr;
    }
    // Counted before the event lock is taken: asking a filter calls into it, and that lock is a leaf.
    const bool starting = state_ == State_Stopped;
    size_t renderers = 0;
    if (starting)
        for (const auto& f : filters_) renderers += IsRenderer(f.get());
    {
        std::lock_guard events(eventLock_);
        if (starting) {
            renderers_ = renderers;
            completed_ = 0;
            abort_ = S_OK;
        }
        listening_ = target != State_Stopped;  // what a stopping filter reports is not the run's outcome
    }
    HRESULT result = S_OK;
    for (IBaseFilter* f : DownstreamFirst()) {
        const HRESULT hr = target == State_Stopped ? f->Stop() : target == State_Paused ? f->Pause() : f->Run(0);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        if (FAILED(hr) && target != State_Stopped) break;
    }
    state_ = target;
    if (FAILED(result) && target != State_Stopped) MoveTo(State_Stopped);  // also those that did start
    return result;
}

HRESULT FilterGraph::WaitForCompletion(DWORD timeoutMs) noexcept {
    std::unique_lock events(eventLock_);
    const bool done = eventArrived_.wait_for(events, std::chrono::milliseconds(timeoutMs),
                                             [&] { return abort_ != S_OK || completed_ >= renderers_; });
    if (!done) return E_ABORT;
    return abort_ != S_OK ? abort_ : S_OK;
}

}  // namespace host
