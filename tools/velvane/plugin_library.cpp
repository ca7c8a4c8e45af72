#include "tools/velvane/plugin_library.h"

#include <cstdio>
#include <filesystem>

#include "platform/registry.h"
#include "plugin/shell/interfaces/host_interfaces.h"
#include "tools/velvane/errors.h"

namespace velvane_cli {

const ComponentKind kComponents[3] = {{"stereo", "stereo", &CLSID_VelvaneStereo, 2, 2},
                                      {"ms", "m/s", &CLSID_VelvaneMs, 1, 2},
                                      {"mono", "mono", &CLSID_VelvaneMono, 1, 1}};

const ComponentKind& ComponentNamed(std::string_view option) {
    for (const ComponentKind& kind : kComponents)
        if (option == kind.option) return kind;
    throw InputError("unknown component '" + std::string(option) + "' (stereo, mono or ms)");
}

namespace {

constexpr HRESULT kModuleNotFound = HRESULT_FROM_WIN32(126);
constexpr HRESULT kProcedureNotFound = HRESULT_FROM_WIN32(127);

std::string LibraryBesideProgram() {
    const std::filesystem::path program = platform::ExecutablePath();
    return (program.parent_path().parent_path() / "lib" / (std::string("Velvane") + platform::kLibrarySuffix))
        .lexically_normal()
        .string();
}

// A host finds a class by its server entry, as COM would. InternalError when the registry
// cannot be read.
bool IsRegistered(const CLSID& clsid) {
    platform::RegKey key;
    const LONG status = key.Open(HKEY_CLASSES_ROOT, "CLSID\\" + platform::GuidToString(clsid) + "\\InprocServer32",
                                 platform::RegAccess::Read);
    if (status == ERROR_FILE_NOT_FOUND) return false;
    Check(HRESULT_FROM_WIN32(static_cast<DWORD>(status)), "reading the registry");
    return true;
}

}  // namespace

PlugInLibrary::PlugInLibrary() : path_(LibraryBesideProgram()), library_(platform::Library::Open(path_)) {
    if (!library_) throw InternalError("cannot load " + path_ + ": " + platform::Library::LastError(), kModuleNotFound);
    const auto entry = [&](const char* name) {
        void* symbol = library_.Symbol(name);
        if (!symbol) throw InternalError(path_ + " does not export " + name, kProcedureNotFound);
        return symbol;
    };
    getClassObject_ = reinterpret_cast<GetClassObjectFn>(entry("DllGetClassObject"));
    registerServer_ = reinterpret_cast<ServerFn>(entry("DllRegisterServer"));
    unregisterServer_ = reinterpret_cast<ServerFn>(entry("DllUnregisterServer"));
}

void PlugInLibrary::Register() const { Check(registerServer_(), "registering " + path_); }

void PlugInLibrary::Unregister() const { Check(unregisterServer_(), "unregistering " + path_); }

platform::Ref<IUnknown> PlugInLibrary::Create(const ComponentKind& kind) const {
    if (!IsRegistered(*kind.clsid)) {
        std::fprintf(stderr, "velvane: registering %s (its classes were missing)\n", path_.c_str());
        Register();
    }
    platform::Ref<IClassFactory> factory;
    Check(getClassObject_(*kind.clsid, IID_IClassFactory, factory.put_void()),
          std::string("getting the ") + kind.name + " component's class factory");
    platform::Ref<IUnknown> object;
    Check(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()),
          std::string("creating the ") + kind.name + " component");
    return object;
}

}  // namespace velvane_cli
