#pragma once
// The plug-in library as a host sees it: a file beside the program (../lib/Velvane.so), its
// exported entry points, the registry, and the components its class factories make.
#include <string>
#include <string_view>

#include "platform/comptr.h"
#include "platform/module.h"

namespace velvane_cli {

struct ComponentKind {
    const char* option;  // as --component takes it
    const char* name;    // as messages name it
    const CLSID* clsid;
    int inputs, outputs;  // channels
};
// stereo, ms, mono.
extern const ComponentKind kComponents[3];
// The kind --component names; InputError for another word.
const ComponentKind& ComponentNamed(std::string_view option);

class PlugInLibrary {
public:
    // Loads the library; InternalError when it is missing or lacks an entry point.
    PlugInLibrary();
    PlugInLibrary(const PlugInLibrary&) = delete;
    PlugInLibrary& operator=(const PlugInLibrary&) = delete;

    const std::string& Path() const noexcept { return path_; }
    // DllRegisterServer and DllUnregisterServer; InternalError when they fail.
    void Register() const;
    void Unregister() const;
    // A new component, created through its class factory after registering the library when the
    // class is missing from the registry (said on stderr); InternalError when creation fails.
    // The object must be released before this library object goes.
    platform::Ref<IUnknown> Create(const ComponentKind& kind) const;

private:
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using ServerFn = HRESULT(STDAPICALLTYPE*)();

    std::string path_;
    platform::Library library_;
    GetClassObjectFn getClassObject_ = nullptr;
    ServerFn registerServer_ = nullptr;
    ServerFn unregisterServer_ = nullptr;
};

}  // namespace velvane_cli
