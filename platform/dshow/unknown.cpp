#include "platform/dshow/unknown.h"

CUnknown::CUnknown(IUnknown* outer) noexcept : inner_(this), owner_(outer ? outer : &inner_) {}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *out = &inner_;
    NonDelegatingAddRef();
    return S_OK;
}

ULONG CUnknown::NonDelegatingAddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG CUnknown::NonDelegatingRelease() noexcept {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}
