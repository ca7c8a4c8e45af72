#include "plugin/shell/am_shell.h"

#include <algorithm>
#include <new>
#include <span>

#include "platform/comptr.h"
#include "plugin/shell/component_table.h"

IUnknown* AmShell::Create(uint32_t uniqueId, IUnknown* outer, REFCLSID clsid, std::unique_ptr<cVelvane_ALG> algorithm,
                          HRESULT* result) noexcept {
    auto* filter = new (std::nothrow) AmShell(uniqueId, outer, clsid, std::move(algorithm));
    if (!filter) {
        *result = E_OUTOFMEMORY;
        return nullptr;
    }
    auto held = platform::Ref<IUnknown>::adopt(filter->NonDelegatingUnknown());
    *result = filter->BindProcessSide();
    return SUCCEEDED(*result) ? held.detach() : nullptr;
}

AmShell::AmShell(uint32_t uniqueId, IUnknown* outer, REFCLSID clsid, std::unique_ptr<cVelvane_ALG> algorithm) noexcept
    : cNordeNonInPlace(outer, clsid, std::move(algorithm)),
      uniqueId_(uniqueId),
      pageClsid_(ComponentTable.back().clsid),
      presets_(GetOwner(), *Algorithm(), *GetCritSecObj()),
      parameters_(GetOwner(), *Algorithm(), *GetCritSecObj()) {}

HRESULT AmShell::NonDelegatingQueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    const auto processing = std::span(ComponentTable).first(ComponentTable.size() - 1);
    if (std::any_of(processing.begin(), processing.end(), [&](const ComponentRow& row) { return row.clsid == iid; })) {
        *out = NonDelegatingUnknown();
        NonDelegatingAddRef();
        return S_OK;
    }
    static constexpr platform::InterfaceRow<AmShell> kRows[] = {
        {&IID_ISpecifyPropertyPages, platform::As<AmShell, ISpecifyPropertyPages>},
        {&IID_IStaticFilterPreset, [](AmShell* self) -> void* { return &self->presets_; }},
        {&IID_IVelvaneParameters, [](AmShell* self) -> void* { return &self->parameters_; }},
    };
    const HRESULT hr = platform::QueryByTable<AmShell>(kRows, this, iid, out);
    return hr == E_NOINTERFACE ? cNordeNonInPlace::NonDelegatingQueryInterface(iid, out) : hr;
}

HRESULT AmShell::GetPages(CAUUID* pages) noexcept {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = pageClsid_;
    pages->cElems = 1;
    return S_OK;
}
