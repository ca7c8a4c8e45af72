#pragma once
// Property pages: how an object names the pages of its editor. Windows takes the declarations
// from the SDK headers; Linux gets stand-ins with the same names, layouts and method order.
#include "platform/com.h"

#ifdef _WIN32
#include <ocidl.h>
#else
// A counted array of GUIDs in task memory, which the receiver frees (elements, then nothing else).
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pPages) = 0;
};

inline constexpr IID IID_ISpecifyPropertyPages = {
    0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
#endif
