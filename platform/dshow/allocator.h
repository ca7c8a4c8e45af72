#pragma once
// CMemAllocator and its CMediaSample: a fixed set of equal buffers carved from one block, made at
// Commit, handed out by GetBuffer, and taken back by each sample's last Release.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dshow/mediatype.h"
#include "platform/dshow/unknown.h"

class CMemAllocator;

// One buffer of a CMemAllocator. Used by one thread at a time, as samples are.
class CMediaSample final : public IMediaSample, public platform::LiveObject {
public:
    CMediaSample(CMemAllocator* allocator, BYTE* buffer, LONG bytes) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    // The last release gives the sample back to its allocator.
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) noexcept override;
    LONG STDMETHODCALLTYPE GetSize() noexcept override;
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) noexcept override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) noexcept override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() noexcept override;
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL isSyncPoint) noexcept override;
    HRESULT STDMETHODCALLTYPE IsPreroll() noexcept override;
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL isPreroll) noexcept override;
    LONG STDMETHODCALLTYPE GetActualDataLength() noexcept override;
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG bytes) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) noexcept override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() noexcept override;
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL isDiscontinuity) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) noexcept override;

private:
    friend class CMemAllocator;
    enum Bits : DWORD {
        kSyncPoint = 1,
        kPreroll = 2,
        kDiscontinuity = 4,
        kTimeValid = 8,
        kStopValid = 16,
        kMediaTimeValid = 32
    };
    HRESULT Has(DWORD flag) const noexcept { return (flags_ & flag) ? S_OK : S_FALSE; }
    void SetFlag(DWORD flag, bool on) noexcept { flags_ = on ? flags_ | flag : flags_ & ~flag; }

    // Owns this sample. A sample out of the allocator holds a reference on it, so it is alive
    // whenever the sample is in use.
    CMemAllocator* const allocator_;
    BYTE* const buffer_;
    const LONG size_;
    volatile LONG refs_ = 0;
    bool checkedOut_ = false;  // [allocator lock]
    LONG actual_ = 0;
    DWORD flags_ = 0;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    LONGLONG mediaStart_ = 0;
    LONGLONG mediaStop_ = 0;
    std::unique_ptr<CMediaType> type_;
};

class CMemAllocator final : public CUnknown, public IMemAllocator {
public:
    CMemAllocator() noexcept : CUnknown(nullptr) {}
    ~CMemAllocator() override;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;

    // Alignment must be a power of two; refused while committed or while samples are out.
    // The granted buffer size is the requested one; each buffer's data is aligned.
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request,
                                            ALLOCATOR_PROPERTIES* actual) noexcept override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) noexcept override;
    // Allocates the buffers on the first commit after a change of properties.
    HRESULT STDMETHODCALLTYPE Commit() noexcept override;
    // Wakes every GetBuffer waiting for a sample; they fail with VFW_E_NOT_COMMITTED.
    HRESULT STDMETHODCALLTYPE Decommit() noexcept override;
    // Waits for a free sample unless AM_GBF_NOWAIT (then VFW_E_TIMEOUT). The sample comes with no
    // times, flags or type and an actual length of 0. The time arguments are ignored.
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                        DWORD flags) noexcept override;
    // Takes back one of this allocator's samples whose last reference is gone; anything else is
    // refused, so a sample can never sit twice in the free list.
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) noexcept override;

private:
    HRESULT Allocate() noexcept;  // [lock_ held]
    void Free() noexcept;         // [lock_ held; no sample out]

    std::mutex lock_;  // leaf: guards everything below and is never held while calling out
    std::condition_variable returned_;
    ALLOCATOR_PROPERTIES props_{};
    bool committed_ = false;
    LONG outstanding_ = 0;
    std::unique_ptr<BYTE[]> memory_;
    std::vector<std::unique_ptr<CMediaSample>> samples_;
    std::vector<CMediaSample*> free_;
};
