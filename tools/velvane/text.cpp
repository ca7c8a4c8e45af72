#include "tools/velvane/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/codepage.h"

namespace velvane_cli {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Utf8FromWide(std::basic_string_view<WCHAR> text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = static_cast<char16_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00));
        } else {
            AppendUtf8(out, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
        }
    }
    return out;
}

std::string Utf8FromAnsi(std::string_view text) { return Utf8FromWide(platform::WideFromAnsi(text)); }

std::string_view Trim(std::string_view text) noexcept {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool ParseInteger(std::string_view text, long long* value) noexcept {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseNumber(std::string_view text, double* value) noexcept {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

std::string Decibels(double amplitude) {
    if (!(amplitude > 0)) return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", 20 * std::log10(amplitude));
    return text;
}

}  // namespace velvane_cli
