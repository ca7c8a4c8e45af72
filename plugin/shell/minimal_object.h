#pragma once
// Stand-in objects: MinimalFilter until the transform filter is built, MinimalPropertyPage until
// the editor's page is. They count as live objects and start with a reference count of 0, as the
// class factory's creation protocol expects.
#include <cstdint>
#include <memory>

#include "platform/com.h"
#include "platform/sync.h"
#include "plugin/algorithm/cVelvane_ALG.h"
#include "plugin/shell/parameter_access.h"
#include "plugin/shell/static_filter_preset.h"

class MinimalObject : public IUnknown, public platform::LiveObject {
public:
    // `outer` is the aggregating object, or null. It is not held: it holds us.
    explicit MinimalObject(IUnknown* outer) noexcept : outer_(outer) {}
    virtual ~MinimalObject() = default;
    MinimalObject(const MinimalObject&) = delete;
    MinimalObject& operator=(const MinimalObject&) = delete;

    // Answers IUnknown only.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    IUnknown* Outer() const noexcept { return outer_; }

private:
    IUnknown* outer_;
    volatile LONG refs_ = 0;
};

// TODO(filter issue): replaced by the transform filter, which takes the algorithm over the same way.
// Answers IUnknown, IStaticFilterPreset and IVelvaneParameters; it has no process side.
class MinimalFilter final : public MinimalObject {
public:
    MinimalFilter(IUnknown* outer, REFCLSID clsid, uint32_t uniqueId, uint32_t processCode,
                  std::unique_ptr<cVelvane_ALG> algorithm) noexcept
        : MinimalObject(outer),
          clsid_(clsid),
          uniqueId_(uniqueId),
          processCode_(processCode),
          algorithm_(std::move(algorithm)),
          presets_(Owner(), *algorithm_, lock_),
          parameters_(Owner(), *algorithm_, lock_) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;

    const CLSID& Clsid() const noexcept { return clsid_; }
    uint32_t UniqueId() const noexcept { return uniqueId_; }
    uint32_t ProcessCode() const noexcept { return processCode_; }
    cVelvane_ALG* Algorithm() const noexcept { return algorithm_.get(); }

private:
    IUnknown* Owner() noexcept { return Outer() ? Outer() : this; }

    CLSID clsid_;
    uint32_t uniqueId_;
    uint32_t processCode_;
    std::unique_ptr<cVelvane_ALG> algorithm_;
    CCritSec lock_;  // serialises parameter changes
    StaticFilterPreset presets_;
    ParameterAccess parameters_;
};

class MinimalPropertyPage final : public MinimalObject {
public:
    using MinimalObject::MinimalObject;
};
