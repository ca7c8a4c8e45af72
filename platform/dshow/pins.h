#pragma once
// Pins. CBasePin keeps the connection (peer and type) and answers the queries; CBaseOutputPin
// connects (type agreement, allocator negotiation) and delivers; CBaseInputPin receives
// connections and samples and tracks flushing and end of stream.
//
// Locks: Connect, ReceiveConnection and Disconnect take the filter lock. The connection fields
// are also guarded by the pin's leaf lock, so the calls a peer may make from its streaming thread
// (ConnectedTo, ConnectionMediaType, QueryAccept, EnumMediaTypes …) never wait for the filter lock.
#include <atomic>
#include <mutex>

#include "platform/comptr.h"
#include "platform/dshow/basefilter.h"
#include "platform/dshow/mediatype.h"

class CBasePin : public IPin, public platform::LiveObject {
public:
    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;

    // A pin is part of its filter and counts with it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE Disconnect() noexcept override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) noexcept override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) noexcept override;
    // S_OK when CheckMediaType accepts the type, else S_FALSE.
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) noexcept override;
    // Enumerates GetMediaType's list as it is at each call.
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) noexcept override;

    // S_OK accepts; anything else refuses.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    // The types this pin proposes, from position 0; VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    // [filter lock held] Connection steps. Peer and type are set before SetMediaType and
    // CompleteConnect are called and cleared again if they fail; BreakConnect undoes CheckConnect
    // and whatever a connection set up.
    virtual HRESULT CheckConnect(IPin* peer);
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual HRESULT BreakConnect();
    // [filter lock held] Stopped → Paused and back, called on connected pins only.
    virtual HRESULT Active();
    virtual HRESULT Inactive();

    bool IsConnected() const noexcept;
    platform::WideView Id() const noexcept { return id_; }
    // A copy of the connection type; VFW_E_NOT_CONNECTED when there is none. Any thread.
    HRESULT CopyConnectionType(CMediaType* type) const noexcept;
    // [filter lock held, or on the streaming thread while the filter is not stopped] The
    // connection type, which changes only under the filter lock while stopped.
    const CMediaType& CurrentMediaType() const noexcept { return type_; }

protected:
    // `name` and `id` are not copied: they must outlive the pin (literals do).
    CBasePin(CBaseFilter* filter, PIN_DIRECTION direction, const WCHAR* name, const WCHAR* id) noexcept;
    ~CBasePin() = default;

    // The peer, with our own reference, or empty. Any thread.
    platform::Ref<IPin> ConnectedPeer() const noexcept;
    // [filter lock held] Records the connection and runs SetMediaType and CompleteConnect; on
    // failure the connection is forgotten again.
    HRESULT EstablishConnection(IPin* peer, const CMediaType& type);
    // [filter lock held] Forgets the connection.
    void ClearConnection() noexcept;

    // The owner. Pins are members of their filter and share its count, so no reference.
    CBaseFilter* const filter_;

private:
    HRESULT SetConnection(IPin* peer, const CMediaType& type) noexcept;

    const PIN_DIRECTION direction_;
    const platform::WideView name_;
    const platform::WideView id_;
    mutable std::mutex leafLock_;  // guards peer_ and type_; never held while calling out
    platform::Ref<IPin> peer_;
    CMediaType type_;
};

class CBaseOutputPin : public CBasePin {
public:
    // Tries the type given when it is complete; otherwise this pin's types and then the peer's,
    // the ones matching a partial type, until the peer accepts one.
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) noexcept override;
    // An output pin only connects out: these are the input side's.
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) noexcept override;
    HRESULT STDMETHODCALLTYPE EndOfStream() noexcept override;
    HRESULT STDMETHODCALLTYPE BeginFlush() noexcept override;
    HRESULT STDMETHODCALLTYPE EndFlush() noexcept override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept override;

    // Sets the properties of the allocator the connection will use.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    // The peer's allocator if it offers one and it can be sized, else one of our own.
    virtual HRESULT DecideAllocator(IMemInputPin* peer, IMemAllocator** allocator);

    // [streaming thread] A free buffer of the agreed allocator (waits for one).
    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags) noexcept;
    // [streaming thread] Hands a sample to the peer; its answer is returned.
    HRESULT Deliver(IMediaSample* sample) noexcept;
    // Pass stream events to the peer. Any thread; no lock is held during the call.
    HRESULT DeliverEndOfStream() noexcept;
    HRESULT DeliverBeginFlush() noexcept;
    HRESULT DeliverEndFlush() noexcept;
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept;

    HRESULT CheckConnect(IPin* peer) override;
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

protected:
    CBaseOutputPin(CBaseFilter* filter, const WCHAR* name, const WCHAR* id) noexcept
        : CBasePin(filter, PINDIR_OUTPUT, name, id) {}

private:
    HRESULT AttemptConnection(IPin* receivePin, const CMediaType& type);

    // Set while connecting and cleared by BreakConnect, under the filter lock while stopped, so
    // the streaming thread reads them without a lock.
    platform::Ref<IMemInputPin> peerInput_;
    platform::Ref<IMemAllocator> allocator_;
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return CBasePin::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return CBasePin::Release(); }

    // An input pin only receives connections: Connect is the output side's.
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) noexcept override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) noexcept override;
    // Flag keeping: end of stream is refused while flushing or stopped; BeginFlush makes Receive
    // answer S_FALSE until EndFlush, which also clears end of stream. Derived pins pass them on.
    HRESULT STDMETHODCALLTYPE EndOfStream() noexcept override;
    HRESULT STDMETHODCALLTYPE BeginFlush() noexcept override;
    HRESULT STDMETHODCALLTYPE EndFlush() noexcept override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) noexcept override;

    // The allocator the upstream pin notified, or a new one of ours.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) noexcept override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) noexcept override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) noexcept override;
    // Checks that the sample may be received (CheckStreaming) and that it carries no other type
    // than the connection's (VFW_E_INVALIDMEDIATYPE); derived pins process it when this says S_OK.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) noexcept override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) noexcept override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() noexcept override;

    HRESULT BreakConnect() override;
    HRESULT Active() override;
    // Refuses samples from now on and decommits the allocator, so the upstream thread stops.
    HRESULT Inactive() override;

    // S_OK when a sample may be received now; S_FALSE while flushing; VFW_E_WRONG_STATE when
    // inactive; VFW_E_SAMPLE_REJECTED_EOS after end of stream. Any thread.
    HRESULT CheckStreaming() const noexcept;

protected:
    CBaseInputPin(CBaseFilter* filter, const WCHAR* name, const WCHAR* id) noexcept
        : CBasePin(filter, PINDIR_INPUT, name, id) {}

    // The allocator the connection uses (notified by the peer, or our own), or empty.
    platform::Ref<IMemAllocator> Allocator() const noexcept;

private:
    mutable std::mutex allocatorLock_;  // leaf: guards allocator_
    platform::Ref<IMemAllocator> allocator_;
    std::atomic<bool> active_{false};
    std::atomic<bool> flushing_{false};
    std::atomic<bool> atEndOfStream_{false};
};
