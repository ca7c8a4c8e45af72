// Linux backend of platform/window.h: the window-class registry and message boxes.
#include "platform/window.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ascii.h"

struct HGDIOBJ__ {
    int stockObject;
};

namespace {

HGDIOBJ__ gArrowCursor{-1};
HGDIOBJ__ gStockBrushes[5] = {{WHITE_BRUSH}, {LTGRAY_BRUSH}, {GRAY_BRUSH}, {DKGRAY_BRUSH}, {BLACK_BRUSH}};

bool IsNumber(LPCWSTR name) { return reinterpret_cast<uintptr_t>(name) <= 0xFFFF; }

struct Entry {
    WNDCLASSW windowClass;
    std::u16string name;
    std::u16string menuName;  // empty when the menu is named by number or absent
    ATOM atom;
};

std::mutex gLock;
std::vector<Entry> gClasses;
ATOM gNextAtom = 0xC000;  // where Windows starts its class atoms

std::vector<Entry>::iterator Find(LPCWSTR name, HINSTANCE instance) {
    for (auto it = gClasses.begin(); it != gClasses.end(); ++it)
        if (it->windowClass.hInstance == instance && platform::SameIgnoringAsciiCase<char16_t>(it->name, name))
            return it;
    return gClasses.end();
}

}  // namespace

ATOM RegisterClassW(const WNDCLASSW* windowClass) noexcept {
    if (!windowClass || !windowClass->lpszClassName || IsNumber(windowClass->lpszClassName) ||
        !windowClass->lpfnWndProc || windowClass->cbClsExtra < 0 || windowClass->cbWndExtra < 0)
        return 0;
    try {
        std::lock_guard hold(gLock);
        if (Find(windowClass->lpszClassName, windowClass->hInstance) != gClasses.end() || gNextAtom == 0) return 0;
        Entry e{*windowClass, windowClass->lpszClassName, {}, gNextAtom++};
        if (windowClass->lpszMenuName && !IsNumber(windowClass->lpszMenuName)) e.menuName = windowClass->lpszMenuName;
        gClasses.push_back(std::move(e));
        return gClasses.back().atom;
    } catch (...) {
        return 0;
    }
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) noexcept {
    if (!className || IsNumber(className)) return FALSE;
    std::lock_guard hold(gLock);
    auto it = Find(className, instance);
    if (it == gClasses.end()) return FALSE;
    gClasses.erase(it);
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* windowClass) noexcept {
    if (!className || IsNumber(className) || !windowClass) return FALSE;
    std::lock_guard hold(gLock);
    auto it = Find(className, instance);
    if (it == gClasses.end()) return FALSE;
    *windowClass = it->windowClass;
    windowClass->lpszClassName = className;
    if (!it->menuName.empty()) windowClass->lpszMenuName = it->menuName.c_str();
    return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) noexcept {
    return !instance && name == IDC_ARROW ? &gArrowCursor : nullptr;
}

HGDIOBJ GetStockObject(int object) noexcept {
    return object >= WHITE_BRUSH && object <= BLACK_BRUSH ? &gStockBrushes[object] : nullptr;
}

LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM) noexcept { return 0; }

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) noexcept {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
    return IDOK;
}
