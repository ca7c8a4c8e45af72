#pragma once
// IStaticFilterPreset of a processing component: the algorithm's factory presets, at most 40.
#include "plugin/shell/interfaces/host_interfaces.h"
#include "plugin/shell/shell_face.h"

class StaticFilterPreset final : public ShellFace<IStaticFilterPreset> {
public:
    static constexpr LONG kMaxPresets = 40;

    using ShellFace::ShellFace;

    HRESULT STDMETHODCALLTYPE GetPresetCount(LONG* count) noexcept override;
    // The name buffer must hold the name and its terminator; a shorter one gets an empty text
    // and -1 rather than a cut name.
    HRESULT STDMETHODCALLTYPE GetPresetName(LONG index, WCHAR* name, LONG capacity) noexcept override;
    // [takes the lock] LoadFactoryPreset, then UpdateDSPCoefs(true).
    HRESULT STDMETHODCALLTYPE SelectPreset(LONG index) noexcept override;

private:
    LONG Count() const noexcept;
};
