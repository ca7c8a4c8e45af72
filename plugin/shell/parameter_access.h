#pragma once
// IVelvaneParameters of a processing component: the algorithm's parameters, their texts and
// states in the active setup, typed values, the active setup and the host tempo.
#include "plugin/shell/interfaces/host_interfaces.h"
#include "plugin/shell/shell_face.h"

// Every method takes the lock: the algorithm's parameters are shared with the audio path.
class ParameterAccess final : public ShellFace<IVelvaneParameters> {
public:
    using ShellFace::ShellFace;

    HRESULT STDMETHODCALLTYPE GetParamCount(LONG* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetStateCount(LONG index, LONG* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetParamText(LONG index, LONG field, char* text, LONG capacity) noexcept override;
    HRESULT STDMETHODCALLTYPE GetStateText(LONG index, LONG state, char* text, LONG capacity) noexcept override;
    HRESULT STDMETHODCALLTYPE GetParamState(LONG index, LONG* state) noexcept override;
    // The algorithm's own StateFromText.
    HRESULT STDMETHODCALLTYPE StateFromText(LONG index, const char* text, LONG* state) noexcept override;
    // UpdateParam; the chain it returns is sent and freed.
    HRESULT STDMETHODCALLTYPE SetParamState(LONG index, LONG state) noexcept override;
    HRESULT STDMETHODCALLTYPE GetActiveSetup(LONG* setup) noexcept override;
    // ToggleActiveSetup with the setup, which sends every coefficient when the setup changes.
    HRESULT STDMETHODCALLTYPE SetActiveSetup(LONG setup) noexcept override;
    HRESULT STDMETHODCALLTYPE SetTempo(double bpm) noexcept override;

private:
    // The parameter at `index`, or null outside the table.
    const sCONTROL_PARAM* Param(LONG index) const noexcept;
};
