#pragma once
// ASCII-only character helpers for names that Windows compares without regard to case (registry
// keys, window classes, resource types, command-line words): letters outside A-Z and a-z, and
// every non-ASCII code unit, compare as they are, whatever the locale.
#include <string_view>
#include <type_traits>

namespace platform {

template <class Char>
constexpr Char AsciiLower(Char c) noexcept {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <class Char>
constexpr Char AsciiUpper(Char c) noexcept {
    return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// Char is named for UTF-16 text (SameIgnoringAsciiCase<char16_t>); any char text converts.
template <class Char = char>
constexpr bool SameIgnoringAsciiCase(std::type_identity_t<std::basic_string_view<Char>> a,
                                     std::type_identity_t<std::basic_string_view<Char>> b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// The value of one hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace platform
