#pragma once
// Stand-in objects that answer only IUnknown: MinimalFilter until the transform filter is built,
// MinimalPropertyPage until the editor's page is. They count as live objects and start with a
// reference count of 0, as the class factory's creation protocol expects.
#include <cstdint>

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
    volatile LONG refs_ = 0;
};

class MinimalFilter final : public MinimalObject {
public:
    MinimalFilter(IUnknown* outer, REFCLSID clsid, uint32_t uniqueId, uint32_t processCode) noexcept
        : MinimalObject(outer), clsid_(clsid), uniqueId_(uniqueId), processCode_(processCode) {}

    const CLSID& Clsid() const noexcept { return clsid_; }
    uint32_t UniqueId() const noexcept { return uniqueId_; }
    uint32_t ProcessCode() const noexcept { return processCode_; }

private:
    CLSID clsid_;
    uint32_t uniqueId_;
    uint32_t processCode_;
};

class MinimalPropertyPage final : public MinimalObject {
public:
    using MinimalObject::MinimalObject;
};
