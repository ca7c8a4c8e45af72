#pragma once
// Resources: (type, id) → bytes and string tables, looked up through a module handle. Windows
// reads them from the module's resource section (compiled from an .rc script with windres);
// Linux reads a table generated at build time from the same script (platform/resources.cmake)
// and compiled into the module that links it. Both give the same bytes: a BITMAP loses its file
// header and string tables are blocks of 16 length-prefixed UTF-16 strings, as windres does.
//
// [any thread] Lookups only read constant data. The bytes stay valid while the module is loaded.
#include <cstdint>
#include <span>
#include <string>

#include "platform/com.h"

namespace platform {

// Numbers of the predefined resource types (the Windows RT_ values).
inline constexpr uint16_t kResourceBitmap = 2;
inline constexpr uint16_t kResourceStringBlock = 6;
inline constexpr uint16_t kResourceData = 10;

// The bytes of resource `id` of a named type ("XPRM"; compared without regard to case) or a
// numbered type, in `module` (a handle from ModuleOf). Empty when there is no such resource.
std::span<const uint8_t> FindResourceBytes(HMODULE module, const char* type, uint16_t id) noexcept;
std::span<const uint8_t> FindResourceBytes(HMODULE module, uint16_t type, uint16_t id) noexcept;

// String `id` of the module's string table; empty when absent (as on Windows, an empty string and
// a missing one look the same).
std::u16string LoadResourceString(HMODULE module, uint16_t id);

#ifndef _WIN32
// One resource of the generated table. A named type has `typeName` set; a numbered one has
// `typeName` null and `typeNumber` set.
struct ResourceEntry {
    const char* typeName;
    uint16_t typeNumber;
    uint16_t id;
    const uint8_t* data;
    uint32_t bytes;
};

// Defined by the generated table of the module that links one; a module that looks up resources
// without linking a table fails to link.
std::span<const ResourceEntry> ModuleResourceTable() noexcept;
#endif

}  // namespace platform
