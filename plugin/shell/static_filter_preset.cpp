#include "plugin/shell/static_filter_preset.h"

#include <algorithm>
#include <string_view>

#include "platform/codepage.h"
#include "platform/comptr.h"
#include "platform/window.h"
#include "plugin/shell/status.h"

namespace {

constexpr HRESULT kNoName = -1;

}  // namespace

// The factory presets are read once, at creation, and never change: no lock is needed to read them.
LONG StaticFilterPreset::Count() const noexcept {
    return std::min<LONG>(kMaxPresets, algorithm_.GetPresetsManager().GetFactoryPresetCount());
}

HRESULT StaticFilterPreset::GetPresetCount(LONG* count) noexcept {
    if (!count) return E_POINTER;
    *count = Count();
    return S_OK;
}

HRESULT StaticFilterPreset::GetPresetName(LONG index, WCHAR* name, LONG capacity) noexcept {
    if (index < 0 || index >= Count()) return kNoName;
    if (!name) {
        MessageBoxA(nullptr, "cBaseAmShell::GetPresetName", "Null name passed", MB_OK);
        return kNoName;
    }
    const HRESULT hr = platform::AtBoundary([&] {
        const std::string_view narrow = algorithm_.GetPresetsManager().GetFactoryPresetName(index);
        if (narrow.empty()) return kNoName;
        const auto wide = platform::WideFromAnsi(narrow);
        if (capacity <= 0) return kNoName;
        if (wide.size() >= static_cast<size_t>(capacity)) {
            name[0] = 0;
            return kNoName;
        }
        std::copy(wide.begin(), wide.end(), name);
        name[wide.size()] = 0;
        return S_OK;
    });
    return hr == S_OK ? S_OK : kNoName;
}

HRESULT StaticFilterPreset::SelectPreset(LONG index) noexcept {
    if (index < 0 || index >= Count()) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        CAutoLock hold(&lock_);
        const HRESULT hr = HResultFromStatus(algorithm_.LoadFactoryPreset(index));
        if (FAILED(hr)) return hr;
        // TODO(editor issue): re-label the setup button when the editor window is open.
        return HResultFromStatus(algorithm_.UpdateDSPCoefs(true));
    });
}
