#pragma once
// Four-character codes (component types, host kinds, memory areas, resource kinds): 32-bit
// values with the first character in the most significant byte ('FLNS' is 0x464C4E53).
#include <cstdint>
#include <optional>
#include <string_view>

#include "framework/TextNumbers.h"

constexpr uint32_t FourCC(const char (&code)[5]) noexcept {
    return uint32_t{static_cast<uint8_t>(code[0])} << 24 | uint32_t{static_cast<uint8_t>(code[1])} << 16 |
           uint32_t{static_cast<uint8_t>(code[2])} << 8 | uint32_t{static_cast<uint8_t>(code[3])};
}

// A code written in a resource: four characters, optionally in single quotes ('pcDX'), blanks
// around it ignored. Anything else is nullopt.
inline std::optional<uint32_t> ParseFourCC(std::string_view text) noexcept {
    text = TrimBlanks(text);
    if (text.size() == 6 && text.front() == '\'' && text.back() == '\'') text = text.substr(1, 4);
    if (text.size() != 4) return std::nullopt;
    uint32_t code = 0;
    for (const char c : text) code = code << 8 | static_cast<uint8_t>(c);
    return code;
}
