#include "plugin/shell/parameter_access.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "platform/comptr.h"

namespace {

struct FreeChain {
    void operator()(BUFFER_HEADER* chain) const noexcept { cALGORITHM::FreeBuffers(chain); }
};

HRESULT CopyText(const std::string& from, char* text, LONG capacity) noexcept {
    if (!text) return E_POINTER;
    if (capacity <= 0) return E_NOT_SUFFICIENT_BUFFER;
    if (from.size() >= static_cast<size_t>(capacity)) {
        text[0] = '\0';
        return E_NOT_SUFFICIENT_BUFFER;
    }
    std::memcpy(text, from.c_str(), from.size() + 1);
    return S_OK;
}

}  // namespace

const sCONTROL_PARAM* ParameterAccess::Param(LONG index) const noexcept {
    if (index < 0 || index >= algorithm_.GetNumParams()) return nullptr;
    return algorithm_.GetControlParam(static_cast<int16_t>(index));
}

HRESULT ParameterAccess::GetParamCount(LONG* count) noexcept {
    if (!count) return E_POINTER;
    *count = algorithm_.GetNumParams();  // fixed at creation
    return S_OK;
}

HRESULT ParameterAccess::GetStateCount(LONG index, LONG* count) noexcept {
    if (!count) return E_POINTER;
    *count = 0;
    const sCONTROL_PARAM* p = Param(index);
    if (!p) return E_INVALIDARG;
    *count = p->GetNumStates();
    return S_OK;
}

HRESULT ParameterAccess::GetParamText(LONG index, LONG field, char* text, LONG capacity) noexcept {
    const sCONTROL_PARAM* p = Param(index);
    if (!p) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        switch (field) {
            case kParamName:
                return CopyText(p->name, text, capacity);
            case kParamLabel:
                return CopyText(p->label, text, capacity);
            case kParamUnits:
                return CopyText(p->units, text, capacity);
            case kParamDisplay: {
                std::string shown;
                CAutoLock hold(&lock_);
                const EPluginSetup setup = algorithm_.GetActiveSetup();
                if (p->display) p->display(p->GetState(setup), p->GetRealWorld(setup), shown);
                return CopyText(shown, text, capacity);
            }
            default:
                return E_INVALIDARG;
        }
    });
}

HRESULT ParameterAccess::GetStateText(LONG index, LONG state, char* text, LONG capacity) noexcept {
    const sCONTROL_PARAM* p = Param(index);
    if (!p || state < 0 || state >= p->GetNumStates()) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        std::string shown;
        algorithm_.TranslateParam(static_cast<int16_t>(index), state, shown);
        return CopyText(shown, text, capacity);
    });
}

HRESULT ParameterAccess::GetParamState(LONG index, LONG* state) noexcept {
    if (!state) return E_POINTER;
    *state = 0;
    if (!Param(index)) return E_INVALIDARG;
    CAutoLock hold(&lock_);
    *state = algorithm_.GetParamState(static_cast<int16_t>(index));
    return S_OK;
}

HRESULT ParameterAccess::StateFromText(LONG index, const char* text, LONG* state) noexcept {
    if (!state) return E_POINTER;
    *state = -1;
    if (!text) return E_POINTER;
    if (!Param(index)) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        CAutoLock hold(&lock_);
        *state = algorithm_.StateFromText(static_cast<int16_t>(index), text);
        return *state == -1 ? S_FALSE : S_OK;
    });
}

HRESULT ParameterAccess::SetParamState(LONG index, LONG state) noexcept {
    const sCONTROL_PARAM* p = Param(index);
    if (!p || state < 0 || state >= p->GetNumStates()) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        CAutoLock hold(&lock_);
        const std::unique_ptr<BUFFER_HEADER, FreeChain> chain(
            algorithm_.UpdateParam(static_cast<int16_t>(index), state));
        algorithm_.SendBuffers(chain.get());
        return S_OK;
    });
}

HRESULT ParameterAccess::GetActiveSetup(LONG* setup) noexcept {
    if (!setup) return E_POINTER;
    CAutoLock hold(&lock_);
    *setup = algorithm_.GetActiveSetup();
    return S_OK;
}

HRESULT ParameterAccess::SetActiveSetup(LONG setup) noexcept {
    if (setup != eSetupA && setup != eSetupB) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        CAutoLock hold(&lock_);
        algorithm_.ToggleActiveSetup(setup);
        return S_OK;
    });
}

HRESULT ParameterAccess::SetTempo(double bpm) noexcept {
    if (!std::isfinite(bpm) || bpm <= 0) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        CAutoLock hold(&lock_);
        algorithm_.SetTempo(bpm);
        return S_OK;
    });
}
