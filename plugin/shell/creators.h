#pragma once
// The creators of the component table's rows (see ComponentCreator).
#include <cstdint>
#include <string_view>

#include "platform/com.h"

// Rows 0 to 8: reads "UniqueID" and "Process" from HKEY_CLASSES_ROOT\Filter\{clsid} (so the
// component must be registered; E_OUTOFMEMORY when either is missing) and makes the component.
IUnknown* CreateProcessingObject(IUnknown* outer, REFCLSID clsid, HRESULT* result) noexcept;
// Row 9: the editor's property page.
IUnknown* CreatePropertyPage(IUnknown* outer, REFCLSID clsid, HRESULT* result) noexcept;

// The process code handed to the framework for a "Process" text, which may lack its NUL.
uint32_t ProcessCode(std::string_view processText) noexcept;
