#include "platform/resources.h"

#include "platform/ascii.h"
#include "platform/module.h"

namespace platform {

#ifdef _WIN32

namespace {

std::span<const uint8_t> Lookup(HMODULE module, LPCSTR type, uint16_t id) noexcept {
    if (!module) return {};
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD bytes = SizeofResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const uint8_t*>(data), bytes};
}

}  // namespace

std::span<const uint8_t> FindResourceBytes(HMODULE module, const char* type, uint16_t id) noexcept {
    return type ? Lookup(module, type, id) : std::span<const uint8_t>();
}

std::span<const uint8_t> FindResourceBytes(HMODULE module, uint16_t type, uint16_t id) noexcept {
    return Lookup(module, MAKEINTRESOURCEA(type), id);
}

#else

namespace {

template <class Match>
std::span<const uint8_t> Lookup(HMODULE module, uint16_t id, Match&& match) noexcept {
    const std::span<const ResourceEntry> table = ModuleResourceTable();
    // The table answers only for the module it was compiled into, as a resource section would.
    static const HMODULE owner = ModuleOf(table.data());
    if (!module || module != owner) return {};
    for (const ResourceEntry& e : table)
        if (e.id == id && match(e)) return {e.data, e.bytes};
    return {};
}

}  // namespace

std::span<const uint8_t> FindResourceBytes(HMODULE module, const char* type, uint16_t id) noexcept {
    if (!type) return {};
    return Lookup(module, id,
                  [type](const ResourceEntry& e) { return e.typeName && SameIgnoringAsciiCase(e.typeName, type); });
}

std::span<const uint8_t> FindResourceBytes(HMODULE module, uint16_t type, uint16_t id) noexcept {
    return Lookup(module, id, [type](const ResourceEntry& e) { return !e.typeName && e.typeNumber == type; });
}

#endif

std::u16string LoadResourceString(HMODULE module, uint16_t id) {
    // Strings live in blocks of 16: block id / 16 + 1 holds id at position id % 16, each string
    // a 16-bit little-endian length followed by that many UTF-16 units.
    const auto block = FindResourceBytes(module, kResourceStringBlock, static_cast<uint16_t>(id / 16 + 1));
    size_t at = 0;
    for (unsigned position = 0;; ++position) {
        if (at + 2 > block.size()) return {};
        const size_t units = block[at] | static_cast<size_t>(block[at + 1]) << 8;
        at += 2;
        if (at + 2 * units > block.size()) return {};
        if (position == id % 16u) {
            std::u16string text(units, u'\0');
            for (size_t i = 0; i < units; ++i)
                text[i] = static_cast<char16_t>(block[at + 2 * i] | block[at + 2 * i + 1] << 8);
            return text;
        }
        at += 2 * units;
    }
}

}  // namespace platform
