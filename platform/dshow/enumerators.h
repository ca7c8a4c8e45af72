#pragma once
// Enumerators over a filter's pins and a pin's proposed media types. Each holds a reference on
// what it walks and reads the current list at every call.
#include "platform/comptr.h"
#include "platform/dshow/basefilter.h"
#include "platform/dshow/pins.h"

class CEnumPins final : public CUnknown, public IEnumPins {
public:
    CEnumPins(CBaseFilter* filter, ULONG position) noexcept;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) noexcept override;

private:
    const platform::Ref<CBaseFilter> filter_;
    ULONG position_;
};

class CEnumMediaTypes final : public CUnknown, public IEnumMediaTypes {
public:
    CEnumMediaTypes(CBasePin* pin, ULONG position) noexcept;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;

    // Hands out copies in task memory, for the caller to free with DeleteMediaType.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) noexcept override;

private:
    // The pin's type at `position`; S_FALSE past the end.
    HRESULT TypeAt(ULONG position, CMediaType* type) noexcept;

    const platform::Ref<CBasePin> pin_;
    ULONG position_;
};
