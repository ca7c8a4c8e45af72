#include "platform/dshow/allocator.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/comptr.h"

namespace {

// Memory beyond this is refused as if it could not be had: a peer's request must not exhaust us.
constexpr int64_t kMaxBlockBytes = int64_t{1} << 30;

int64_t RoundUp(int64_t bytes, int64_t align) { return (bytes + align - 1) / align * align; }

// Distance between consecutive buffers: room for the prefix, then the aligned data.
int64_t StrideBytes(const ALLOCATOR_PROPERTIES& p) {
    return RoundUp(p.cbPrefix, p.cbAlign) + RoundUp(p.cbBuffer, p.cbAlign);
}

bool SameProperties(const ALLOCATOR_PROPERTIES& a, const ALLOCATOR_PROPERTIES& b) {
    return a.cBuffers == b.cBuffers && a.cbBuffer == b.cbBuffer && a.cbAlign == b.cbAlign && a.cbPrefix == b.cbPrefix;
}

}  // namespace

CMediaSample::CMediaSample(CMemAllocator* allocator, BYTE* buffer, LONG bytes) noexcept
    : allocator_(allocator), buffer_(buffer), size_(bytes) {}

HRESULT CMediaSample::QueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CMediaSample> kRows[] = {
        {&IID_IUnknown, platform::As<CMediaSample, IMediaSample>},
        {&IID_IMediaSample, platform::As<CMediaSample, IMediaSample>}};
    return platform::QueryByTable<CMediaSample>(kRows, this, iid, out);
}

ULONG CMediaSample::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG CMediaSample::Release() noexcept {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) allocator_->ReleaseBuffer(this);  // may destroy the allocator and this sample
    return static_cast<ULONG>(refs);
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) noexcept {
    if (!buffer) return E_POINTER;
    *buffer = buffer_;
    return S_OK;
}

LONG CMediaSample::GetSize() noexcept { return size_; }

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) noexcept {
    if (!start || !stop) return E_POINTER;
    if (!(flags_ & kTimeValid)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if (flags_ & kStopValid) {
        *stop = stop_;
        return S_OK;
    }
    *stop = start_ + 1;
    return VFW_S_NO_STOP_TIME;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) noexcept {
    SetFlag(kTimeValid, start != nullptr);
    SetFlag(kStopValid, start && stop);
    if (start) start_ = *start;
    if (start && stop) stop_ = *stop;
    return S_OK;
}

HRESULT CMediaSample::IsSyncPoint() noexcept { return Has(kSyncPoint); }
HRESULT CMediaSample::SetSyncPoint(BOOL isSyncPoint) noexcept {
    SetFlag(kSyncPoint, isSyncPoint);
    return S_OK;
}
HRESULT CMediaSample::IsPreroll() noexcept { return Has(kPreroll); }
HRESULT CMediaSample::SetPreroll(BOOL isPreroll) noexcept {
    SetFlag(kPreroll, isPreroll);
    return S_OK;
}
HRESULT CMediaSample::IsDiscontinuity() noexcept { return Has(kDiscontinuity); }
HRESULT CMediaSample::SetDiscontinuity(BOOL isDiscontinuity) noexcept {
    SetFlag(kDiscontinuity, isDiscontinuity);
    return S_OK;
}

LONG CMediaSample::GetActualDataLength() noexcept { return actual_; }

HRESULT CMediaSample::SetActualDataLength(LONG bytes) noexcept {
    if (bytes < 0 || bytes > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = bytes;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type) noexcept {
    if (!type) return E_POINTER;
    *type = nullptr;
    if (!type_) return S_FALSE;
    *type = CreateMediaType(type_.get());
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* type) noexcept {
    if (!type) {
        type_.reset();
        return S_OK;
    }
    std::unique_ptr<CMediaType> copy(new (std::nothrow) CMediaType);
    if (!copy) return E_OUTOFMEMORY;
    const HRESULT hr = copy->Set(*type);
    if (FAILED(hr)) return hr;
    type_ = std::move(copy);
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) noexcept {
    if (!start || !stop) return E_POINTER;
    if (!(flags_ & kMediaTimeValid)) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *stop = mediaStop_;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) noexcept {
    if (!start) {
        SetFlag(kMediaTimeValid, false);
        return S_OK;
    }
    if (!stop) return E_POINTER;
    mediaStart_ = *start;
    mediaStop_ = *stop;
    SetFlag(kMediaTimeValid, true);
    return S_OK;
}

CMemAllocator::~CMemAllocator() = default;

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CMemAllocator> kRows[] = {
        {&IID_IMemAllocator, platform::As<CMemAllocator, IMemAllocator>}};
    const HRESULT hr = platform::QueryByTable<CMemAllocator>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? CUnknown::NonDelegatingQueryInterface(iid, out) : hr;
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) noexcept {
    if (!request || !actual) return E_POINTER;
    const ALLOCATOR_PROPERTIES r = *request;
    if (r.cbAlign <= 0 || (r.cbAlign & (r.cbAlign - 1)) != 0) return VFW_E_BADALIGN;
    if (r.cBuffers < 0 || r.cbBuffer < 0 || r.cbPrefix < 0) return E_INVALIDARG;
    if (StrideBytes(r) * r.cBuffers + r.cbAlign > kMaxBlockBytes) return E_OUTOFMEMORY;
    std::lock_guard lock(lock_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_) return VFW_E_BUFFERS_OUTSTANDING;
    if (!SameProperties(r, props_)) Free();
    props_ = r;
    *actual = props_;
    return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) noexcept {
    if (!props) return E_POINTER;
    std::lock_guard lock(lock_);
    *props = props_;
    return S_OK;
}

HRESULT CMemAllocator::Commit() noexcept {
    std::lock_guard lock(lock_);
    if (committed_) return S_OK;
    if (props_.cBuffers <= 0 || props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
    if (samples_.empty()) {
        const HRESULT hr = Allocate();
        if (FAILED(hr)) return hr;
    }
    committed_ = true;
    return S_OK;
}

HRESULT CMemAllocator::Decommit() noexcept {
    {
        std::lock_guard lock(lock_);
        committed_ = false;
    }
    returned_.notify_all();
    return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD flags) noexcept {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    CMediaSample* s = nullptr;
    {
        std::unique_lock lock(lock_);
        returned_.wait(lock, [&] { return !committed_ || !free_.empty() || (flags & AM_GBF_NOWAIT); });
        if (!committed_) return VFW_E_NOT_COMMITTED;
        if (free_.empty()) return VFW_E_TIMEOUT;
        s = free_.back();
        free_.pop_back();
        s->checkedOut_ = true;
        ++outstanding_;
    }
    NonDelegatingAddRef();  // the sample's, given back in ReleaseBuffer
    s->actual_ = 0;
    s->flags_ = 0;
    s->type_.reset();
    s->refs_ = 1;
    *sample = s;
    return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample) noexcept {
    if (!sample) return E_POINTER;
    {
        std::lock_guard lock(lock_);
        const auto it = std::find_if(samples_.begin(), samples_.end(),
                                     [&](const auto& s) { return static_cast<IMediaSample*>(s.get()) == sample; });
        if (it == samples_.end()) return E_INVALIDARG;
        CMediaSample* s = it->get();
        if (!s->checkedOut_ || s->refs_ != 0) return E_UNEXPECTED;
        s->checkedOut_ = false;
        free_.push_back(s);  // capacity reserved at allocation: never allocates
        --outstanding_;
    }
    returned_.notify_one();
    NonDelegatingRelease();
    return S_OK;
}

HRESULT CMemAllocator::Allocate() noexcept {
    const HRESULT hr = platform::AtBoundary([&] {
        const int64_t align = props_.cbAlign;
        const int64_t stride = StrideBytes(props_);
        memory_.reset(new (std::nothrow) BYTE[stride * props_.cBuffers + align]());
        if (!memory_) return E_OUTOFMEMORY;
        const auto base = reinterpret_cast<uintptr_t>(memory_.get());
        BYTE* first = memory_.get() + (RoundUp(static_cast<int64_t>(base), align) - static_cast<int64_t>(base)) +
                      RoundUp(props_.cbPrefix, align);
        samples_.reserve(props_.cBuffers);
        free_.reserve(props_.cBuffers);
        for (LONG i = 0; i < props_.cBuffers; ++i) {
            samples_.push_back(std::make_unique<CMediaSample>(this, first + i * stride, props_.cbBuffer));
            free_.push_back(samples_.back().get());
        }
        return S_OK;
    });
    if (FAILED(hr)) Free();
    return hr;
}

void CMemAllocator::Free() noexcept {
    free_.clear();
    samples_.clear();
    memory_.reset();
}
