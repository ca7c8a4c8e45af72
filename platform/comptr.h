#pragma once
// COM helpers shared by every layer that implements or holds interfaces: an owning reference,
// the table-driven QueryInterface, and the exception barrier for interface boundaries.
#include <new>
#include <span>
#include <utility>

#include "platform/com.h"

namespace platform {

// Owns one reference. The verb says where it came from: adopt() takes a +1 we were handed,
// retain() adds our own.
template <class T>
class Ref {
public:
    Ref() noexcept = default;
    static Ref adopt(T* p) noexcept { return Ref(p); }
    static Ref retain(T* p) noexcept {
        if (p) p->AddRef();
        return Ref(p);
    }
    Ref(const Ref& other) noexcept : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() { reset(); }

    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Hands our reference to the caller.
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    // For out-parameters: releases what is held and returns the slot to fill.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    explicit Ref(T* p) noexcept : p_(p) {}
    T* p_ = nullptr;
};

// Queries `from` for interface I; an empty Ref when it does not answer.
template <class I>
Ref<I> QueryAs(IUnknown* from, REFIID iid) noexcept {
    Ref<I> out;
    if (from && FAILED(from->QueryInterface(iid, out.put_void()))) out.reset();
    return out;
}

template <class T>
struct InterfaceRow {
    const GUID* iid;
    void* (*cast)(T*);
};
template <class T, class I>
void* As(T* self) {
    return static_cast<I*>(self);
}

// One QueryInterface for every class: rows are tried in order; *out is cleared on every failure.
template <class T>
HRESULT QueryByTable(std::span<const InterfaceRow<T>> rows, T* self, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& r : rows) {
        if (*r.iid == iid) {
            *out = r.cast(self);
            static_cast<IUnknown*>(*out)->AddRef();
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// Nothing is thrown across an interface: run body and turn an escaping exception into a code.
template <class F>
HRESULT AtBoundary(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace platform
