#include "platform/codepage.h"

namespace platform {

#ifdef _WIN32

std::string AnsiFromWide(std::basic_string_view<WCHAR> text) {
    if (text.empty()) return {};
    const int wide = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

#else

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page leaves the byte undefined, which
// Windows maps to the code point of the same number.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c || (kHigh[i] == 0 && c == 0x80 + i)) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string AnsiFromWide(std::basic_string_view<WCHAR> text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool pair =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pair) ++i;  // one character outside the code page, one '?'
        out += pair ? '?' : ToCp1252(c);
    }
    return out;
}

#endif

}  // namespace platform
