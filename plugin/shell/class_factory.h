#pragma once
// The class factory handed out per component-table row.
#include "platform/com.h"
#include "plugin/shell/component_table.h"

class ClassFactory final : public IClassFactory, public platform::LiveObject {
public:
    // Starts with a reference count of 0.
    explicit ClassFactory(const ComponentRow& row) noexcept : row_(row) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // E_POINTER for a null out; E_NOINTERFACE when aggregating with an IID other than IUnknown.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
    // Nonzero counts one lock up, zero one down; always S_OK.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    const ComponentRow& row_;
    volatile LONG refs_ = 0;
};

// Locks taken through LockServer and not yet released (may go negative if a host over-releases).
LONG ServerLockCount() noexcept;
