#include "plugin/shell/minimal_object.h"

#include "platform/comptr.h"

HRESULT MinimalObject::QueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<MinimalObject> kRows[] = {
        {&IID_IUnknown, platform::As<MinimalObject, IUnknown>}};
    return platform::QueryByTable<MinimalObject>(kRows, this, iid, out);
}

ULONG MinimalObject::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG MinimalObject::Release() noexcept {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}
