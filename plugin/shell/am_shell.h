#pragma once
// AmShell: the filter object of a processing component, as its class factory hands it out. It
// adds the component's unique ID and the editor's property page to cNordeNonInPlace, and answers
// every interface of the plug-in.
#include <cstdint>
#include <memory>

#include "plugin/shell/norde_non_in_place.h"
#include "plugin/shell/parameter_access.h"
#include "plugin/shell/static_filter_preset.h"

class AmShell final : public cNordeNonInPlace {
public:
    // Takes over `algorithm` (created and finished for this component) and lays out its process
    // side. Returns the object's non-delegating unknown holding one reference for the caller, or
    // null with *result set (E_OUTOFMEMORY); *result is S_OK otherwise. `outer` aggregates the
    // object when not null; GetClassID reports `clsid`.
    static IUnknown* Create(uint32_t uniqueId, IUnknown* outer, REFCLSID clsid, std::unique_ptr<cVelvane_ALG> algorithm,
                            HRESULT* result) noexcept;

    // In this order: any of the nine processing class ids (the object itself, which is how the
    // library's own code knows its filters), the property-page list, the factory presets, the
    // parameter access, then the base filter's.
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept override;
    // One page: the editor's. The caller frees the list with CoTaskMemFree.
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) noexcept override;

    uint32_t UniqueId() const noexcept { return uniqueId_; }

private:
    AmShell(uint32_t uniqueId, IUnknown* outer, REFCLSID clsid, std::unique_ptr<cVelvane_ALG> algorithm) noexcept;

    const uint32_t uniqueId_;
    const CLSID pageClsid_;
    // Parameter changes through them take the process lock, which the audio path holds around
    // every kernel call.
    StaticFilterPreset presets_;
    ParameterAccess parameters_;
};
