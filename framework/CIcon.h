#pragma once
// CIcon: one picture of the plug-in module, a bitmap resource as it is stored (a device-
// independent bitmap: BITMAPINFOHEADER, palette, pixel rows). Read-outs point a parameter's icon
// at one frame of a sequence of them; the editor draws it.
//
// [any thread] A CIcon only borrows the resource bytes, which stay valid while the module is
// loaded; whoever loads one disposes of it (SafeDisposeCIcon).
#include <cstdint>
#include <span>

#include "platform/com.h"

struct CIcon {
    uint16_t resourceID = 0;
    int32_t width = 0;   // pixels
    int32_t height = 0;  // pixels (rows stored bottom-up or top-down, as the header says)
    std::span<const uint8_t> dib;
};

// Loads the bitmaps firstID, firstID + 1, … of `module` into frames[0 … count - 1]. A frame whose
// resource is missing or not a bitmap, or that memory cannot be found for, is null. Returns the
// number of frames loaded.
int32_t LoadBitmapSequence(HMODULE module, uint16_t firstID, int32_t count, CIcon** frames) noexcept;
// Frees the picture (null is allowed) and clears the pointer.
void SafeDisposeCIcon(CIcon*& icon) noexcept;
