#include "platform/dshow/enumerators.h"

#include <climits>

using platform::AtBoundary;

namespace {

// Enumerators hand out arrays: more than one item needs somewhere to say how many came.
HRESULT CheckNextArguments(ULONG count, const void* items, const ULONG* fetched) noexcept {
    if (!items) return E_POINTER;
    return count != 1 && !fetched ? E_INVALIDARG : S_OK;
}

}  // namespace

CEnumPins::CEnumPins(CBaseFilter* filter, ULONG position) noexcept
    : CUnknown(nullptr), filter_(platform::Ref<CBaseFilter>::retain(filter)), position_(position) {}

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CEnumPins> kRows[] = {{&IID_IEnumPins, platform::As<CEnumPins, IEnumPins>}};
    const HRESULT hr = platform::QueryByTable<CEnumPins>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? CUnknown::NonDelegatingQueryInterface(iid, out) : hr;
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) noexcept {
    HRESULT hr = CheckNextArguments(count, pins, fetched);
    if (FAILED(hr)) return hr;
    ULONG n = 0;
    while (n < count && position_ < static_cast<ULONG>(filter_->GetPinCount())) {
        CBasePin* pin = filter_->GetPin(static_cast<int>(position_++));
        if (!pin) break;
        pins[n] = pin;
        pins[n++]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count) noexcept {
    const ULONG pins = static_cast<ULONG>(filter_->GetPinCount());
    const ULONG left = position_ < pins ? pins - position_ : 0;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Reset() noexcept {
    position_ = 0;
    return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** clone) noexcept {
    if (!clone) return E_POINTER;
    *clone = nullptr;
    return AtBoundary([&] {
        *clone = new CEnumPins(filter_.get(), position_);
        return S_OK;
    });
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, ULONG position) noexcept
    : CUnknown(nullptr), pin_(platform::Ref<CBasePin>::retain(pin)), position_(position) {}

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<CEnumMediaTypes> kRows[] = {
        {&IID_IEnumMediaTypes, platform::As<CEnumMediaTypes, IEnumMediaTypes>}};
    const HRESULT hr = platform::QueryByTable<CEnumMediaTypes>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? CUnknown::NonDelegatingQueryInterface(iid, out) : hr;
}

HRESULT CEnumMediaTypes::TypeAt(ULONG position, CMediaType* type) noexcept {
    if (position > INT_MAX) return S_FALSE;
    const HRESULT hr = AtBoundary([&] { return pin_->GetMediaType(static_cast<int>(position), type); });
    return hr == S_OK || hr == E_OUTOFMEMORY ? hr : S_FALSE;
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) noexcept {
    HRESULT hr = CheckNextArguments(count, types, fetched);
    if (FAILED(hr)) return hr;
    ULONG n = 0;
    for (; n < count; ++n) {
        CMediaType type;
        hr = TypeAt(position_, &type);
        if (hr != S_OK) break;
        types[n] = CreateMediaType(&type);
        if (!types[n]) {
            hr = E_OUTOFMEMORY;
            break;
        }
        ++position_;
    }
    if (FAILED(hr)) {  // all or nothing: what was handed out so far goes back
        position_ -= n;
        while (n) DeleteMediaType(types[--n]);
    }
    if (fetched) *fetched = n;
    if (FAILED(hr)) return hr;
    return n == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count) noexcept {
    for (; count; --count, ++position_) {
        CMediaType type;
        const HRESULT hr = TypeAt(position_, &type);
        if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    }
    return S_OK;
}

HRESULT CEnumMediaTypes::Reset() noexcept {
    position_ = 0;
    return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** clone) noexcept {
    if (!clone) return E_POINTER;
    *clone = nullptr;
    return AtBoundary([&] {
        *clone = new CEnumMediaTypes(pin_.get(), position_);
        return S_OK;
    });
}
