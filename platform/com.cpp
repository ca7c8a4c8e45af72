#include "platform/com.h"

#include <cstdio>

#include "platform/ascii.h"

namespace platform {

std::string GuidToString(const GUID& g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

namespace {

volatile LONG gLiveObjects = 0;

}  // namespace

LONG LiveObjectCount() noexcept { return gLiveObjects; }
LiveObject::LiveObject() noexcept { InterlockedIncrement(&gLiveObjects); }
LiveObject::LiveObject(const LiveObject&) noexcept { InterlockedIncrement(&gLiveObjects); }
LiveObject::~LiveObject() { InterlockedDecrement(&gLiveObjects); }

std::optional<GUID> GuidFromString(std::string_view text) {
    constexpr std::string_view kShape = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != kShape.size()) return std::nullopt;
    uint8_t bytes[16] = {};
    int nibble = 0;
    for (size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] != 'X') {
            if (text[i] != kShape[i]) return std::nullopt;
            continue;
        }
        const int v = HexDigitValue(text[i]);
        if (v < 0) return std::nullopt;
        bytes[nibble / 2] = static_cast<uint8_t>(bytes[nibble / 2] << 4 | v);
        ++nibble;
    }
    GUID g{};
    g.Data1 = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
    g.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    g.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    return g;
}

}  // namespace platform
