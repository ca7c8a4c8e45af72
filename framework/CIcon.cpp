#include "framework/CIcon.h"

#include <cstring>
#include <new>

#include "platform/resources.h"

namespace {

int32_t ReadInt32(const uint8_t* at) noexcept {
    uint32_t v = at[0] | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
    int32_t s;
    std::memcpy(&s, &v, sizeof s);
    return s;
}

CIcon* LoadBitmap(HMODULE module, uint16_t id) noexcept {
    const auto bytes = platform::FindResourceBytes(module, platform::kResourceBitmap, id);
    // BITMAPINFOHEADER: its size (40 or a later, longer header), width, height.
    constexpr size_t kInfoHeaderBytes = 40;
    if (bytes.size() < kInfoHeaderBytes || ReadInt32(bytes.data()) < static_cast<int32_t>(kInfoHeaderBytes))
        return nullptr;
    const int32_t width = ReadInt32(bytes.data() + 4);
    const int32_t height = ReadInt32(bytes.data() + 8);
    if (width <= 0 || height == 0 || height == INT32_MIN) return nullptr;
    return new (std::nothrow) CIcon{id, width, height < 0 ? -height : height, bytes};
}

}  // namespace

int32_t LoadBitmapSequence(HMODULE module, uint16_t firstID, int32_t count, CIcon** frames) noexcept {
    if (!frames) return 0;
    int32_t loaded = 0;
    for (int32_t i = 0; i < count; ++i) {
        frames[i] = firstID + i <= 0xFFFF ? LoadBitmap(module, static_cast<uint16_t>(firstID + i)) : nullptr;
        loaded += frames[i] != nullptr;
    }
    return loaded;
}

void SafeDisposeCIcon(CIcon*& icon) noexcept {
    delete icon;
    icon = nullptr;
}
