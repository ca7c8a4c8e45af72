#pragma once
// CUnknown: reference counting and identity for objects that may be aggregated. The object's
// interfaces delegate their IUnknown methods to the owner (the outer unknown when aggregated,
// else the object's own non-delegating unknown); NonDelegatingQueryInterface answers for the
// object itself.
#include "platform/com.h"

class CUnknown : public platform::LiveObject {
public:
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;
    virtual ~CUnknown() = default;

    // Where the object's interfaces send QueryInterface, AddRef and Release.
    IUnknown* GetOwner() const noexcept { return owner_; }
    // The unknown an aggregating outer holds; also the object's identity when not aggregated.
    IUnknown* NonDelegatingUnknown() noexcept { return &inner_; }

    // Answers IUnknown with the non-delegating unknown; derived classes add their interfaces.
    virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) noexcept;
    ULONG NonDelegatingAddRef() noexcept;
    ULONG NonDelegatingRelease() noexcept;

protected:
    // Born with one reference, which the creator adopts. `outer` is null unless aggregated.
    explicit CUnknown(IUnknown* outer) noexcept;

private:
    struct Inner final : IUnknown {
        explicit Inner(CUnknown* object) noexcept : object(object) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
            return object->NonDelegatingQueryInterface(iid, out);
        }
        ULONG STDMETHODCALLTYPE AddRef() noexcept override { return object->NonDelegatingAddRef(); }
        ULONG STDMETHODCALLTYPE Release() noexcept override { return object->NonDelegatingRelease(); }
        CUnknown* object;  // the enclosing object: this face is part of it
    };
    Inner inner_;
    IUnknown* owner_;
    volatile LONG refs_ = 1;
};

// The IUnknown methods of every interface a CUnknown-derived class implements.
#define DECLARE_IUNKNOWN                                                                 \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override { \
        return GetOwner()->QueryInterface(iid, out);                                     \
    }                                                                                    \
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return GetOwner()->AddRef(); }  \
    ULONG STDMETHODCALLTYPE Release() noexcept override { return GetOwner()->Release(); }
