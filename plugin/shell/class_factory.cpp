#include "plugin/shell/class_factory.h"

#include <new>

#include "platform/comptr.h"
#include "plugin/shell/exports.h"

namespace {

// Interlocked like every count here: under the "Both" threading model any thread may call.
volatile LONG gServerLocks = 0;

}  // namespace

LONG ServerLockCount() noexcept { return gServerLocks; }

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) noexcept {
    static constexpr platform::InterfaceRow<ClassFactory> kRows[] = {
        {&IID_IUnknown, platform::As<ClassFactory, IClassFactory>},
        {&IID_IClassFactory, platform::As<ClassFactory, IClassFactory>}};
    return platform::QueryByTable<ClassFactory>(kRows, this, iid, out);
}

ULONG ClassFactory::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG ClassFactory::Release() noexcept {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !(iid == IID_IUnknown)) return E_NOINTERFACE;
    HRESULT result = S_OK;
    IUnknown* object = row_.create(outer, row_.clsid, &result);
    if (!object) return FAILED(result) ? result : E_OUTOFMEMORY;
    // The object arrives holding our one reference: its release either destroys it or leaves it
    // to whoever the query gave it to.
    if (FAILED(result)) {
        object->Release();
        return result;
    }
    result = object->QueryInterface(iid, out);
    object->Release();
    return result;
}

HRESULT ClassFactory::LockServer(BOOL lock) noexcept {
    if (lock)
        InterlockedIncrement(&gServerLocks);
    else
        InterlockedDecrement(&gServerLocks);
    return S_OK;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!(iid == IID_IClassFactory) && !(iid == IID_IUnknown)) return E_NOINTERFACE;
    const ComponentRow* row = FindComponent(clsid);
    if (!row) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) ClassFactory(*row);
    if (!factory) return E_OUTOFMEMORY;
    factory->AddRef();
    *out = static_cast<IClassFactory*>(factory);
    return S_OK;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ServerLockCount() > 0 || platform::LiveObjectCount() != 0 ? S_FALSE : S_OK;
}
