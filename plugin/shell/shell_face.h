#pragma once
// One interface of a component object, implemented by a part of it that works on the algorithm:
// QueryInterface, AddRef and Release go to the object's controlling unknown.
#include "framework/cALGORITHM.h"
#include "platform/com.h"
#include "platform/sync.h"

template <class I>
class ShellFace : public I {
public:
    // `lock` is the one the object's audio path holds while it touches the algorithm (re-entrant:
    // the framework takes the process lock again to send a chain). All three outlive the face.
    ShellFace(IUnknown* owner, cALGORITHM& algorithm, CCritSec& lock) noexcept
        : owner_(owner), algorithm_(algorithm), lock_(lock) {}
    ShellFace(const ShellFace&) = delete;
    ShellFace& operator=(const ShellFace&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        return owner_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return owner_->Release(); }

protected:
    ~ShellFace() = default;

    IUnknown* const owner_;  // not held: the owner holds this face
    cALGORITHM& algorithm_;
    CCritSec& lock_;
};
