#pragma once
// UTF-16 text as the stream interfaces pass it: names into fixed arrays, ids into task memory.
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/com.h"

namespace platform {

using WideView = std::basic_string_view<WCHAR>;
using WideString = std::basic_string<WCHAR>;

inline WideView ViewOf(const WCHAR* text) noexcept { return text ? WideView(text) : WideView(); }

// Copies as much of `text` as fits, always terminated.
template <size_t N>
void CopyTruncated(WCHAR (&out)[N], WideView text) noexcept {
    const size_t n = std::min(text.size(), N - 1);
    std::copy_n(text.data(), n, out);
    out[n] = 0;
}

// A terminated copy in task memory, for the caller to free with CoTaskMemFree.
inline HRESULT DuplicateInTaskMemory(WideView text, LPWSTR* out) noexcept {
    if (!out) return E_POINTER;
    *out = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (!*out) return E_OUTOFMEMORY;
    std::copy_n(text.data(), text.size(), *out);
    (*out)[text.size()] = 0;
    return S_OK;
}

}  // namespace platform
