#pragma once
// The stand-in object that answers only IUnknown: MinimalPropertyPage until the editor's page is
// built. It counts as a live object and is born with the one reference its creator hands on.
#include "platform/com.h"

class MinimalObject : public IUnknown, public platform::LiveObject {
public:
    // `outer` is the aggregating object, or null. It is not held: it holds us.
    explicit MinimalObject(IUnknown* outer) noexcept : outer_(outer) {}
    virtual ~MinimalObject() = default;
    MinimalObject(const MinimalObject&) = delete;
    MinimalObject& operator=(const MinimalObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    IUnknown* Outer() const noexcept { return outer_; }

private:
    IUnknown* outer_;
    volatile LONG refs_ = 1;
};

class MinimalPropertyPage final : public MinimalObject {
public:
    using MinimalObject::MinimalObject;
};
