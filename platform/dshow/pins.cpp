#include "platform/dshow/pins.h"

#include <cstring>
#include <new>

#include "platform/dshow/allocator.h"
#include "platform/dshow/enumerators.h"

using platform::AtBoundary;
using platform::Ref;

CBasePin::CBasePin(CBaseFilter* filter, PIN_DIRECTION direction, const WCHAR* name, const WCHAR* id) noexcept
    : filter_(filter), direction_(direction), name_(platform::ViewOf(name)), id_(platform::ViewOf(id)) {}

HRESULT CBasePin::QueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CBasePin> kRows[] = {{&IID_IUnknown, platform::As<CBasePin, IPin>},
                                                                 {&IID_IPin, platform::As<CBasePin, IPin>}};
    return platform::QueryByTable<CBasePin>(kRows, this, iid, out);
}

ULONG CBasePin::AddRef() noexcept { return filter_->GetOwner()->AddRef(); }
ULONG CBasePin::Release() noexcept { return filter_->GetOwner()->Release(); }

HRESULT CBasePin::Disconnect() noexcept {
    return AtBoundary([&] {
        CAutoLock lock(filter_->FilterLock());
        if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
        if (!IsConnected()) return S_FALSE;
        BreakConnect();
        ClearConnection();
        return S_OK;
    });
}

HRESULT CBasePin::ConnectedTo(IPin** pin) noexcept {
    if (!pin) return E_POINTER;
    *pin = ConnectedPeer().detach();
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) noexcept {
    if (!type) return E_POINTER;
    std::lock_guard lock(leafLock_);
    if (!peer_) {
        std::memset(type, 0, sizeof *type);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &type_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) noexcept {
    if (!info) return E_POINTER;
    info->pFilter = filter_;
    info->pFilter->AddRef();
    info->dir = direction_;
    platform::CopyTruncated(info->achName, name_);
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) noexcept {
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) noexcept { return platform::DuplicateInTaskMemory(id_, id); }

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) noexcept {
    if (!type) return E_POINTER;
    return AtBoundary([&] {
        CMediaType candidate;
        const HRESULT hr = candidate.Set(*type);
        if (FAILED(hr)) return hr;
        return CheckMediaType(&candidate) == S_OK ? S_OK : S_FALSE;
    });
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types) noexcept {
    if (!types) return E_POINTER;
    *types = nullptr;
    return AtBoundary([&] {
        *types = new CEnumMediaTypes(this, 0);
        return S_OK;
    });
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) noexcept { return E_NOTIMPL; }

HRESULT CBasePin::GetMediaType(int position, CMediaType*) { return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS; }

HRESULT CBasePin::CheckConnect(IPin* peer) {
    PIN_DIRECTION theirs;
    const HRESULT hr = peer->QueryDirection(&theirs);
    if (FAILED(hr)) return hr;
    return theirs == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType*) { return S_OK; }
HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }
HRESULT CBasePin::BreakConnect() { return S_OK; }
HRESULT CBasePin::Active() { return S_OK; }
HRESULT CBasePin::Inactive() { return S_OK; }

bool CBasePin::IsConnected() const noexcept {
    std::lock_guard lock(leafLock_);
    return static_cast<bool>(peer_);
}

HRESULT CBasePin::CopyConnectionType(CMediaType* type) const noexcept {
    if (!type) return E_POINTER;
    std::lock_guard lock(leafLock_);
    if (!peer_) return VFW_E_NOT_CONNECTED;
    return type->Set(type_);
}

Ref<IPin> CBasePin::ConnectedPeer() const noexcept {
    std::lock_guard lock(leafLock_);
    return peer_;
}

HRESULT CBasePin::SetConnection(IPin* peer, const CMediaType& type) noexcept {
    std::lock_guard lock(leafLock_);
    const HRESULT hr = type_.Set(type);
    if (SUCCEEDED(hr)) peer_ = Ref<IPin>::retain(peer);
    return hr;
}

HRESULT CBasePin::EstablishConnection(IPin* peer, const CMediaType& type) {
    HRESULT hr = SetConnection(peer, type);
    if (SUCCEEDED(hr)) hr = SetMediaType(&type);
    if (SUCCEEDED(hr)) hr = CompleteConnect(peer);
    if (FAILED(hr)) ClearConnection();
    return hr;
}

void CBasePin::ClearConnection() noexcept {
    Ref<IPin> peer;
    AM_MEDIA_TYPE type{};
    {
        std::lock_guard lock(leafLock_);
        std::swap(peer, peer_);
        std::swap(type, static_cast<AM_MEDIA_TYPE&>(type_));
    }
    FreeMediaType(type);  // the peer and the type's pUnk are released with no lock held
}

HRESULT CBaseOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) noexcept {
    if (!receivePin) return E_POINTER;
    return AtBoundary([&] {
        CAutoLock lock(filter_->FilterLock());
        if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
        if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
        HRESULT hr = CheckConnect(receivePin);
        if (FAILED(hr)) {
            BreakConnect();
            return hr;
        }
        CMediaType candidate;
        if (type && !IsPartiallySpecified(*type)) {
            hr = candidate.Set(*type);
            if (SUCCEEDED(hr)) hr = AttemptConnection(receivePin, candidate);
            if (FAILED(hr)) BreakConnect();
            return hr;
        }
        hr = VFW_E_NO_ACCEPTABLE_TYPES;
        for (int i = 0; GetMediaType(i, &candidate) == S_OK; ++i) {
            if (type && !candidate.MatchesPartial(*type)) continue;
            hr = AttemptConnection(receivePin, candidate);
            if (SUCCEEDED(hr)) return hr;
        }
        Ref<IEnumMediaTypes> theirs;
        if (SUCCEEDED(receivePin->EnumMediaTypes(theirs.put())) && theirs) {
            AM_MEDIA_TYPE* offered = nullptr;
            ULONG fetched = 0;
            while (theirs->Next(1, &offered, &fetched) == S_OK && fetched == 1 && offered) {
                const HRESULT copied = candidate.Set(*offered);
                DeleteMediaType(offered);
                if (FAILED(copied)) {
                    hr = copied;
                    break;
                }
                if (type && !candidate.MatchesPartial(*type)) continue;
                hr = AttemptConnection(receivePin, candidate);
                if (SUCCEEDED(hr)) return hr;
            }
        }
        BreakConnect();
        return hr;
    });
}

HRESULT CBaseOutputPin::AttemptConnection(IPin* receivePin, const CMediaType& type) {
    HRESULT hr = CheckMediaType(&type);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    hr = receivePin->ReceiveConnection(this, &type);
    if (FAILED(hr)) return hr;
    hr = EstablishConnection(receivePin, type);
    if (SUCCEEDED(hr)) return S_OK;
    receivePin->Disconnect();  // it accepted the connection we could not complete
    return hr;
}

HRESULT CBaseOutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) noexcept { return E_UNEXPECTED; }
HRESULT CBaseOutputPin::EndOfStream() noexcept { return E_UNEXPECTED; }
HRESULT CBaseOutputPin::BeginFlush() noexcept { return E_UNEXPECTED; }
HRESULT CBaseOutputPin::EndFlush() noexcept { return E_UNEXPECTED; }
HRESULT CBaseOutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) noexcept { return E_UNEXPECTED; }

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* peer, IMemAllocator** allocator) {
    *allocator = nullptr;
    ALLOCATOR_PROPERTIES wanted{};
    if (FAILED(peer->GetAllocatorRequirements(&wanted))) wanted = {};
    if (wanted.cbAlign == 0) wanted.cbAlign = 1;

    ALLOCATOR_PROPERTIES request = wanted;
    Ref<IMemAllocator> chosen;
    if (SUCCEEDED(peer->GetAllocator(chosen.put())) && chosen && SUCCEEDED(DecideBufferSize(chosen.get(), &request)) &&
        SUCCEEDED(peer->NotifyAllocator(chosen.get(), FALSE))) {
        *allocator = chosen.detach();
        return S_OK;
    }
    // The peer offers none, or not one we can use: bring our own.
    chosen = Ref<IMemAllocator>::adopt(new CMemAllocator);
    request = wanted;
    HRESULT hr = DecideBufferSize(chosen.get(), &request);
    if (SUCCEEDED(hr)) hr = peer->NotifyAllocator(chosen.get(), FALSE);
    if (SUCCEEDED(hr)) *allocator = chosen.detach();
    return hr;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                          DWORD flags) noexcept {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) noexcept {
    if (!peerInput_) return VFW_E_NOT_CONNECTED;
    return peerInput_->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() noexcept {
    const Ref<IPin> peer = ConnectedPeer();
    return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() noexcept {
    const Ref<IPin> peer = ConnectedPeer();
    return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() noexcept {
    const Ref<IPin> peer = ConnectedPeer();
    return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept {
    const Ref<IPin> peer = ConnectedPeer();
    return peer ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::CheckConnect(IPin* peer) {
    const HRESULT hr = CBasePin::CheckConnect(peer);
    if (FAILED(hr)) return hr;
    peerInput_ = platform::QueryAs<IMemInputPin>(peer, IID_IMemInputPin);
    return peerInput_ ? S_OK : VFW_E_NO_TRANSPORT;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
    if (!peerInput_) return VFW_E_NO_TRANSPORT;
    return DecideAllocator(peerInput_.get(), allocator_.put());
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (allocator_) allocator_->Decommit();
    allocator_.reset();
    peerInput_.reset();
    return S_OK;
}

HRESULT CBaseOutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }
HRESULT CBaseOutputPin::Inactive() { return allocator_ ? allocator_->Decommit() : S_OK; }

HRESULT CBaseInputPin::QueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CBaseInputPin> kRows[] = {
        {&IID_IUnknown, platform::As<CBaseInputPin, IPin>},
        {&IID_IPin, platform::As<CBaseInputPin, IPin>},
        {&IID_IMemInputPin, platform::As<CBaseInputPin, IMemInputPin>}};
    return platform::QueryByTable<CBaseInputPin>(kRows, this, iid, out);
}

HRESULT CBaseInputPin::Connect(IPin*, const AM_MEDIA_TYPE*) noexcept { return E_UNEXPECTED; }

HRESULT CBaseInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) noexcept {
    if (!connector || !type) return E_POINTER;
    return AtBoundary([&] {
        CAutoLock lock(filter_->FilterLock());
        if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
        if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
        HRESULT hr = CheckConnect(connector);
        CMediaType offered;
        if (SUCCEEDED(hr)) hr = offered.Set(*type);
        if (SUCCEEDED(hr)) {
            hr = CheckMediaType(&offered);
            if (hr != S_OK && SUCCEEDED(hr)) hr = VFW_E_TYPE_NOT_ACCEPTED;
        }
        if (SUCCEEDED(hr)) hr = EstablishConnection(connector, offered);
        if (FAILED(hr)) BreakConnect();
        return hr;
    });
}

HRESULT CBaseInputPin::EndOfStream() noexcept {
    const HRESULT hr = CheckStreaming();
    if (hr == S_OK) atEndOfStream_ = true;
    return hr;
}

HRESULT CBaseInputPin::BeginFlush() noexcept {
    flushing_ = true;
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush() noexcept {
    flushing_ = false;
    atEndOfStream_ = false;
    return S_OK;
}

HRESULT CBaseInputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) noexcept { return S_OK; }

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator) noexcept {
    if (!allocator) return E_POINTER;
    *allocator = nullptr;
    return AtBoundary([&] {
        std::lock_guard lock(allocatorLock_);
        if (!allocator_) allocator_ = Ref<IMemAllocator>::adopt(new CMemAllocator);
        *allocator = Ref<IMemAllocator>(allocator_).detach();
        return S_OK;
    });
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) noexcept {
    if (!allocator) return E_POINTER;
    Ref<IMemAllocator> previous = Ref<IMemAllocator>::retain(allocator);  // released after the lock
    std::lock_guard lock(allocatorLock_);
    std::swap(previous, allocator_);
    return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) noexcept { return E_NOTIMPL; }

HRESULT CBaseInputPin::Receive(IMediaSample* sample) noexcept {
    if (!sample) return E_POINTER;
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    AM_MEDIA_TYPE* carried = nullptr;
    if (sample->GetMediaType(&carried) != S_OK || !carried) return S_OK;
    // A change of type in mid-stream is not followed: refusing it beats misreading the data.
    const bool same = CurrentMediaType() == *carried;
    DeleteMediaType(carried);
    return same ? S_OK : VFW_E_INVALIDMEDIATYPE;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) noexcept {
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count && (hr = Receive(samples[*processed])) == S_OK) ++*processed;
    return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock() noexcept { return S_OK; }

HRESULT CBaseInputPin::BreakConnect() {
    Ref<IMemAllocator> previous;  // released after the lock
    std::lock_guard lock(allocatorLock_);
    std::swap(previous, allocator_);
    return S_OK;
}

HRESULT CBaseInputPin::Active() {
    flushing_ = false;
    atEndOfStream_ = false;
    active_ = true;
    return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
    active_ = false;
    const Ref<IMemAllocator> allocator = Allocator();
    return allocator ? allocator->Decommit() : S_OK;
}

HRESULT CBaseInputPin::CheckStreaming() const noexcept {
    if (!active_) return VFW_E_WRONG_STATE;
    if (flushing_) return S_FALSE;
    if (atEndOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
    return S_OK;
}

Ref<IMemAllocator> CBaseInputPin::Allocator() const noexcept {
    std::lock_guard lock(allocatorLock_);
    return allocator_;
}
