#pragma once
// Where a component's registry entries live; DllRegisterServer, DllUnregisterServer and
// AdditionalInfoRegister (exports.h) write and remove them.
#include <string>

#include "platform/com.h"

// "CLSID\{…}" and "Filter\{…}" under HKEY_CLASSES_ROOT.
std::string ClsidKeyPath(REFCLSID clsid);
std::string FilterKeyPath(REFCLSID clsid);
