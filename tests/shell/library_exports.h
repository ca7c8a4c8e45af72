#pragma once
// The built library opened by its path and its server entry points looked up, as a host does.
#include <gtest/gtest.h>

#include "platform/module.h"
#include "plugin/shell/exports.h"

struct LibraryExports {
    platform::Library library = platform::Library::Open(VELVANE_LIBRARY);
    decltype(&DllGetClassObject) getClassObject = Entry<decltype(&DllGetClassObject)>("DllGetClassObject");
    decltype(&DllCanUnloadNow) canUnloadNow = Entry<decltype(&DllCanUnloadNow)>("DllCanUnloadNow");
    decltype(&DllRegisterServer) registerServer = Entry<decltype(&DllRegisterServer)>("DllRegisterServer");
    decltype(&DllUnregisterServer) unregisterServer = Entry<decltype(&DllUnregisterServer)>("DllUnregisterServer");

    // The library opened and every entry found (a missing one has been reported by name).
    bool Complete() const { return library && getClassObject && canUnloadNow && registerServer && unregisterServer; }

private:
    template <class F>
    F Entry(const char* name) const {
        if (!library) return nullptr;
        const auto f = reinterpret_cast<F>(library.Symbol(name));
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
};
